// Calendar arithmetic of the history pages. Conversions count seconds of the local calendar, so a
// day step is always exactly 86,400 seconds and lands on the next calendar day whatever the
// daylight-saving rules of the zone.
#include "screens/history/date_utils.h"

#include <cwchar>

namespace {

const int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days since 1970-01-01 of a proleptic Gregorian date (month 1-12).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t* y, int64_t* m, int64_t* d) {
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

// Decimal value of the digits at positions [from, from + count) of a text; stops at the end of
// the text or at the first non-digit.
int ReadField(const wchar_t* text, size_t length, size_t from, size_t count) {
    int value = 0;
    for (size_t i = from; i < from + count && i < length; ++i) {
        if (text[i] < L'0' || text[i] > L'9') break;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

CalendarRecord MidnightRecord(int year, int month, int day) {
    CalendarRecord record{};
    record.tm_mday = day;
    record.tm_mon = month - 1;
    record.tm_year = year - 1900;
    return record;
}

void DateOfTime(int64_t time, int* outYear, int* outMonth, int* outDay) {
    CalendarRecord record = BreakLocalTime(time);
    if (outYear) *outYear = record.tm_year + 1900;
    if (outMonth) *outMonth = record.tm_mon + 1;
    if (outDay) *outDay = record.tm_mday;
}

// Sunday on or before the given day of the month.
void SundayOnOrBefore(int year, int month, int day, int* outYear, int* outMonth, int* outDay) {
    wchar_t text[32];
    swprintf(text, 32, L"%04d-%02d-%02d", year, month, day);
    const int weekday = GetDayOfWeek(text);
    CalendarRecord record = MidnightRecord(year, month, day);
    const int64_t time = MakeLocalTime(&record) - weekday * kSecondsPerDay;
    DateOfTime(time, outYear, outMonth, outDay);
}

}  // namespace

int64_t MakeLocalTime(CalendarRecord* record) {
    if (!record) return -1;
    const int64_t months = static_cast<int64_t>(record->tm_mon);
    const int64_t year = 1900 + static_cast<int64_t>(record->tm_year) + FloorDiv(months, 12);
    const int64_t month = months - FloorDiv(months, 12) * 12 + 1;
    const int64_t days = DaysFromCivil(year, month, 1) + static_cast<int64_t>(record->tm_mday) - 1;
    const int64_t time = days * kSecondsPerDay + static_cast<int64_t>(record->tm_hour) * 3600 +
                         static_cast<int64_t>(record->tm_min) * 60 + static_cast<int64_t>(record->tm_sec);
    *record = BreakLocalTime(time);
    if (record->tm_year + 1900 < 1970) return -1;
    return time;
}

CalendarRecord BreakLocalTime(int64_t time) {
    CalendarRecord record{};
    const int64_t days = FloorDiv(time, kSecondsPerDay);
    const int64_t secondOfDay = time - days * kSecondsPerDay;
    int64_t y = 0, m = 0, d = 0;
    CivilFromDays(days, &y, &m, &d);
    record.tm_sec = static_cast<int32_t>(secondOfDay % 60);
    record.tm_min = static_cast<int32_t>((secondOfDay / 60) % 60);
    record.tm_hour = static_cast<int32_t>(secondOfDay / 3600);
    record.tm_mday = static_cast<int32_t>(d);
    record.tm_mon = static_cast<int32_t>(m - 1);
    record.tm_year = static_cast<int32_t>(y - 1900);
    int64_t weekday = (days + 4) % 7;  // 1970-01-01 was a Thursday
    if (weekday < 0) weekday += 7;
    record.tm_wday = static_cast<int32_t>(weekday);
    record.tm_yday = static_cast<int32_t>(days - DaysFromCivil(y, 1, 1));
    record.tm_isdst = 0;
    return record;
}

void ParseDateText(const wchar_t* text, int* year, int* month, int* day) {
    const size_t length = text ? wcslen(text) : 0;
    if (year) *year = length ? ReadField(text, length, 0, 4) : 0;
    if (month) *month = length ? ReadField(text, length, 5, 2) : 0;
    if (day) *day = length ? ReadField(text, length, 8, 2) : 0;
}

int GetDayOfWeek(const wchar_t* dateText) {
    int y = 0, m = 0, d = 0;
    ParseDateText(dateText, &y, &m, &d);
    CalendarRecord record = MidnightRecord(y, m, d);
    MakeLocalTime(&record);
    return record.tm_wday;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int GetDaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

int GetWeekdayOfFirst(int year, int month) {
    wchar_t text[32];
    swprintf(text, 32, L"%04d-%02d-01", year, month);
    return GetDayOfWeek(text);
}

MonthWeeks BuildMonthWeeks(int year, int month) {
    MonthWeeks weeks{};
    weeks.year = weeks.endYear = year;
    weeks.month = weeks.endMonth = month;
    const int n = GetDaysInMonth(year, month);
    const int c = GetWeekdayOfFirst(year, month);
    int next = 0;
    if (c <= 4) {
        weeks.weekStart[0] = 0;
        weeks.nWeeks = 1;
        next = 1;
    }
    int s = 8 - c;
    int r = c + n - 8;
    while (r >= 4 && next < 6) {
        weeks.weekStart[next++] = s;
        ++weeks.nWeeks;
        s += 7;
        r -= 7;
    }
    return weeks;
}

int GetWeekOfMonth(int year, int month, int day) {
    const MonthWeeks weeks = BuildMonthWeeks(year, month);
    int result = 0;
    for (int i = 0; i < weeks.nWeeks; ++i) {
        const int start = weeks.weekStart[i];
        if (day >= start) result = i + 1;
        if (i > 0 && start > 0 && day >= start + 7) result = i + 2;
    }
    return result;
}

void GetFirstWeekStart(int year, int month, int* outYear, int* outMonth, int* outDay) {
    SundayOnOrBefore(year, month, 1, outYear, outMonth, outDay);
}

void GetLastWeekStart(int year, int month, int* outYear, int* outMonth, int* outDay) {
    SundayOnOrBefore(year, month, GetDaysInMonth(year, month), outYear, outMonth, outDay);
}

void GetWeekDayLabels(const wchar_t* baseDate, int a, wchar_t labels[7][12]) {
    int y = 0, m = 0, d = 0;
    ParseDateText(baseDate, &y, &m, &d);
    CalendarRecord record = MidnightRecord(y, m, d);
    const int64_t base = MakeLocalTime(&record);
    for (int i = 0; i < 7; ++i) {
        const CalendarRecord day = BreakLocalTime(base + (static_cast<int64_t>(a) - 1 + i) * kSecondsPerDay);
        swprintf(labels[i], 12, L"%02d-%02d", day.tm_mon + 1, day.tm_mday);
    }
    // Debugging trace, composed and not written anywhere.
    wchar_t trace[128];
    swprintf(trace, 128, L"%ls,%ls,%ls,%ls,%ls,%ls,%ls\r\n", labels[0], labels[1], labels[2], labels[3],
             labels[4], labels[5], labels[6]);
}

int CompareDates(const wchar_t* p, const wchar_t* q, bool monthOnly) {
    int py = 0, pm = 0, pd = 0, qy = 0, qm = 0, qd = 0;
    ParseDateText(p, &py, &pm, &pd);
    ParseDateText(q, &qy, &qm, &qd);
    if (monthOnly) pd = qd = 1;
    CalendarRecord pr = MidnightRecord(py, pm, pd);
    CalendarRecord qr = MidnightRecord(qy, qm, qd);
    return MakeLocalTime(&pr) >= MakeLocalTime(&qr) ? 1 : 0;
}

int GetWeekOfYear(const wchar_t* dateText) {
    int y = 0, m = 0, d = 0;
    ParseDateText(dateText, &y, &m, &d);
    CalendarRecord record = MidnightRecord(y, m, d);
    MakeLocalTime(&record);
    return (record.tm_yday + 7 - record.tm_wday) / 7;
}

const wchar_t* GetMonthAbbrev(int month) {
    static const wchar_t* const kNames[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                              L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    if (month < 1 || month > 12) return L"";
    return kNames[month - 1];
}

const wchar_t* GetOrdinalSuffix(int number) {
    if (number == 1 || number == 21) return L"st";
    if (number == 2) return L"nd";
    if (number == 3) return L"rd";
    return L"th";
}
