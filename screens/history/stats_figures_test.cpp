#include "screens/history/stats_figures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/history/stats_test_util.h"

namespace {

struct DaySteps {
    const char* date;
    int64_t steps;
};

// A history of whole days (kcal and distance follow the steps: 0.04 kcal and 0.7 m a step).
std::vector<StatsDay> History(const std::vector<DaySteps>& list) {
    std::vector<StatsDay> days;
    for (const DaySteps& d : list) days.push_back({Day(d.date), d.steps, d.steps * 0.04, d.steps * 0.7});
    return days;
}

StatsPage Page(StatsPeriodKind kind, int32_t year, int32_t month, int32_t day) {
    StatsPage page{};
    page.nKind = kind;
    page.nYear = year;
    page.nMonth = month;
    page.nDay = day;
    return page;
}

}  // namespace

TEST(StatsDatesTest, DayNumbersAndDateTexts) {
    EXPECT_EQ(StatsDayNumber(1970, 1, 1), 0);
    EXPECT_EQ(StatsDayNumber(1969, 12, 31), -1);
    EXPECT_EQ(StatsDayNumber(2000, 3, 1) - StatsDayNumber(2000, 2, 28), 2);  // 2000 is leap
    EXPECT_EQ(StatsDayNumber(2100, 3, 1) - StatsDayNumber(2100, 2, 28), 1);  // 2100 is not
    // Every day of four centuries there and back, each the day after the one before.
    int32_t previous = StatsDayNumber(1899, 12, 31);
    for (int32_t n = previous + 1; n < StatsDayNumber(2300, 1, 1); ++n) {
        int32_t y = 0, m = 0, d = 0;
        StatsDateOf(n, &y, &m, &d);
        ASSERT_EQ(StatsDayNumber(y, m, d), n);
        ASSERT_EQ(n, previous + 1);
        previous = n;
    }
    int32_t day = 0;
    for (const char* bad : {"2026-02-29", "2026-13-01", "2026-00-10", "2026-1-01", "2026-01-011", "20260101",
                            "", "0000-01-01", "2026/01/01"})
        EXPECT_FALSE(StatsParseDate(bad, &day)) << bad;
    EXPECT_FALSE(StatsParseDate(nullptr, &day));
    EXPECT_TRUE(StatsParseDate("2028-02-29", &day));
}

TEST(StatsFiguresTest, EmptyHistoryAndAPageInTheFuture) {
    const int32_t today = Day("2026-12-09");
    const StatsFigures empty = ComputeStatsFigures({}, Page(STATS_WEEK, 2026, 12, 6), today, 8000);
    EXPECT_EQ(empty.nSteps, 0);
    EXPECT_EQ(empty.nDaysElapsed, 4);
    EXPECT_EQ(empty.nDaysWalked, 0);
    EXPECT_EQ(empty.nAverage, 0);
    EXPECT_EQ(empty.nBestDay, kNoDay);
    EXPECT_FALSE(empty.bHasChange);
    EXPECT_EQ(empty.nRecordDay, kNoDay);
    EXPECT_EQ(empty.nFirstDay, kNoDay);
    EXPECT_EQ(empty.nCurrentStreak, 0);
    EXPECT_EQ(empty.nLongestStreak, 0);

    // Next year's page: nothing of the period, all time as usual; a row dated after today (a clock
    // that was set back) counts nowhere.
    const auto days = History({{"2026-12-08", 5000}, {"2027-01-05", 9000}});
    const StatsFigures future = ComputeStatsFigures(days, Page(STATS_YEAR, 2027, 1, 1), today, 0);
    EXPECT_EQ(future.nDaysElapsed, 0);
    EXPECT_EQ(future.nSteps, 0);
    EXPECT_EQ(future.nBestDay, kNoDay);
    EXPECT_FALSE(future.bHasChange);
    EXPECT_EQ(future.nTotalSteps, 5000);
    EXPECT_EQ(future.nRecordSteps, 5000);
    EXPECT_EQ(future.nRecordDay, Day("2026-12-08"));
    EXPECT_EQ(future.nFirstDay, Day("2026-12-08"));
    EXPECT_EQ(future.nCurrentStreak, 1);  // yesterday walked, today not yet
}

TEST(StatsFiguresTest, AWeekOnItsWednesdayAgainstTheSameDaysBefore) {
    // Week of Sunday 2026-12-06; today is Wednesday the 9th. The week before counts over its first
    // four days only (Sunday to Wednesday), not its Thursday.
    const auto days = History({{"2026-11-29", 1000},
                               {"2026-12-01", 3000},
                               {"2026-12-03", 50000},
                               {"2026-12-06", 2000},
                               {"2026-12-08", 4500},
                               {"2026-12-09", 500},
                               {"2026-12-11", 7000}});
    const StatsFigures f = ComputeStatsFigures(days, Page(STATS_WEEK, 2026, 12, 6), Day("2026-12-09"), 0);
    EXPECT_EQ(f.nDaysElapsed, 4);
    EXPECT_EQ(f.nSteps, 7000);
    EXPECT_DOUBLE_EQ(f.dDistance, 7000 * 0.7);
    EXPECT_EQ(f.nAverage, 1750);
    EXPECT_EQ(f.nDaysWalked, 3);
    EXPECT_EQ(f.nBestDay, Day("2026-12-08"));
    EXPECT_EQ(f.nBestSteps, 4500);
    ASSERT_TRUE(f.bHasChange);
    EXPECT_EQ(f.nChangePercent, 75);  // 7000 against 4000
    // The future row is left out of all time too.
    EXPECT_EQ(f.nTotalSteps, 61000);
    EXPECT_EQ(f.nRecordSteps, 50000);

    // A previous week with nothing: no change to give.
    const auto alone = History({{"2026-12-08", 4500}});
    EXPECT_FALSE(ComputeStatsFigures(alone, Page(STATS_WEEK, 2026, 12, 6), Day("2026-12-09"), 0).bHasChange);
}

TEST(StatsFiguresTest, AMonthOnItsFourteenthAndALeapYear) {
    // March on the 14th against February's first 14 days; the change rounds half away from zero.
    const auto days = History({{"2028-02-01", 3000},
                               {"2028-02-14", 5000},
                               {"2028-02-15", 90000},
                               {"2028-03-01", 1000},
                               {"2028-03-14", 1000}});
    const StatsFigures month = ComputeStatsFigures(days, Page(STATS_MONTH, 2028, 3, 1), Day("2028-03-14"), 0);
    EXPECT_EQ(month.nDaysElapsed, 14);
    EXPECT_EQ(month.nSteps, 2000);
    EXPECT_EQ(month.nAverage, 143);  // 2000 / 14 = 142.86
    ASSERT_TRUE(month.bHasChange);
    EXPECT_EQ(month.nChangePercent, -75);

    // 2028 on March 1st: 61 days (29 in February); 2027 over its first 61 days, to March 2nd.
    const auto years = History({{"2027-01-01", 100},
                                {"2027-03-02", 100},
                                {"2027-03-03", 100000},
                                {"2028-01-01", 250},
                                {"2028-02-29", 50}});
    const StatsFigures year = ComputeStatsFigures(years, Page(STATS_YEAR, 2028, 1, 1), Day("2028-03-01"), 0);
    EXPECT_EQ(year.nDaysElapsed, 61);
    EXPECT_EQ(year.nDaysWalked, 2);
    ASSERT_TRUE(year.bHasChange);
    EXPECT_EQ(year.nChangePercent, 50);

    // A finished month is held against the whole previous one, however long.
    const StatsFigures february =
        ComputeStatsFigures(days, Page(STATS_MONTH, 2028, 2, 1), Day("2028-03-14"), 0);
    EXPECT_EQ(february.nDaysElapsed, 29);
    EXPECT_EQ(february.nSteps, 98000);
    EXPECT_FALSE(february.bHasChange);
}

TEST(StatsFiguresTest, GoalStreaksAcrossMonthAndYearEnds) {
    // At the goal: Dec 30 - Jan 2 (4 days, over the year's end), then Jan 4 - Feb 2 with Jan 31 ->
    // Feb 1 over a month's end... broken by a missing Jan 20.
    std::vector<DaySteps> list = {{"2026-12-29", 7999}, {"2026-12-30", 8000},  {"2026-12-31", 9000},
                                  {"2027-01-01", 8000}, {"2027-01-02", 12000}, {"2027-01-03", 100}};
    std::vector<std::string> dates;
    for (int d = 4; d <= 31; ++d)
        if (d != 20) dates.push_back("2027-01-" + std::string(d < 10 ? "0" : "") + std::to_string(d));
    dates.push_back("2027-02-01");
    dates.push_back("2027-02-02");
    for (const std::string& date : dates) list.push_back({date.c_str(), 8500});
    const auto days = History(list);  // the dates are read before `dates` goes

    // Today Feb 2 at the goal: the current streak is Jan 21 - Feb 2 (13 days); the longest is
    // Jan 4 - Jan 19 (16 days).
    const StatsPage page = Page(STATS_MONTH, 2027, 2, 1);
    StatsFigures f = ComputeStatsFigures(days, page, Day("2027-02-02"), 8000);
    EXPECT_EQ(f.nCurrentStreak, 13);
    EXPECT_EQ(f.nCurrentFirst, Day("2027-01-21"));
    EXPECT_EQ(f.nLongestStreak, 16);
    EXPECT_EQ(f.nLongestFirst, Day("2027-01-04"));
    EXPECT_EQ(f.nLongestLast, Day("2027-01-19"));
    EXPECT_EQ(f.nGoalDays, 2);

    // Today (Feb 3) still below the goal: the streak up to yesterday stands.
    auto withToday = days;
    withToday.push_back({Day("2027-02-03"), 3000, 0, 0});
    f = ComputeStatsFigures(withToday, page, Day("2027-02-03"), 8000);
    EXPECT_EQ(f.nCurrentStreak, 13);
    // The day after, the unfinished day is over: the streak is broken.
    f = ComputeStatsFigures(withToday, page, Day("2027-02-04"), 8000);
    EXPECT_EQ(f.nCurrentStreak, 0);
    EXPECT_EQ(f.nLongestStreak, 16);

    // Without a goal, walked days make the streaks: Dec 29 - Jan 19 (22 days).
    f = ComputeStatsFigures(days, page, Day("2027-02-02"), 0);
    EXPECT_EQ(f.nLongestStreak, 22);
    EXPECT_EQ(f.nLongestFirst, Day("2026-12-29"));
    EXPECT_EQ(f.nCurrentStreak, 13);
    EXPECT_EQ(f.nGoalDays, 0);

    // The 4-day run over the year's end, seen from Jan 2 (today at the goal counts).
    f = ComputeStatsFigures(days, Page(STATS_WEEK, 2026, 12, 27), Day("2027-01-02"), 8000);
    EXPECT_EQ(f.nCurrentStreak, 4);
    EXPECT_EQ(f.nCurrentFirst, Day("2026-12-30"));
}
