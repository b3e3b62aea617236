#include "screens/history/stats_queries.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "screens/history/stats_test_util.h"
#include "store/schema.h"

namespace {

class StatsQueriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &m_pDb));
        Exec(StoreSchemaScript());
        m_Query.SetDbHandle(m_pDb);
    }
    void TearDown() override { sqlite3_close(m_pDb); }

    void Exec(const std::string& sql) {
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(m_pDb, sql.c_str(), nullptr, nullptr, nullptr)) << sql;
    }
    void AddRow(const std::string& date, const std::string& steps, double kcal, double distance) {
        Exec("insert into pedometer (curdate, curtime, steps, kcal, distance) values (" + date +
             ", '10:00:00', " + steps + ", " + std::to_string(kcal) + ", " + std::to_string(distance) + ");");
    }

    sqlite3* m_pDb = nullptr;
    CStatsQueries m_Query;
};

}  // namespace

TEST_F(StatsQueriesTest, EveryDayIsTheSumOfItsRowsUpToToday) {
    // A Reset leaves several rows a day; rows without a real date and rows after today stay out.
    AddRow("'2026-12-01'", "1200", 50.5, 800.25);
    AddRow("'2026-12-01'", "300", 10.25, 200.5);
    AddRow("'2026-11-30'", "7", 0.5, 5);
    AddRow("'2026-12-09'", "10", 1, 7);
    AddRow("'2026-12-10'", "999", 1, 1);
    AddRow("'2026-02-30'", "5", 1, 1);
    AddRow("NULL", "5", 1, 1);
    AddRow("'garbage'", "5", 1, 1);
    AddRow("'2026-12-02'", "NULL", 0, 0);
    std::vector<StatsDay> days;
    ASSERT_TRUE(m_Query.LoadDays(Day("2026-12-09"), &days));
    ASSERT_EQ(days.size(), 4u);
    EXPECT_EQ(days[0].nDay, Day("2026-11-30"));
    EXPECT_EQ(days[1].nDay, Day("2026-12-01"));
    EXPECT_EQ(days[1].nSteps, 1500);
    EXPECT_DOUBLE_EQ(days[1].dKCal, 60.75);
    EXPECT_DOUBLE_EQ(days[1].dDistance, 1000.75);
    EXPECT_EQ(days[2].nSteps, 0);  // a row without steps is a day with none
    EXPECT_EQ(days[3].nDay, Day("2026-12-09"));

    // Sums beyond 64 bits saturate instead of failing the read.
    AddRow("'2026-12-05'", "9223372036854775807", 0, 0);
    AddRow("'2026-12-05'", "9223372036854775807", 0, 0);
    ASSERT_TRUE(m_Query.LoadDays(Day("2026-12-09"), &days));
    EXPECT_EQ(days[3].nSteps, INT64_MAX);
}

TEST_F(StatsQueriesTest, BusiestHourOnlyWhereHoursAreKept) {
    EXPECT_FALSE(m_Query.HasHours());
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-01"), Day("2026-12-07")}), -1);
    Exec(
        "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER "
        "DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, PRIMARY KEY (curdate, hour))");
    EXPECT_TRUE(m_Query.HasHours());
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-01"), Day("2026-12-07")}), -1);
    Exec(
        "insert into hourly values ('2026-12-01', 8, 500, 0, 0), ('2026-12-02', 8, 600, 0, 0), "
        "('2026-12-03', 18, 1000, 0, 0), ('2026-12-08', 6, 99999, 0, 0), ('2026-11-30', 6, 99999, 0, 0), "
        "('2026-12-04', 7, 0, 0, 0)");
    // Summed over the period's days; the other days' hours do not count.
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-01"), Day("2026-12-07")}), 8);
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-03"), Day("2026-12-03")}), 18);
    // A tie goes to the earlier hour.
    Exec("insert into hourly values ('2026-12-05', 18, 100, 0, 0)");
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-01"), Day("2026-12-07")}), 8);
    EXPECT_EQ(m_Query.BusiestHour({Day("2026-12-04"), Day("2026-12-04")}), -1);
}

TEST_F(StatsQueriesTest, NoDatabaseReadsNothing) {
    CStatsQueries none;
    std::vector<StatsDay> days{{1, 2, 3, 4}};
    EXPECT_FALSE(none.LoadDays(Day("2026-12-09"), &days));
    EXPECT_TRUE(days.empty());
    EXPECT_FALSE(none.HasHours());
    EXPECT_EQ(CStatsQueries::DateText(Day("2028-02-29")), "2028-02-29");
}
