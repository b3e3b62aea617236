// The saving thread on the manual clock: one save per ten running seconds, ticks counted across
// workouts, and Stop() joining the thread before the database goes away.
#include "store/saving_thread.h"

#include <sqlite3.h>

#include <string>
#include <vector>

#include "store/store_test_env.h"

namespace {

using store_test::Narrow;
using store_test::StoreTest;
using store_test::TodayText;

class SavingThreadTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        CreateSchema();
        CDailyRecords::InsertTodayRow(m_hMain, TodayText().c_str());
        // The engine's stored sums: each save writes them (plus the counters) to today's row.
        m_Engine.Db().SetHandle(m_pDb);
        TodayTotals totals{60, 100, 1.5, 80.0};
        m_Engine.SelectPedometer(&totals);
    }
    void TearDown() override {
        m_Saver.Stop();
        m_Engine.StopCounting();
        StoreTest::TearDown();
    }

    // The engine tells its own saving thread when a workout starts or stops; this test's thread
    // is told the same way.
    void StartCounting() {
        m_Engine.StartCounting();
        m_Saver.RunStateChanged();
    }
    void StopCounting() {
        m_Engine.StopCounting();
        m_Saver.RunStateChanged();
    }

    // Rows changed on the connection so far: one per save (an UPDATE of one row).
    int Saves() { return sqlite3_total_changes(m_pDb) - m_nChangesBefore; }
    void Mark() { m_nChangesBefore = sqlite3_total_changes(m_pDb); }

    CStepEngine m_Engine;
    CSavingThread m_Saver;
    int m_nChangesBefore = 0;
};

TEST_F(SavingThreadTest, SavingOncePerTenRunningSeconds) {
    ASSERT_TRUE(m_Saver.Start(&m_Engine));
    EXPECT_TRUE(m_Saver.IsRunning());
    Mark();
    MvAdvanceClock(20000);  // not running: no ticks
    EXPECT_EQ(0u, m_Saver.Ticks());

    StartCounting();
    ASSERT_EQ(2, m_Engine.GetRunState());
    MvAdvanceClock(9000);
    EXPECT_EQ(9u, m_Saver.Ticks());
    EXPECT_EQ(0, Saves());
    MvAdvanceClock(1000);
    EXPECT_EQ(10u, m_Saver.Ticks());
    EXPECT_EQ(1, Saves());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{Narrow(TodayText()), "100", "1.5", "80.0"}}),
              Query("SELECT curdate, steps, kcal, distance FROM pedometer;"));
    MvAdvanceClock(10000);
    EXPECT_EQ(20u, m_Saver.Ticks());
    EXPECT_EQ(2, Saves());
}

TEST_F(SavingThreadTest, SavingTicksCountAcrossWorkouts) {
    ASSERT_TRUE(m_Saver.Start(&m_Engine));
    Mark();
    StartCounting();
    MvAdvanceClock(7000);
    StopCounting();
    MvAdvanceClock(30000);  // stopped: the count waits
    EXPECT_EQ(7u, m_Saver.Ticks());
    EXPECT_EQ(0, Saves());

    StartCounting();
    MvAdvanceClock(2000);
    EXPECT_EQ(0, Saves());
    MvAdvanceClock(1000);  // the tenth running second
    EXPECT_EQ(10u, m_Saver.Ticks());
    EXPECT_EQ(1, Saves());
}

TEST_F(SavingThreadTest, SavingStopJoinsTheThread) {
    m_Saver.Stop();  // never started: nothing to do
    ASSERT_TRUE(m_Saver.Start(&m_Engine));
    StartCounting();
    MvAdvanceClock(4000);
    m_Saver.Stop();
    EXPECT_FALSE(m_Saver.IsRunning());
    Mark();
    // The thread has ended: however long the workout runs, nothing more is saved, and the
    // database may now be closed.
    MvAdvanceClock(60000);
    EXPECT_EQ(4u, m_Saver.Ticks());
    EXPECT_EQ(0, Saves());
    m_Saver.Stop();

    // Started again, it counts on from where it was.
    ASSERT_TRUE(m_Saver.Start(&m_Engine));
    MvAdvanceClock(6000);
    EXPECT_EQ(10u, m_Saver.Ticks());
    EXPECT_EQ(1, Saves());
}

TEST_F(SavingThreadTest, SavingEngineStopsItsThreadBeforeTheDatabaseCloses) {
    // The engine's own thread, as the application starts it; a stored profile skips first use.
    Exec("INSERT INTO firstuse VALUES(1);");
    Exec("INSERT INTO info VALUES(175, 65, 'M', '0');");
    CStepEngine* engine = new CStepEngine;
    m_pEngine = engine;
    engine->InitEngine(m_hMain);
    engine->StartCounting();
    Mark();
    MvAdvanceClock(10000);
    EXPECT_EQ(1, Saves());

    engine->StopSaving();
    sqlite3_close(m_pDb);   // what the application does next
    MvAdvanceClock(30000);  // a thread still running would now use a closed connection
    ASSERT_EQ(SQLITE_OK, sqlite3_open_v2((m_Folder + "/Movimetra.db").c_str(), &m_pDb,
                                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr));
    engine->OnDestroy();
    m_pEngine = nullptr;
    delete engine;
}

}  // namespace
