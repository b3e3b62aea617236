#include "screens/history/stats_rows.h"

#include <gtest/gtest.h>

#include "screens/history/stats_test_util.h"

TEST(StatsRowsTest, NumbersDistancesDatesAndChanges) {
    EXPECT_EQ(StatsGrouped(0), L"0");
    EXPECT_EQ(StatsGrouped(999), L"999");
    EXPECT_EQ(StatsGrouped(1000), L"1,000");
    EXPECT_EQ(StatsGrouped(-1234567), L"-1,234,567");
    EXPECT_EQ(StatsGrouped(INT64_MIN), L"-9,223,372,036,854,775,808");
    EXPECT_EQ(StatsKilometres(0), L"0.0 km");
    EXPECT_EQ(StatsKilometres(49.9), L"0.0 km");
    EXPECT_EQ(StatsKilometres(50), L"0.1 km");
    EXPECT_EQ(StatsKilometres(1234567.0), L"1,234.6 km");
    EXPECT_EQ(StatsDate(Day("2026-12-08"), true), L"Dec 8, 2026");
    EXPECT_EQ(StatsDate(Day("2026-12-08"), false), L"2026년 12월 8일");
    StatsFigures f;
    EXPECT_EQ(StatsChange(f), L"\u2014");
    f.bHasChange = true;
    EXPECT_EQ(StatsChange(f), L"0 %");
    f.nChangePercent = 12;
    EXPECT_EQ(StatsChange(f), L"+12 %");
    f.nChangePercent = -8;
    EXPECT_EQ(StatsChange(f), L"\u22128 %");
}

TEST(StatsRowsTest, RowsWithAndWithoutGoalAndHours) {
    StatsFigures f;
    f.nSteps = 12345;
    f.dKCal = 456.5;
    f.dDistance = 8640;
    f.nDaysElapsed = 7;
    f.nDaysWalked = 5;
    f.nAverage = 1764;
    f.nBestDay = Day("2026-12-03");
    f.nBestSteps = 5000;
    f.nGoalDays = 1;
    f.nRecordDay = Day("2025-06-01");
    f.nRecordSteps = 30000;
    f.nTotalSteps = 1234567;
    f.dTotalDistance = 864000;
    f.nFirstDay = Day("2024-01-02");
    f.nCurrentStreak = 1;
    f.nCurrentFirst = Day("2026-12-08");
    f.nLongestStreak = 3;
    f.nLongestFirst = Day("2026-11-30");
    f.nLongestLast = Day("2026-12-02");
    StatsRowInput input;
    input.pszTitle = L"Dec 2nd";
    input.bEnglish = true;
    std::vector<StatsRow> rows = BuildStatsRows(f, input);
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_TRUE(rows[0].bHeading);
    EXPECT_EQ(rows[0].sLabel, L"Dec 2nd");
    EXPECT_EQ(rows[1].sValue, L"12,345");
    EXPECT_EQ(rows[2].sValue, L"8.6 km");
    EXPECT_EQ(rows[3].sValue, L"457 kcal");
    EXPECT_EQ(rows[5].sValue, L"5 / 7");
    EXPECT_EQ(rows[6].sDetail, L"Dec 3, 2026");
    EXPECT_EQ(rows[7].sValue, L"\u2014");
    EXPECT_TRUE(rows[8].bHeading);
    EXPECT_EQ(rows[9].sDetail, L"Jun 1, 2025");
    EXPECT_EQ(rows[11].sValue, L"864.0 km");
    EXPECT_EQ(rows[13].sLabel, L"Current walking streak");
    EXPECT_EQ(rows[13].sValue, L"1 day");
    EXPECT_EQ(rows[13].sDetail, L"Dec 8, 2026");
    EXPECT_EQ(rows[14].sDetail, L"Nov 30, 2026 \u2013 Dec 2, 2026");

    // A goal adds its days and names the streaks after it; kept hours add the busiest one.
    input.nGoal = 8000;
    input.bHasHours = true;
    input.nBusiestHour = 7;
    input.bEnglish = false;
    rows = BuildStatsRows(f, input);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[8].sLabel, L"목표 달성일");
    EXPECT_EQ(rows[8].sValue, L"1 / 7");
    EXPECT_EQ(rows[9].sValue, L"07:00\u201308:00");
    EXPECT_EQ(rows[15].sLabel, L"현재 목표 연속 달성");
    EXPECT_EQ(rows[15].sValue, L"1일");

    // Nothing stored: zeros, and a dash where there is no day to name.
    input.nBusiestHour = -1;
    rows = BuildStatsRows(StatsFigures{}, input);
    EXPECT_EQ(rows[6].sValue, L"\u2014");
    EXPECT_EQ(rows[6].sDetail, L"");
    EXPECT_EQ(rows[9].sValue, L"\u2014");
    EXPECT_EQ(rows[11].sValue, L"\u2014");
    EXPECT_EQ(rows[14].sValue, L"\u2014");
    EXPECT_EQ(rows[15].sValue, L"0일");
    EXPECT_EQ(rows[15].sDetail, L"");
}
