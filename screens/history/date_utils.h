// Calendar arithmetic of the history pages: weekdays, month lengths, the division of a month into
// Sunday-to-Saturday weeks (a week belongs to the month holding its Thursday) and label texts.
#pragma once

#include <cstdint>

// Broken-down local calendar time, the fields of the standard calendar record.
struct CalendarRecord {
    int32_t tm_sec;
    int32_t tm_min;
    int32_t tm_hour;
    int32_t tm_mday;  // 1-31
    int32_t tm_mon;   // 0-11
    int32_t tm_year;  // years since 1900
    int32_t tm_wday;  // 0 = Sunday
    int32_t tm_yday;  // 0-365
    int32_t tm_isdst;
};

// The weeks of one month.
struct MonthWeeks {
    int32_t year;
    int32_t month;   // 1-12
    int32_t nWeeks;  // 4 or 5
    // Entry i: day of the month on which week i+1 begins (a Sunday); entry 0 is 0 when week 1
    // contains the 1st; entries after the last week are 0.
    int32_t weekStart[6];
    int32_t endYear;
    int32_t endMonth;
};

// Calendar time (seconds since 1970-01-01 00:00 of the local calendar) of a local record. Field
// values out of range are carried over as the standard conversion does; the record is normalised
// and its weekday and day of the year filled. -1 for dates before 1970.
int64_t MakeLocalTime(CalendarRecord* record);
// Local calendar record of a calendar time.
CalendarRecord BreakLocalTime(int64_t time);

// Reads 'YYYY-MM-DD' by position; missing or non-digit parts read as 0.
void ParseDateText(const wchar_t* text, int* year, int* month, int* day);

int GetDayOfWeek(const wchar_t* dateText);  // 0 = Sunday
bool IsLeapYear(int year);
int GetDaysInMonth(int year, int month);  // 0 for a month outside 1-12
int GetWeekdayOfFirst(int year, int month);
MonthWeeks BuildMonthWeeks(int year, int month);
// Week of the month a day belongs to: 0 for the previous month's last week, nWeeks + 1 for the
// next month's first week.
int GetWeekOfMonth(int year, int month, int day);
// Date of the Sunday on or before the 1st.
void GetFirstWeekStart(int year, int month, int* outYear, int* outMonth, int* outDay);
// Date of the Sunday on or before the month's last day.
void GetLastWeekStart(int year, int month, int* outYear, int* outMonth, int* outDay);
// Seven "MM-DD" labels of the days a ... a + 6 counted from the base date (day 1 = base).
void GetWeekDayLabels(const wchar_t* baseDate, int a, wchar_t labels[7][12]);
// 1 when p is not earlier than q (only year and month compared when monthOnly), else 0.
int CompareDates(const wchar_t* p, const wchar_t* q, bool monthOnly);
// Week of the year, weeks beginning on Sunday; days before the first Sunday are in week 0.
int GetWeekOfYear(const wchar_t* dateText);
const wchar_t* GetMonthAbbrev(int month);  // "" outside 1-12
const wchar_t* GetOrdinalSuffix(int number);
