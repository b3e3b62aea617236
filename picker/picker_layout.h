// Geometry and calendar arithmetic of the date picker, shared by the library and its tests.
#pragma once

namespace picker {

// The window covers the space between the task bar and the menu bar.
constexpr int kWindowX = 0;
constexpr int kWindowY = 52;
constexpr int kWindowW = 480;
constexpr int kWindowH = 696;

// Client coordinates.
constexpr int kTitleH = 64;
constexpr int kNavTop = 76, kNavBottom = 140;
constexpr int kPrevLeft = 16, kPrevRight = 96;
constexpr int kNextLeft = 384, kNextRight = 464;
constexpr int kWeekdayTop = 150, kWeekdayBottom = 190;
constexpr int kGridLeft = 16, kGridTop = 196, kCell = 64;  // 7 x 6 cells
constexpr int kButtonTop = 608, kButtonBottom = 672;
constexpr int kOkLeft = 24, kOkRight = 228;
constexpr int kCancelLeft = 252, kCancelRight = 456;

inline bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

inline int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 30;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// 0 = Sunday.
inline int DayOfWeek(int year, int month, int day) {
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
}

// Grid cell (0..41) of a day of the shown month, Sunday first.
inline int CellOfDay(int year, int month, int day) {
    return DayOfWeek(year, month, 1) + day - 1;
}

// Day shown in a cell, or 0 for a cell outside the month.
inline int DayOfCell(int year, int month, int cell) {
    const int day = cell - DayOfWeek(year, month, 1) + 1;
    return day >= 1 && day <= DaysInMonth(year, month) ? day : 0;
}

}  // namespace picker
