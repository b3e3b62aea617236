// The real program as a child process, headless on the manual clock, walking a replayed
// recording while the date changes: steps go to the day on which they were walked from the very
// reading at midnight on, and a clock set back or forward (script step "clock") neither moves
// the totals to another day's row nor changes the time walked.
#include "tests/records_test_util.h"

namespace {

using namespace recordstest;

class RecordsClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(walk.Load(WalkPath()));
        std::string output;
        ASSERT_TRUE(trace.Run(WalkPath(), &output)) << output;
        ASSERT_FALSE(dir.empty());
        ASSERT_FALSE(shelltest::InstallProgram(dir).empty());
        ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", 0));
    }
    // Runs the installed program on the manual clock from `start` (local time) with the script
    // and waits for it to end; the rows it left, oldest first.
    std::vector<StoredRow> Run(const std::string& start, const std::string& script) {
        shelltest::WriteTextFile(dir + "/script.txt", script);
        pid_t pid = shelltest::SpawnProgram(
            dir + "/Movimetra",
            {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual", "MOVIMETRA_CLOCK_START=" + start,
             "MOVIMETRA_SENSOR=replay:" + WalkPath(), "MOVIMETRA_SCRIPT=" + dir + "/script.txt"},
            dir + "/log.txt");
        EXPECT_GT(pid, 0);
        shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
        const std::string log = shelltest::ReadTextFile(dir + "/log.txt");
        EXPECT_TRUE(end.exited) << log;
        EXPECT_EQ(end.code, 0) << log;
        EXPECT_EQ(log.find("script line"), std::string::npos) << log;
        return ReadRows(dir + "/Movimetra.db");
    }
    // What the tool counts in the readings due within `ms` of the start of the walk.
    Totals CountBy(int64_t ms) const { return trace.After(walk.DeliveredWithin(0, ms)); }
    // The same for a walk stopped `ms` after its start, where a reading due at that very moment
    // may come before or after the stop: the count whose steps match `steps`.
    Totals StoppedAt(int64_t ms, int steps) const {
        return CountBy(ms - 1).nSteps == steps ? CountBy(ms - 1) : CountBy(ms);
    }

    CRecording walk;
    CStepTrace trace;
    const CTempDir temp{shelltest::kTempPrefix};
    const std::string dir = temp.Path();
};

void ExpectRow(const StoredRow& row, const Totals& totals, const std::string& duration) {
    EXPECT_EQ(row.nSteps, totals.nSteps);
    EXPECT_EQ(TwoDecimals(row.dKcal), TwoDecimals(totals.dKcal));
    EXPECT_EQ(TwoDecimals(row.dDistance), TwoDecimals(totals.dDistance));
    EXPECT_EQ(row.sDuration, duration);
}

Totals Minus(const Totals& a, const Totals& b) {
    return Totals{a.nSteps - b.nSteps, a.dDistance - b.dDistance, a.dKcal - b.dKcal};
}

TEST_F(RecordsClockTest, StepsFromMidnightOnGoToTheNewDayNotOnlyFromTheNextSave) {
    // Midnight falls 15 s into the walk, halfway between two periodic saves; the walk stops
    // exactly 30 s in.
    std::vector<StoredRow> rows = Run("2024-03-14 23:59:45", std::string(kTapStartStop) + "wait 30000\n" +
                                                                 kTapStartStop + "wait 1000\nquit\n");
    ASSERT_EQ(rows.size(), 2u);
    const Totals day1 = CountBy(14999);
    ASSERT_GT(day1.nSteps, 0);
    ASSERT_GT(CountBy(20000).nSteps, day1.nSteps);  // steps between midnight and the next save
    EXPECT_EQ(rows[0].sDate, "2024-03-14");
    ExpectRow(rows[0], day1, "00:00:15");
    EXPECT_EQ(rows[1].sDate, "2024-03-15");
    EXPECT_EQ(rows[1].sCreatedAt, "2024-03-15 00:00:00");
    const Totals all = StoppedAt(30000, rows[1].nSteps + day1.nSteps);
    EXPECT_EQ(rows[1].nSteps, all.nSteps - day1.nSteps);
    EXPECT_NEAR(rows[1].dKcal, Minus(all, day1).dKcal, 0.0051);
    EXPECT_NEAR(rows[1].dDistance, Minus(all, day1).dDistance, 0.0051);
    EXPECT_EQ(rows[1].sDuration, "00:00:15");
}

TEST_F(RecordsClockTest, ClockSetBackAcrossMidnightLeavesYesterdaysRowAndTheTimeWalkedAlone) {
    // Yesterday's row as the user left it.
    ASSERT_TRUE(
        maintest::ExecSqlOn(dir + "/Movimetra.db",
                            "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, "
                            "updated_at) VALUES('2024-03-14', '00:05:00', 500, 25.5, 350.25, "
                            "'2024-03-14 08:00:00', '2024-03-14 08:05:00');"));
    // A workout from 00:00:05; after 30 s the clock goes back 60 s, into yesterday, and the walk
    // goes on for 30 s more (over the second midnight).
    std::vector<StoredRow> rows =
        Run("2024-03-15 00:00:00", "wait 5000\n" + std::string(kTapStartStop) + "wait 30000\nclock -60\n" +
                                       "wait 30000\n" + kTapStartStop + "wait 1000\nquit\n");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sDate, "2024-03-14");
    ExpectRow(rows[0], Totals{500, 350.25, 25.5}, "00:05:00");
    EXPECT_EQ(rows[0].sUpdatedAt, "2024-03-14 08:05:00");
    EXPECT_EQ(rows[1].sDate, "2024-03-15");
    const Totals walked = StoppedAt(60000, rows[1].nSteps);
    ASSERT_GT(walked.nSteps, 0);
    ExpectRow(rows[1], walked, "00:01:00");
}

TEST_F(RecordsClockTest, ClockSetBackThenForwardAtNoonKeepsTheTimeWalked) {
    // The clock goes back a minute, then on an hour (a traveller, network time): the row keeps
    // the minute that was walked.
    std::vector<StoredRow> rows =
        Run("2024-03-14 12:00:00", std::string(kTapStartStop) + "wait 20000\nclock -60\nwait 20000\n" +
                                       "clock 3600\nwait 20000\n" + kTapStartStop + "wait 1000\nquit\n");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sDate, "2024-03-14");
    ExpectRow(rows[0], StoppedAt(60000, rows[0].nSteps), "00:01:00");
    // The update time is the clock's own reading (the last save, at the quit 61 s into the run):
    // an hour on, less the minute back.
    EXPECT_EQ(rows[0].sUpdatedAt, "2024-03-14 13:00:01");
}

}  // namespace
