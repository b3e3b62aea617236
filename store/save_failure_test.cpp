// Saves that fail, against a real SQLite file behind a layer that fails writes on demand as a
// full disk or a folder without room for a journal does: the failure is reported, the totals are
// kept and the next save that goes through writes all of them; each cause is shown once.
#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/store_faults.h"
#include "testing/fault_vfs_test_util.h"
#include "testing/store_test_util.h"

namespace {

using store_test::Narrow;
using store_test::StoreTest;
using store_test::TodayText;

class SaveFailureTest : public StoreTest {
protected:
    void SetUp() override {
        fault_vfs::Install();  // before the test's connection opens
        StoreTest::SetUp();
        CreateSchema();
    }
    void TearDown() override {
        fault_vfs::Arm(fault_vfs::NONE);
        StoreTest::TearDown();
    }
    int Save(const EngineCounters& counters) {
        wchar_t duration[16] = L"";
        return m_Records.SaveTodayRow(m_Runner, counters, duration, 16);
    }
    std::vector<std::vector<std::string>> TodayRows() {
        return Query("SELECT steps, kcal, distance, curtime FROM pedometer WHERE curdate = '" +
                     Narrow(TodayText()) + "' ORDER BY seq;");
    }

    CDailyRecords m_Records;
};

TEST_F(SaveFailureTest, FailedSavesKeepTheTotalsForTheNextSaveThatGoesThrough) {
    Exec("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + Narrow(TodayText()) +
         "', '00:05:00', 500, 20.0, 350.0);");
    // 500 steps stored and taken as the sums; the workout has counted 42 more.
    EngineCounters counters{};
    counters.nRunState = 2;
    counters.nDay = store_test::TodayNumber();
    counters.sumStep = 500;
    counters.sumKCal = 20.0;
    counters.sumDistance = 350.0;
    counters.sumHMS = 300;
    counters.iStepCount = 42;
    counters.dCalories = 1.5;
    counters.dTotalDistance = 30.0;
    counters.nElapsed = 30;

    fault_vfs::Arm(fault_vfs::FOLDER_READ_ONLY);
    EXPECT_EQ(SQLITE_READONLY, Save(counters) & 0xff);
    EXPECT_TRUE(m_Records.OwesSave());
    fault_vfs::Arm(fault_vfs::DISK_FULL);
    counters.iStepCount = 50;
    EXPECT_EQ(SQLITE_FULL, Save(counters));
    EXPECT_TRUE(m_Records.OwesSave());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"500", "20.0", "350.0", "00:05:00"}}), TodayRows());

    // The cause is gone: everything counted meanwhile is written.
    fault_vfs::Arm(fault_vfs::NONE);
    counters.iStepCount = 60;
    counters.nElapsed = 45;
    EXPECT_EQ(0, Save(counters));
    EXPECT_FALSE(m_Records.OwesSave());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"560", "21.5", "380.0", "00:05:45"}}), TodayRows());
}

TEST_F(SaveFailureTest, ADayRowWhoseInsertFailedIsMadeByTheNextSave) {
    EngineCounters counters{};
    counters.nRunState = 2;
    counters.nDay = store_test::TodayNumber();
    counters.iStepCount = 42;
    counters.nElapsed = 40;
    // No row and nothing owed (the user deleted the records while walking): nothing is written.
    EXPECT_EQ(0, Save(counters));
    EXPECT_TRUE(TodayRows().empty());

    // The row's insert failed (a full disk at the start of the walk): the next save makes it.
    m_Records.NoteRowNotInserted();
    fault_vfs::Arm(fault_vfs::DISK_FULL);
    EXPECT_EQ(SQLITE_FULL, Save(counters));
    EXPECT_TRUE(TodayRows().empty());
    fault_vfs::Arm(fault_vfs::NONE);
    counters.iStepCount = 50;
    EXPECT_EQ(0, Save(counters));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"50", "0.0", "0.0", "00:00:40"}}), TodayRows());
    EXPECT_EQ(0, Save(counters));
    EXPECT_EQ(1u, TodayRows().size());
}

TEST_F(SaveFailureTest, ARowClosedWhileItsSaveFailsIsWrittenByTheNextSave) {
    Exec("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + Narrow(TodayText()) +
         "', '00:05:00', 500, 20.0, 350.0);");
    EngineCounters counters{};
    counters.nDay = store_test::TodayNumber();
    counters.sumStep = 500;
    counters.sumKCal = 20.0;
    counters.sumDistance = 350.0;
    counters.sumHMS = 300;
    counters.iStepCount = 42;
    counters.nElapsed = 30;
    // Reset on a full disk: the save before it fails, the engine starts from zero, and the new
    // row's insert fails too.
    fault_vfs::Arm(fault_vfs::DISK_FULL);
    EXPECT_EQ(SQLITE_FULL, Save(counters));
    m_Records.CloseRow();
    m_Records.NoteRowNotInserted();
    EngineCounters fresh{};
    fresh.nDay = store_test::TodayNumber();
    fresh.iStepCount = 7;
    fresh.nElapsed = 5;
    EXPECT_EQ(SQLITE_FULL, Save(fresh));

    // Room again: the closed row gets its 542 steps, and the new row is made with the 7 since.
    fault_vfs::Arm(fault_vfs::NONE);
    EXPECT_EQ(0, Save(fresh));
    EXPECT_FALSE(m_Records.OwesSave());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"542", "20.0", "350.0", "00:05:30"},
                                                     {"7", "0.0", "0.0", "00:00:05"}}),
              TodayRows());
}

TEST_F(SaveFailureTest, EachCauseIsShownOnceAndStandardErrorFollowsTheChanges) {
    CStoreFaults faults;
    faults.Attach(m_hMain, m_pDb);
    testing::internal::CaptureStderr();
    faults.Failed(SQLITE_FULL, "today's steps");
    faults.Failed(SQLITE_FULL, "today's steps");
    faults.Failed(SQLITE_READONLY, "INSERT INTO info");
    faults.Succeeded();
    faults.Succeeded();
    faults.Failed(SQLITE_FULL, "today's steps");
    faults.Failed(SQLITE_CORRUPT, "today's steps");
    const std::string said = testing::internal::GetCapturedStderr();

    const std::string path = m_Folder + "/Movimetra.db";
    const std::string expected = "Movimetra: cannot save (today's steps) in " + path +
                                 ": disk full (database or disk is full)\n"
                                 "Movimetra: cannot save (INSERT INTO info) in " +
                                 path +
                                 ": permission denied (attempt to write a readonly database)\n"
                                 "Movimetra: saving works again\n"
                                 "Movimetra: cannot save (today's steps) in " +
                                 path +
                                 ": disk full (database or disk is full)\n"
                                 "Movimetra: cannot save (today's steps) in " +
                                 path + ": the database is damaged (database disk image is malformed)\n";
    EXPECT_EQ(expected, said);

    // The user is told once per cause, by a posted message (saves also run on the saving thread).
    std::vector<WPARAM> causes;
    MSG msg;
    while (PeekMessageW(&msg, m_hMain, UM_STORE_FAULT, UM_STORE_FAULT, PM_REMOVE))
        causes.push_back(msg.wParam);
    EXPECT_EQ((std::vector<WPARAM>{STORE_FAULT_DISK_FULL, STORE_FAULT_CANNOT_WRITE, STORE_FAULT_OTHER}),
              causes);
}

}  // namespace
