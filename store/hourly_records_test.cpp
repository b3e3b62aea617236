// Steps by the hour: each save adds the day's row's gain to the hour the counting belongs to, in
// the same transaction, so that the hours of a day add up to all of its rows (across an hour, across
// midnight, after a Reset, with the clock stepped, after a failed or killed save); Delete all
// empties both; the table keeps older files as they were until a save needs it.
#include "store/hourly_records.h"

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "store/daily_records.h"
#include "store/schema.h"
#include "testing/fault_vfs_test_util.h"
#include "testing/store_test_util.h"

namespace {

using store_test::Narrow;
using store_test::StoreTest;
using store_test::TodayText;
using Rows = std::vector<std::vector<std::string>>;

class HourlyRecordsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        CreateSchema();
        m_Day = Narrow(TodayText());
    }

    // The workout's totals on top of the stored sums, counted in `hour` of `day` (yyyymmdd).
    static EngineCounters Walked(int day, int hour, int sumSteps, double sumKcal, int steps, double kcal) {
        EngineCounters c{};
        c.nRunState = 2;
        c.nDay = day;
        c.nHour = hour;
        c.sumStep = sumSteps;
        c.sumKCal = sumKcal;
        c.sumDistance = sumKcal * 10;
        c.iStepCount = steps;
        c.dCalories = kcal;
        c.dTotalDistance = kcal * 10;
        return c;
    }
    int Save(const EngineCounters& c) {
        wchar_t duration[16] = L"";
        return m_Records.SaveTodayRow(m_Runner, c, duration, 16);
    }
    Rows Hours(const std::string& day) {
        return Query("SELECT hour, steps, kcal, distance FROM hourly WHERE curdate = '" + day +
                     "' ORDER BY hour;");
    }
    // The day's rows summed as the history shows them, beside its hours summed.
    void ExpectHoursAddUp(const std::string& day) {
        const Rows days = Query(
            "SELECT sum(steps), round(sum(kcal), 2), round(sum(distance), 2) FROM pedometer "
            "WHERE curdate = '" +
            day + "';");
        const Rows hours = Query(
            "SELECT sum(steps), round(sum(kcal), 2), round(sum(distance), 2) FROM hourly "
            "WHERE curdate = '" +
            day + "';");
        EXPECT_EQ(days, hours) << day;
    }
    std::string Path() const { return m_Folder + "/Movimetra.db"; }
    void Reopen() {
        if (m_pDb) sqlite3_close_v2(m_pDb);
        ASSERT_EQ(SQLITE_OK, sqlite3_open_v2(Path().c_str(), &m_pDb,
                                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr));
        m_Runner.SetHandle(m_pDb);
    }
    void InsertRow(const std::string& day) {
        Exec("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + day +
             "', '00:00:00', 0, 0.0, 0.0);");
    }

    CDailyRecords m_Records;
    std::string m_Day;
};

TEST_F(HourlyRecordsTest, AWalkAcrossAnHourAMidnightAndAResetAddsUpHourByHour) {
    const int today = store_test::TodayNumber();
    InsertRow(m_Day);
    // No table until a save has an hour to write: an older file keeps its three tables.
    EXPECT_TRUE(Query("SELECT name FROM sqlite_master WHERE name = 'hourly';").empty());
    ASSERT_EQ(0, Save(Walked(today, 10, 0, 0, 40, 2.05)));
    ASSERT_EQ(0, Save(Walked(today, 10, 0, 0, 70, 3.5)));
    // The save at the hour's end still counts for hour 10; the next one for 11.
    ASSERT_EQ(0, Save(Walked(today, 10, 0, 0, 75, 3.75)));
    ASSERT_EQ(0, Save(Walked(today, 11, 0, 0, 90, 4.6)));
    ASSERT_EQ(0, Save(Walked(today, 11, 0, 0, 90, 4.6)));  // nothing counted: no change
    EXPECT_EQ((Rows{{"10", "75", "3.75", "37.5"}, {"11", "15", "0.85", "8.5"}}), Hours(m_Day));
    EXPECT_EQ(kHourlyTable.pszCreate, Query("SELECT sql FROM sqlite_master WHERE name = 'hourly';")[0][0]);

    // A Reset starts a new row from zero; the earlier row keeps its totals and its hours.
    m_Records.CloseRow();
    InsertRow(m_Day);
    ASSERT_EQ(0, Save(Walked(today, 11, 0, 0, 12, 0.6)));
    EXPECT_EQ((Rows{{"10", "75", "3.75", "37.5"}, {"11", "27", "1.45", "14.5"}}), Hours(m_Day));
    ExpectHoursAddUp(m_Day);

    // Midnight: the earlier day's row is completed in its last hour, the new day starts at 0.
    const std::string tomorrow = "2099-12-31";
    InsertRow(tomorrow);
    ASSERT_EQ(0, Save(Walked(today, 23, 0, 0, 20, 1.0)));
    m_Records.CloseRow();
    ASSERT_EQ(0, Save(Walked(20991231, 0, 0, 0, 3, 0.15)));
    EXPECT_EQ((Rows{{"0", "3", "0.15", "1.5"}}), Hours(tomorrow));
    ExpectHoursAddUp(m_Day);
    ExpectHoursAddUp(tomorrow);
}

TEST_F(HourlyRecordsTest, AClockSteppedBackOrOnCountsNothingTwiceAndLosesNothing) {
    const int today = store_test::TodayNumber();
    InsertRow(m_Day);
    // Counted in 11; the clock then shows 10 (set back an hour), then 12 (set on): each save's
    // gain goes to the hour its counting belonged to.
    ASSERT_EQ(0, Save(Walked(today, 11, 0, 0, 50, 2.5)));
    ASSERT_EQ(0, Save(Walked(today, 10, 0, 0, 80, 4.0)));
    ASSERT_EQ(0, Save(Walked(today, 12, 0, 0, 81, 4.05)));
    EXPECT_EQ((Rows{{"10", "30", "1.5", "15.0"}, {"11", "50", "2.5", "25.0"}, {"12", "1", "0.05", "0.5"}}),
              Hours(m_Day));
    ExpectHoursAddUp(m_Day);
}

TEST_F(HourlyRecordsTest, AFailedSaveWritesNeitherAndTheNextOneWritesBoth) {
    // The connection behind the layer that fails writes on demand.
    fault_vfs::Install();
    Reopen();
    const int today = store_test::TodayNumber();
    InsertRow(m_Day);
    ASSERT_EQ(0, Save(Walked(today, 9, 0, 0, 10, 0.5)));
    // A save that fails (a full disk) leaves the day's row and its hours as they were.
    fault_vfs::Arm(fault_vfs::DISK_FULL);
    EXPECT_NE(0, Save(Walked(today, 9, 0, 0, 30, 1.5)));
    fault_vfs::Arm(fault_vfs::NONE);
    ExpectHoursAddUp(m_Day);
    ASSERT_EQ(0, Save(Walked(today, 10, 0, 0, 45, 2.25)));
    EXPECT_EQ((Rows{{"9", "10", "0.5", "5.0"}, {"10", "35", "1.75", "17.5"}}), Hours(m_Day));
    ExpectHoursAddUp(m_Day);
}

TEST_F(HourlyRecordsTest, AKillInTheMiddleOfSavesLeavesHoursAndDaysAgreeing) {
    const int today = store_test::TodayNumber();
    InsertRow(m_Day);
    ASSERT_EQ(0, Save(Walked(today, 8, 0, 0, 10, 0.5)));
    sqlite3_close_v2(m_pDb);
    m_pDb = nullptr;
    const std::string path = Path();
    // A process saving as fast as it can, killed at some moment of it.
    pid_t pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) _exit(2);
        CDbHelper runner(db);
        CDailyRecords records;
        for (int i = 1;; ++i) {
            EngineCounters c = Walked(today, 8 + i % 3, 0, 0, 10 + i, 0.5 + i * 0.05);
            wchar_t duration[16] = L"";
            records.SaveTodayRow(runner, c, duration, 16);
        }
    }
    ASSERT_GT(pid, 0);
    usleep(300000);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    Reopen();
    EXPECT_GT(std::stoi(Query("SELECT steps FROM pedometer;")[0][0]), 10);
    ExpectHoursAddUp(m_Day);
}

TEST_F(HourlyRecordsTest, DeleteAllEmptiesDaysAndHoursAndADayReadsBackByTheHour) {
    const int today = store_test::TodayNumber();
    InsertRow(m_Day);
    ASSERT_EQ(0, Save(Walked(today, 7, 0, 0, 10, 0.5)));
    ASSERT_EQ(0, Save(Walked(today, 19, 0, 0, 25, 1.25)));
    HourTotals hours[24];
    ASSERT_TRUE(CHourlyRecords::ReadDay(m_pDb, m_Day.c_str(), hours));
    EXPECT_EQ(10, hours[7].nSteps);
    EXPECT_EQ(15, hours[19].nSteps);
    EXPECT_DOUBLE_EQ(0.75, hours[19].dKcal);
    EXPECT_EQ(0, hours[8].nSteps);
    EXPECT_FALSE(CHourlyRecords::ReadDay(m_pDb, "2001-01-01", hours));

    EXPECT_EQ(SQLITE_OK, CHourlyRecords::DeleteAll(m_pDb));
    EXPECT_EQ((Rows{{"0"}}), Query("SELECT count(*) FROM pedometer;"));
    EXPECT_EQ((Rows{{"0"}}), Query("SELECT count(*) FROM hourly;"));
    EXPECT_FALSE(CHourlyRecords::ReadDay(m_pDb, m_Day.c_str(), hours));
    // A file without the table: Delete all deletes the days alone.
    Exec("DROP TABLE hourly;");
    InsertRow(m_Day);
    EXPECT_EQ(SQLITE_OK, CHourlyRecords::DeleteAll(m_pDb));
    EXPECT_EQ((Rows{{"0"}}), Query("SELECT count(*) FROM pedometer;"));
}

}  // namespace
