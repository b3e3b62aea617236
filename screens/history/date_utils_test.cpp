#include "screens/history/date_utils.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> Starts(const MonthWeeks& w) {
    return std::vector<int>(w.weekStart, w.weekStart + 6);
}

std::wstring Date(int y, int m, int d) {
    wchar_t text[16];
    swprintf(text, 16, L"%04d-%02d-%02d", y, m, d);
    return text;
}

TEST(DateUtilsTest, CalendarConversionRoundTripsAndNormalises) {
    CalendarRecord r{};
    r.tm_year = 70;
    r.tm_mday = 1;
    EXPECT_EQ(0, MakeLocalTime(&r));
    EXPECT_EQ(4, r.tm_wday);  // Thursday

    // 32 January 2012 is 1 February; 29 February 2012 exists, 29 February 2011 does not.
    r = CalendarRecord{};
    r.tm_year = 112;
    r.tm_mday = 32;
    int64_t t = MakeLocalTime(&r);
    EXPECT_EQ(1, r.tm_mon);
    EXPECT_EQ(1, r.tm_mday);
    EXPECT_EQ(31, r.tm_yday);
    CalendarRecord back = BreakLocalTime(t + 28 * 86400);
    EXPECT_EQ(1, back.tm_mon);
    EXPECT_EQ(29, back.tm_mday);
    back = BreakLocalTime(t - 365 * 86400 + 28 * 86400);
    EXPECT_EQ(2, back.tm_mon);
    EXPECT_EQ(1, back.tm_mday);

    r = CalendarRecord{};
    r.tm_year = 69;
    r.tm_mon = 11;
    r.tm_mday = 31;
    EXPECT_EQ(-1, MakeLocalTime(&r));
}

TEST(DateUtilsTest, WeekdaysLeapYearsAndMonthLengths) {
    EXPECT_EQ(5, GetDayOfWeek(L"2010-01-01"));
    EXPECT_EQ(0, GetDayOfWeek(L"2009-02-01"));
    EXPECT_EQ(1, GetDayOfWeek(L"2012-02-27"));
    EXPECT_EQ(3, GetDayOfWeek(L"2012-02-29"));
    EXPECT_EQ(4, GetWeekdayOfFirst(2009, 10));
    EXPECT_EQ(29, GetDaysInMonth(2000, 2));
    EXPECT_EQ(29, GetDaysInMonth(2012, 2));
    EXPECT_EQ(28, GetDaysInMonth(1900, 2));
    EXPECT_EQ(28, GetDaysInMonth(2100, 2));
    EXPECT_EQ(30, GetDaysInMonth(2010, 4));
    EXPECT_EQ(0, GetDaysInMonth(2010, 0));
    EXPECT_EQ(0, GetDaysInMonth(2010, 13));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
}

TEST(DateUtilsTest, MonthsOfFourAndFiveWeeks) {
    MonthWeeks feb = BuildMonthWeeks(2009, 2);  // 28 days, the 1st a Sunday
    EXPECT_EQ(4, feb.nWeeks);
    EXPECT_EQ((std::vector<int>{0, 8, 15, 22, 0, 0}), Starts(feb));
    EXPECT_EQ(2009, feb.endYear);
    EXPECT_EQ(2, feb.endMonth);
    for (int d = 1; d <= 28; ++d) EXPECT_EQ((d + 6) / 7, GetWeekOfMonth(2009, 2, d)) << d;

    MonthWeeks jan = BuildMonthWeeks(2010, 1);  // the 1st a Friday
    EXPECT_EQ(4, jan.nWeeks);
    EXPECT_EQ((std::vector<int>{3, 10, 17, 24, 0, 0}), Starts(jan));
    EXPECT_EQ(0, GetWeekOfMonth(2010, 1, 1));
    EXPECT_EQ(0, GetWeekOfMonth(2010, 1, 2));
    EXPECT_EQ(1, GetWeekOfMonth(2010, 1, 3));
    EXPECT_EQ(4, GetWeekOfMonth(2010, 1, 30));
    EXPECT_EQ(5, GetWeekOfMonth(2010, 1, 31));

    MonthWeeks oct = BuildMonthWeeks(2009, 10);  // the 1st a Thursday
    EXPECT_EQ(5, oct.nWeeks);
    EXPECT_EQ((std::vector<int>{0, 4, 11, 18, 25, 0}), Starts(oct));
    EXPECT_EQ(1, GetWeekOfMonth(2009, 10, 1));
    EXPECT_EQ(5, GetWeekOfMonth(2009, 10, 31));

    // March 2010: the days 28-31 belong to the week of 1 April.
    EXPECT_EQ(4, BuildMonthWeeks(2010, 3).nWeeks);
    EXPECT_EQ(4, GetWeekOfMonth(2010, 3, 27));
    for (int d = 28; d <= 31; ++d) EXPECT_EQ(5, GetWeekOfMonth(2010, 3, d)) << d;

    // February 2015: 28 days from a Sunday, exactly four weeks; February 2016 (leap, from a
    // Monday) also four, its last day in March's first week.
    EXPECT_EQ(4, BuildMonthWeeks(2015, 2).nWeeks);
    EXPECT_EQ(4, BuildMonthWeeks(2016, 2).nWeeks);
    EXPECT_EQ(5, GetWeekOfMonth(2016, 2, 28));
}

TEST(DateUtilsTest, EveryMonthHasFourOrFiveWeeksAndEveryDayOneWeek) {
    for (int y = 2008; y <= 2030; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const MonthWeeks w = BuildMonthWeeks(y, m);
            ASSERT_TRUE(w.nWeeks == 4 || w.nWeeks == 5) << y << "-" << m;
            // A day whose Thursday lies in the month gets weeks 1..nWeeks; otherwise 0 or nWeeks + 1.
            for (int d = 1; d <= GetDaysInMonth(y, m); ++d) {
                const int wday = GetDayOfWeek(Date(y, m, d).c_str());
                const int thursday = d - wday + 4;
                const int week = GetWeekOfMonth(y, m, d);
                if (thursday < 1)
                    EXPECT_EQ(0, week) << y << "-" << m << "-" << d;
                else if (thursday > GetDaysInMonth(y, m))
                    EXPECT_EQ(w.nWeeks + 1, week) << y << "-" << m << "-" << d;
                else
                    EXPECT_EQ((thursday - 1) / 7 + 1, week) << y << "-" << m << "-" << d;
            }
        }
    }
}

TEST(DateUtilsTest, FirstAndLastWeekStarts) {
    int y = 0, m = 0, d = 0;
    GetFirstWeekStart(2010, 3, &y, &m, &d);
    EXPECT_EQ(Date(2010, 2, 28), Date(y, m, d));
    GetFirstWeekStart(2009, 2, &y, &m, &d);
    EXPECT_EQ(Date(2009, 2, 1), Date(y, m, d));
    GetFirstWeekStart(2010, 1, &y, &m, &d);  // into the previous year
    EXPECT_EQ(Date(2009, 12, 27), Date(y, m, d));
    GetLastWeekStart(2010, 3, &y, &m, &d);
    EXPECT_EQ(Date(2010, 3, 28), Date(y, m, d));
    GetLastWeekStart(2009, 10, &y, &m, &d);
    EXPECT_EQ(Date(2009, 10, 25), Date(y, m, d));
    GetLastWeekStart(2012, 2, &y, &m, &d);  // 29 February 2012 is a Wednesday
    EXPECT_EQ(Date(2012, 2, 26), Date(y, m, d));
}

TEST(DateUtilsTest, WeekDayLabelsRunIntoTheNextMonthAndYear) {
    wchar_t labels[7][12];
    GetWeekDayLabels(L"2010-01-01", 27, labels);
    const wchar_t* expected[7] = {L"01-27", L"01-28", L"01-29", L"01-30", L"01-31", L"02-01", L"02-02"};
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(expected[i], labels[i]) << i;

    GetWeekDayLabels(L"2012-02-01", 26, labels);
    EXPECT_STREQ(L"02-26", labels[0]);
    EXPECT_STREQ(L"02-29", labels[3]);
    EXPECT_STREQ(L"03-03", labels[6]);

    // Day a = -4 counts back from the base: the Sunday of week 1 of January 2010.
    GetWeekDayLabels(L"2010-01-01", -4, labels);
    EXPECT_STREQ(L"12-27", labels[0]);
    EXPECT_STREQ(L"01-02", labels[6]);
}

TEST(DateUtilsTest, CompareDatesAndWeekOfYear) {
    EXPECT_EQ(1, CompareDates(L"2010-03-05", L"2010-03-05", false));
    EXPECT_EQ(0, CompareDates(L"2010-03-04", L"2010-03-05", false));
    EXPECT_EQ(1, CompareDates(L"2011-01-01", L"2010-12-31", false));
    EXPECT_EQ(1, CompareDates(L"2010-03-01", L"2010-03-31", true));
    EXPECT_EQ(0, CompareDates(L"2010-02-28", L"2010-03-01", true));

    EXPECT_EQ(0, GetWeekOfYear(L"2010-01-02"));  // before the first Sunday
    EXPECT_EQ(1, GetWeekOfYear(L"2010-01-03"));
    EXPECT_EQ(1, GetWeekOfYear(L"2012-01-01"));  // a Sunday
    EXPECT_EQ(52, GetWeekOfYear(L"2010-12-31"));
    EXPECT_EQ(53, GetWeekOfYear(L"2012-12-31"));
}

TEST(DateUtilsTest, ShortOrMalformedDateTextsAreReadSafely) {
    int y = -1, m = -1, d = -1;
    ParseDateText(L"2010-03", &y, &m, &d);
    EXPECT_EQ(2010, y);
    EXPECT_EQ(3, m);
    EXPECT_EQ(0, d);
    ParseDateText(nullptr, &y, &m, &d);
    EXPECT_EQ(0, y);
    ParseDateText(L"20x0-1a-0", &y, &m, &d);
    EXPECT_EQ(20, y);
    EXPECT_EQ(1, m);
    EXPECT_EQ(0, d);
}

TEST(DateUtilsTest, LabelTexts) {
    EXPECT_STREQ(L"Jan", GetMonthAbbrev(1));
    EXPECT_STREQ(L"Dec", GetMonthAbbrev(12));
    EXPECT_STREQ(L"", GetMonthAbbrev(0));
    EXPECT_STREQ(L"", GetMonthAbbrev(13));
    EXPECT_STREQ(L"st", GetOrdinalSuffix(1));
    EXPECT_STREQ(L"nd", GetOrdinalSuffix(2));
    EXPECT_STREQ(L"rd", GetOrdinalSuffix(3));
    EXPECT_STREQ(L"th", GetOrdinalSuffix(4));
    EXPECT_STREQ(L"st", GetOrdinalSuffix(21));
    EXPECT_STREQ(L"th", GetOrdinalSuffix(22));
}

}  // namespace
