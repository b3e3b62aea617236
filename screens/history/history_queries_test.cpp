#include "screens/history/history_queries.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace {

class HistoryQueriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_Folder.empty());
        ASSERT_EQ(SQLITE_OK, sqlite3_open((m_Folder + "/Movimetra.db").c_str(), &m_pDb));
        Exec(StoreSchemaScript().c_str());
        m_Data.SetDbHandle(m_pDb);
    }

    void TearDown() override {
        if (m_pDb) sqlite3_close(m_pDb);
    }

    void Exec(const std::string& sql) {
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_pDb, sql.c_str(), nullptr, nullptr, nullptr)) << sql;
    }

    void AddRow(const char* date, int steps, double kcal, double distance) {
        char sql[256];
        snprintf(
            sql, sizeof sql,
            "insert into pedometer (curdate, curtime, steps, kcal, distance) values ('%s', '10:00:00', %d, "
            "%.2f, %.2f);",
            date, steps, kcal, distance);
        Exec(sql);
    }

    // The month page as the history view prepares it: week 1's Sunday filled in.
    void PrepareMonth(int year, int month) {
        m_Data.m_MonthWeeks = BuildMonthWeeks(year, month);
        if (m_Data.m_MonthWeeks.weekStart[0] == 0) {
            int y = 0, m = 0, d = 0;
            GetFirstWeekStart(year, month, &y, &m, &d);
            m_Data.m_MonthWeeks.year = y;
            m_Data.m_MonthWeeks.month = m;
            m_Data.m_MonthWeeks.weekStart[0] = d;
        }
    }

    void ExpectEntry(int i, const wchar_t* date, const wchar_t* steps, const wchar_t* kcal,
                     const wchar_t* distance) {
        EXPECT_STREQ(date, m_Data.m_LogInfo[i].szDate) << i;
        EXPECT_STREQ(steps, m_Data.m_LogInfo[i].szSteps) << i;
        EXPECT_STREQ(kcal, m_Data.m_LogInfo[i].szCalorie) << i;
        EXPECT_STREQ(distance, m_Data.m_LogInfo[i].szDistance) << i;
    }

    void ExpectStatistics(int maxSteps, int sumSteps, double maxKCal, double sumKCal, double maxDistance,
                          double sumDistance) {
        EXPECT_EQ(maxSteps, m_Data.m_nMaxSteps);
        EXPECT_EQ(sumSteps, m_Data.m_nSumSteps);
        EXPECT_DOUBLE_EQ(maxKCal, m_Data.m_dMaxKCal);
        EXPECT_DOUBLE_EQ(sumKCal, m_Data.m_dSumKCal);
        EXPECT_DOUBLE_EQ(maxDistance, m_Data.m_dMaxDistance);
        EXPECT_DOUBLE_EQ(sumDistance, m_Data.m_dSumDistance);
    }

    const CTempDir m_Temp{"mv_history_"};
    const std::string m_Folder = m_Temp.Path();
    sqlite3* m_pDb = nullptr;
    CHistoryQueries m_Data;
};

TEST_F(HistoryQueriesTest, WeekPageGivesOneEntryPerRecordedDayWithDailySums) {
    // The week of Sunday 2010-01-24 to Saturday 2010-01-30, days 24 ... 30 from the 1st.
    AddRow("2010-01-28", 300, 2.5, 150.0);  // Thursday, inserted first
    AddRow("2010-01-25", 100, 1.25, 80.5);  // Monday: two rows (a reset in between)
    AddRow("2010-01-25", 50, 2.5, 19.5);
    AddRow("2010-01-23", 999, 9, 9);  // Saturday before: outside the week
    AddRow("2010-01-31", 999, 9, 9);  // Sunday after: outside the week
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryWeekDays(L"2010-01-01", 24, 30));
    ExpectEntry(0, L"01-25", L"150", L"375.0", L"10000.0");
    ExpectEntry(1, L"01-28", L"300", L"250.0", L"15000.0");
    ExpectEntry(2, L"", L"", L"", L"");
    ExpectStatistics(300, 450, 375, 625, 15000, 25000);
}

TEST_F(HistoryQueriesTest, WeekPageRunsIntoTheNextMonth) {
    AddRow("2010-01-31", 10, 0.1, 1);
    AddRow("2010-02-02", 20, 0.2, 2);
    AddRow("2010-02-03", 30, 0.3, 3);  // day 34: after the week
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryWeekDays(L"2010-01-01", 27, 33));
    ExpectEntry(0, L"01-31", L"10", L"10.0", L"100.0");
    ExpectEntry(1, L"02-02", L"20", L"20.0", L"200.0");
    ExpectEntry(2, L"", L"", L"", L"");
}

TEST_F(HistoryQueriesTest, EmptyPeriodsAndFailuresLeaveTheClearedData) {
    AddRow("2010-05-03", 100, 1, 1);
    m_Data.ClearLogData();
    EXPECT_EQ(0, m_Data.QueryWeekDays(L"2010-01-01", 24, 30));
    EXPECT_EQ(0, m_Data.QueryYearMonths(L"2009"));
    PrepareMonth(2010, 1);
    EXPECT_EQ(0, m_Data.QueryMonthWeeks(L"2010-01"));
    ExpectEntry(0, L"", L"", L"", L"");
    ExpectStatistics(0, 0, 0, 0, 0, 0);

    // A missing table fails to prepare; a quote in a text stays inside its literal.
    EXPECT_EQ(0, m_Data.QueryYearMonths(L"2010' or '1'='1"));
    Exec("drop table pedometer;");
    EXPECT_EQ(0, m_Data.QueryYearMonths(L"2010"));
    CHistoryQueries unattached;
    EXPECT_EQ(0, unattached.QueryWeekDays(L"2010-01-01", 1, 7));
}

TEST_F(HistoryQueriesTest, YearPageGivesMonthNumbersWithoutLeadingZero) {
    AddRow("2010-03-02", 100, 1.25, 10);
    AddRow("2010-03-30", 200, 2.5, 20);
    AddRow("2010-05-15", 50, 0.5, 5);
    AddRow("2011-03-01", 999, 9, 9);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryYearMonths(L"2010"));
    ExpectEntry(0, L"3", L"300", L"375.0", L"3000.0");
    ExpectEntry(1, L"5", L"50", L"50.0", L"500.0");
    ExpectEntry(2, L"", L"", L"", L"");
    ExpectStatistics(300, 350, 375, 425, 3000, 3500);
}

TEST_F(HistoryQueriesTest, MonthPageWithOneRecordedDayKeepsItsTexts) {
    AddRow("2009-10-14", 1234, 1.25, 7.5);  // week 3 of October 2009
    PrepareMonth(2009, 10);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryMonthWeeks(L"2009-10"));
    ExpectEntry(0, L"3", L"1234", L"125.0", L"750.0");
    ExpectEntry(1, L"", L"", L"", L"");
    ExpectStatistics(1234, 1234, 125, 125, 750, 750);
}

TEST_F(HistoryQueriesTest, MonthPageSumsTheDaysOfEachWeek) {
    // October 2009: weeks from 27 September, 4, 11, 18 and 25 October (the last ends 31 October).
    AddRow("2009-09-26", 999, 9, 9);   // before week 1
    AddRow("2009-09-27", 5, 0.05, 1);  // week 1's Sunday, in September
    AddRow("2009-10-01", 10, 0.1, 2);
    AddRow("2009-10-05", 100, 1.25, 10);  // three days of week 2
    AddRow("2009-10-06", 200, 2.5, 20);
    AddRow("2009-10-06", 1, 0.01, 0);
    AddRow("2009-10-10", 300, 0, 30);
    AddRow("2009-10-31", 7, 0.07, 3);  // week 5
    AddRow("2009-11-01", 999, 9, 9);   // November's first week
    PrepareMonth(2009, 10);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryMonthWeeks(L"2009-10"));
    ExpectEntry(0, L"1", L"15", L"15.00", L"300.00");
    ExpectEntry(1, L"2", L"601", L"376.00", L"6000.00");
    ExpectEntry(2, L"5", L"7", L"7.00", L"300.00");
    ExpectEntry(3, L"", L"", L"", L"");
    ExpectStatistics(601, 623, 376, 398, 6000, 6600);
}

TEST_F(HistoryQueriesTest, MonthPageCoversTheDaysOfTheNextMonthInItsLastWeek) {
    // January 2010 (from a Friday): weeks 3, 10, 17 and 24 January; 1-2 January belong to
    // December 2009, whose week 5 runs from 27 December to 2 January.
    AddRow("2009-12-27", 1, 0.01, 1);
    AddRow("2009-12-31", 2, 0.02, 1);
    AddRow("2010-01-01", 4, 0.04, 1);
    AddRow("2010-01-02", 8, 0.08, 1);
    AddRow("2010-01-03", 1000, 0, 0);  // week 1 of January
    PrepareMonth(2009, 12);
    ASSERT_EQ(5, m_Data.m_MonthWeeks.nWeeks);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryMonthWeeks(L"2009-12"));
    ExpectEntry(0, L"5", L"15", L"15.00", L"400.00");
    ExpectEntry(1, L"", L"", L"", L"");

    PrepareMonth(2010, 1);
    EXPECT_EQ(3, m_Data.m_MonthWeeks.weekStart[0]);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryMonthWeeks(L"2010-01"));
    ExpectEntry(0, L"1", L"1000", L"0.0", L"0.0");
}

TEST_F(HistoryQueriesTest, MonthPageWithoutTheFilledInSundayStillCoversWeekOne) {
    AddRow("2010-02-28", 5, 0, 0);  // Sunday of week 1 of March 2010
    AddRow("2010-03-02", 6, 0, 0);
    m_Data.m_MonthWeeks = BuildMonthWeeks(2010, 3);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryMonthWeeks(L"2010-03"));
    ExpectEntry(0, L"1", L"11", L"0.00", L"0.00");

    m_Data.m_MonthWeeks = MonthWeeks{};  // no weeks at all
    EXPECT_EQ(0, m_Data.QueryMonthWeeks(L"2010-03"));
}

TEST_F(HistoryQueriesTest, WeekLabelsAndClearing) {
    m_Data.m_MonthWeeks = BuildMonthWeeks(2009, 10);
    m_Data.SetWeekLabels();
    EXPECT_EQ(5, m_Data.nDiff);
    EXPECT_STREQ(L"1", m_Data.m_szWeekLabels[0]);
    EXPECT_STREQ(L"5", m_Data.m_szWeekLabels[4]);
    EXPECT_STREQ(L"", m_Data.m_szWeekLabels[5]);

    AddRow("2010-03-02", 100, 1, 1);
    EXPECT_EQ(1, m_Data.QueryYearMonths(L"2010"));
    m_Data.ClearLogData();
    ExpectEntry(0, L"", L"", L"", L"");
    EXPECT_STREQ(L"", m_Data.m_szWeekLabels[0]);
    EXPECT_EQ(5, m_Data.nDiff);  // kept until the labels are set again
    ExpectStatistics(0, 0, 0, 0, 0, 0);
}

TEST_F(HistoryQueriesTest, HugeTotalsSaturateInsteadOfOverflowing) {
    AddRow("2010-03-02", 2000000000, 0, 0);
    AddRow("2010-04-02", 2000000000, 0, 0);
    m_Data.ClearLogData();
    EXPECT_EQ(1, m_Data.QueryYearMonths(L"2010"));
    EXPECT_EQ(2000000000, m_Data.m_nMaxSteps);
    EXPECT_EQ(INT32_MAX, m_Data.m_nSumSteps);
}

}  // namespace
