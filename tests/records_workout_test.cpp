// A recorded walk replayed through the sensor service into the running program, started and
// stopped with the main view's button: the periodic save, the row after stop, a reset in the
// middle of a walk and two workouts on one day, each compared with what the replay tool counts.
#include "tests/records_test_util.h"

namespace {

using namespace recordstest;
using maintest::kToday;

class RecordsWorkoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.PrepareStoredProfile());
        ASSERT_TRUE(walk.Load(WalkPath()));
        std::string output;
        ASSERT_TRUE(trace.Run(WalkPath(), &output)) << output;
        run.Hook("replay", [] { MvSensorConfigure("replay:" + WalkPath()); });
    }
    std::vector<StoredRow> TodayRows() const {
        std::vector<StoredRow> today;
        for (const StoredRow& row : ReadRows(run.DbPath()))
            if (row.sDate == kToday) today.push_back(row);
        return today;
    }
    static EngineCounters Counters() {
        EngineCounters counters{};
        GetApplication()->Engine().GetCounters(&counters);
        return counters;
    }
    // What the tool counts in the readings [from, from + count) replayed on their own, as a
    // workout that starts there (the detector is initialised at every start).
    Totals CountPart(size_t from, size_t count) {
        std::string path = run.Dir() + "/part.rec";
        std::string output;
        CStepTrace part;
        EXPECT_TRUE(walk.Write(path, from, count));
        EXPECT_TRUE(part.Run(path, &output)) << output;
        return part.Final();
    }

    shelltest::CShellRun run;
    CRecording walk;
    CStepTrace trace;
};

TEST_F(RecordsWorkoutTest, WalkIsStoredWithinTenSecondsAndStopStoresWhatTheToolCounts) {
    // A reading that falls due at the very moment of the first save may be handled before or
    // after it: the row then holds the count of either side of that reading.
    const Totals justBefore = trace.After(walk.DeliveredWithin(0, 9999));
    const Totals atSave = trace.After(walk.DeliveredWithin(0, 10000));
    ASSERT_GT(justBefore.nSteps, 0);

    int countBefore = -1;
    run.Hook("before_save", [&] {
        std::vector<StoredRow> rows = TodayRows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].nSteps, 0);
        countBefore = Counters().iStepCount;
        EXPECT_EQ(countBefore, justBefore.nSteps);
    });
    run.Hook("saved", [&] {
        std::vector<StoredRow> rows = TodayRows();
        ASSERT_EQ(rows.size(), 1u);
        EngineCounters counters = Counters();
        EXPECT_EQ(counters.sumStep, 0);
        EXPECT_EQ(counters.iStepCount, atSave.nSteps);
        // The engine's count at the save: the one before the reading due now, or the one after.
        EXPECT_TRUE(rows[0].nSteps == countBefore || rows[0].nSteps == counters.iStepCount) << rows[0].nSteps;
        const Totals& seen = rows[0].nSteps == atSave.nSteps ? atSave : justBefore;
        EXPECT_EQ(TwoDecimals(rows[0].dKcal), TwoDecimals(seen.dKcal));
        EXPECT_EQ(TwoDecimals(rows[0].dDistance), TwoDecimals(seen.dDistance));
        EXPECT_EQ(rows[0].sUpdatedAt, "2024-03-14 10:00:10");
    });
    uint32_t elapsedAtStop = 0;
    run.Hook("stopped", [&] {
        EXPECT_FALSE(GetApplication()->Engine().IsSensorRunning());
        elapsedAtStop = Counters().nElapsed;
    });
    std::string script = std::string("call replay\n") + kTapStartStop +
                         "wait 9999\ncall before_save\nwait 1\ncall saved\n"
                         "wait 92000\n" +  // past the end of the recording
                         kTapStartStop +
                         "call stopped\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(run.Calls("saved"), 1);
    ASSERT_EQ(run.Calls("stopped"), 1);

    std::vector<StoredRow> rows = TodayRows();
    ASSERT_EQ(rows.size(), 1u);
    const Totals& total = trace.Final();
    EXPECT_EQ(rows[0].nSteps, total.nSteps);
    EXPECT_EQ(TwoDecimals(rows[0].dKcal), TwoDecimals(total.dKcal));
    EXPECT_EQ(TwoDecimals(rows[0].dDistance), TwoDecimals(total.dDistance));
    EXPECT_EQ(DurationSeconds(rows[0].sDuration), (int)elapsedAtStop);
    EXPECT_EQ(elapsedAtStop, 102u);
    // Read back as the program does (whole hundredths), the values keep their two decimals.
    EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT kcal*100 FROM pedometer;"),
              (int)std::lround(std::stod(TwoDecimals(total.dKcal)) * 100));
    EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT distance*100 FROM pedometer;"),
              (int)std::lround(std::stod(TwoDecimals(total.dDistance)) * 100));
}

TEST_F(RecordsWorkoutTest, ResetMidWalkKeepsTheFirstRowAndCountsOnFromZeroInASecondRow) {
    constexpr int64_t kResetMs = 25000;  // between the saves at 20 s and 30 s
    ASSERT_FALSE(walk.DueAt(0, kResetMs));
    const Totals atReset = trace.After(walk.DeliveredWithin(0, kResetMs));
    const Totals tenSecondsEarlier = trace.After(walk.DeliveredWithin(0, kResetMs - 10000));
    run.Hook("before_reset", [&] { EXPECT_EQ(Counters().iStepCount, atReset.nSteps); });
    run.Hook("after_reset", [&] {
        EXPECT_EQ(Counters().iStepCount, 0);
        EXPECT_EQ(TodayRows().size(), 2u);
        EXPECT_EQ(maintest::MainView()->RunState(), MAIN_RUNNING);
    });
    std::string script = std::string("call replay\n") + kTapStartStop + "wait 25000\ncall before_reset\n" +
                         kTapReset + "call after_reset\nwait 77000\n" + kTapStartStop + "quit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(run.Calls("after_reset"), 1);

    std::vector<StoredRow> rows = TodayRows();
    ASSERT_EQ(rows.size(), 2u);
    // The reset first completes the row it closes: it holds the whole walk before the reset.
    EXPECT_GE(rows[0].nSteps, tenSecondsEarlier.nSteps);
    EXPECT_EQ(rows[0].nSteps, atReset.nSteps);
    EXPECT_NEAR(rows[0].dKcal, atReset.dKcal, 0.0051);
    EXPECT_GE(DurationSeconds(rows[0].sDuration), 24);
    EXPECT_LE(DurationSeconds(rows[0].sDuration), 25);
    // The second row holds exactly what was walked after the reset.
    const Totals& total = trace.Final();
    EXPECT_EQ(rows[1].nSteps, total.nSteps - atReset.nSteps);
    EXPECT_NEAR(rows[1].dKcal, total.dKcal - atReset.dKcal, 0.0051);
    EXPECT_NEAR(rows[1].dDistance, total.dDistance - atReset.dDistance, 0.0051);
    EXPECT_EQ(rows[1].sDuration, "00:01:17");
}

TEST_F(RecordsWorkoutTest, TwoStartsOnOneDayInsertOneRowThatAddsUpBothWorkouts) {
    // Workout 1 from 0 to 20.2 s, workout 2 from 25 s to 55.2 s; the sensor takes up the
    // recording where the first workout left it.
    ASSERT_FALSE(walk.DueAt(0, 20200));
    const size_t first = walk.DeliveredWithin(0, 20200);
    ASSERT_FALSE(walk.DueAt(first, 30200));
    const size_t second = walk.DeliveredWithin(first, 30200);
    const Totals part1 = trace.After(first);
    const Totals part2 = CountPart(first, second);
    ASSERT_GT(part2.nSteps, 0);

    run.Hook("between", [&] {
        std::vector<StoredRow> rows = TodayRows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].nSteps, part1.nSteps);
        EXPECT_EQ(rows[0].sDuration, "00:00:20");
    });
    run.Hook("restarted", [&] { EXPECT_EQ(TodayRows().size(), 1u); });
    std::string script = std::string("call replay\n") + kTapStartStop + "wait 20200\n" + kTapStartStop +
                         "call between\nwait 4800\n" + kTapStartStop + "call restarted\nwait 30200\n" +
                         kTapStartStop + "quit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(run.Calls("restarted"), 1);

    std::vector<StoredRow> rows = TodayRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].nSteps, part1.nSteps + part2.nSteps);
    // Each workout's values pass through two decimals once.
    EXPECT_NEAR(rows[0].dKcal, part1.dKcal + part2.dKcal, 0.011);
    EXPECT_NEAR(rows[0].dDistance, part1.dDistance + part2.dDistance, 0.011);
    EXPECT_EQ(rows[0].sDuration, "00:00:50");
}

TEST_F(RecordsWorkoutTest, StoredHourPlusAWorkoutOf50SecondsIsStoredAs010205) {
    ASSERT_TRUE(maintest::ExecSqlOn(
        run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                          std::string(kToday) + "', '01:01:15', 100, 5.0, 70.0);"));
    ASSERT_FALSE(walk.DueAt(0, 50200));
    const Totals walked = trace.After(walk.DeliveredWithin(0, 50200));
    std::string script =
        std::string("call replay\n") + kTapStartStop + "wait 50200\n" + kTapStartStop + "quit\n";
    EXPECT_EQ(run.Run(script), 0);

    std::vector<StoredRow> rows = TodayRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sDuration, "01:02:05");  // 3675 s stored + 50 s walked = 3725 s
    EXPECT_EQ(rows[0].nSteps, 100 + walked.nSteps);
    EXPECT_EQ(TwoDecimals(rows[0].dKcal), TwoDecimals(5.0 + walked.dKcal));
}

// A day of more than 99 hours, as an earlier run stored it: read back whole at start, shown, and
// saved on from there.
TEST_F(RecordsWorkoutTest, StoredDayOfHundredHoursIsReadBackWholeAndSavedOn) {
    ASSERT_TRUE(maintest::ExecSqlOn(
        run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                          std::string(kToday) + "', '100:00:12', 100, 5.0, 70.0);"));
    run.SetSensor(maintest::SilentSensor(run));
    int shownSeconds = -1;
    run.Hook("shown", [&] { shownSeconds = maintest::MainView()->TodaySeconds(); });
    std::string script =
        std::string("call shown\n") + kTapStartStop + "wait 7200\n" + kTapStartStop + "quit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(shownSeconds, 100 * 3600 + 12);
    std::vector<StoredRow> rows = TodayRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sDuration, "100:00:19");
}

}  // namespace
