// The saving thread on the manual clock: one save per ten running seconds, ticks counted across
// workouts, and Stop() joining the thread before the database goes away.
#include "store/saving_thread.h"

#include <sqlite3.h>

#include <atomic>
#include <string>
#include <vector>

#include "testing/store_test_util.h"

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
        // The row holds the owner's totals already: each save is one UPDATE, with no hour's gain.
        Exec("UPDATE pedometer SET steps = 100, kcal = 1.5, distance = 80.0;");
    }
    void TearDown() override {
        m_Saver.Stop();
        StoreTest::TearDown();
    }

    // The engine tells its saving thread when a workout starts or stops; so does this owner.
    void SetRunning(bool running) {
        m_bRunning = running;
        m_Saver.RunStateChanged();
    }

    // The workout's owner as the engine plays it: a run flag, and today's row saved with stored
    // sums of 60 s, 100 steps, 1.5 kcal and 80 m for today.
    CSavingThread::Callbacks Owner() {
        return {[this] { return m_bRunning.load(); },
                [this] {
                    EngineCounters counters{};
                    counters.sumHMS = 60;
                    counters.sumStep = 100;
                    counters.sumKCal = 1.5;
                    counters.sumDistance = 80.0;
                    counters.nDay = store_test::TodayNumber();
                    wchar_t duration[16] = L"";
                    m_Records.SaveTodayRow(m_Runner, counters, duration, 16);
                    m_Steps.push_back("save");
                },
                [this] { m_Steps.push_back("catch up"); }};
    }

    // Rows changed on the connection so far: one per save (an UPDATE of one row).
    int Saves() { return sqlite3_total_changes(m_pDb) - m_nChangesBefore; }
    void Mark() { m_nChangesBefore = sqlite3_total_changes(m_pDb); }

    std::atomic<bool> m_bRunning{false};
    CDailyRecords m_Records;
    CSavingThread m_Saver;
    int m_nChangesBefore = 0;
    std::vector<std::string> m_Steps;  // what the thread asked of the owner, in order
};

TEST_F(SavingThreadTest, SavingOncePerTenRunningSeconds) {
    ASSERT_TRUE(m_Saver.Start(Owner()));
    EXPECT_TRUE(m_Saver.IsRunning());
    Mark();
    MvAdvanceClock(20000);  // not running: no ticks
    EXPECT_EQ(0u, m_Saver.Ticks());

    SetRunning(true);
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
    // Each save comes right after the owner brought its readings in.
    EXPECT_EQ((std::vector<std::string>{"catch up", "save", "catch up", "save"}), m_Steps);
}

TEST_F(SavingThreadTest, SavingTicksCountAcrossWorkouts) {
    ASSERT_TRUE(m_Saver.Start(Owner()));
    Mark();
    SetRunning(true);
    MvAdvanceClock(7000);
    SetRunning(false);
    MvAdvanceClock(30000);  // stopped: the count waits
    EXPECT_EQ(7u, m_Saver.Ticks());
    EXPECT_EQ(0, Saves());

    SetRunning(true);
    MvAdvanceClock(2000);
    EXPECT_EQ(0, Saves());
    MvAdvanceClock(1000);  // the tenth running second
    EXPECT_EQ(10u, m_Saver.Ticks());
    EXPECT_EQ(1, Saves());
}

TEST_F(SavingThreadTest, SavingStopJoinsTheThread) {
    m_Saver.Stop();  // never started: nothing to do
    ASSERT_TRUE(m_Saver.Start(Owner()));
    SetRunning(true);
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
    ASSERT_TRUE(m_Saver.Start(Owner()));
    MvAdvanceClock(6000);
    EXPECT_EQ(10u, m_Saver.Ticks());
    EXPECT_EQ(1, Saves());
}

}  // namespace
