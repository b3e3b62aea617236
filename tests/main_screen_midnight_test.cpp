// The main view across midnight, with a replayed walk and the manual clock: from the day change
// on it shows the new day's totals (what the new day's row will hold), also after the workout
// is stopped; yesterday's share of the walk stays in yesterday's row.
#include "tests/main_screen_test_util.h"
#include "tests/records_test_util.h"

namespace {

using namespace maintest;
using recordstest::DurationSeconds;
using recordstest::ReadRows;
using recordstest::StoredRow;
using recordstest::Totals;
using recordstest::TwoDecimals;

class MainScreenMidnightTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.PrepareStoredProfile());
        ASSERT_TRUE(walk.Load(recordstest::WalkPath()));
        std::string output;
        ASSERT_TRUE(trace.Run(recordstest::WalkPath(), &output)) << output;
        run.Hook("replay", [] { MvSensorConfigure("replay:" + recordstest::WalkPath()); });
    }
    // What the tool counts in the readings due within `ms` of the start of the walk.
    Totals CountBy(int64_t ms) const { return trace.After(walk.DeliveredWithin(0, ms)); }
    // The view's totals as it draws them.
    static int ShownSteps() { return MainView()->TodaySteps() + MainView()->WorkoutSteps(); }
    static int ShownSeconds() { return MainView()->TodaySeconds() + MainView()->WorkoutSeconds(); }
    static double ShownKcal() { return MainView()->TodayCalories() + MainView()->WorkoutCalories(); }

    CShellRun run;
    CMainRecorder recorder;
    recordstest::CRecording walk;
    recordstest::CStepTrace trace;
};

TEST_F(MainScreenMidnightTest, AfterMidnightTheScreenShowsTheNewDaysTotalsAlsoAfterStop) {
    // Yesterday's earlier walk: the workout continues from it until midnight.
    ASSERT_TRUE(
        ExecSqlOn(run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                                    std::string(kToday) + "', '00:20:00', 1000, 40.0, 700.0);"));
    // The walk starts at 23:59:00 (1 s into the run, then the clock is set to it), so midnight
    // comes 60 s into the walk.
    const Totals beforeMidnight = CountBy(59999);
    ASSERT_GT(beforeMidnight.nSteps, 0);
    int stepsAtTen = -1;
    run.Hook("before", [&] { EXPECT_EQ(ShownSteps(), 1000); });
    run.Hook("midnight", [&] {
        // 00:00:10: the screen shows only what was walked since midnight.
        stepsAtTen = ShownSteps();
        const Totals byTen = CountBy(70000);
        EXPECT_GT(byTen.nSteps, beforeMidnight.nSteps);
        EXPECT_EQ(stepsAtTen, byTen.nSteps - beforeMidnight.nSteps);
        EXPECT_NEAR(MainView()->WorkoutSeconds(), 10, 1);
        recorder.Start();
    });
    run.Hook("stopped", [&] {
        std::vector<StoredRow> rows = ReadRows(run.DbPath());
        ASSERT_EQ(rows.size(), 2u);
        const StoredRow& today = rows[1];
        EXPECT_EQ(today.sDate, "2024-03-15");
        EXPECT_EQ(ShownSteps(), today.nSteps);
        EXPECT_EQ(ShownSeconds(), DurationSeconds(today.sDuration));
        EXPECT_EQ(TwoDecimals(ShownKcal()), TwoDecimals(today.dKcal));
        EXPECT_EQ(recorder.Digits(), std::to_string(today.nSteps));
        EXPECT_EQ(today.sDuration, "00:00:30");
        // Yesterday's row: its stored walk plus the workout until midnight.
        EXPECT_EQ(rows[0].nSteps, 1000 + beforeMidnight.nSteps);
        EXPECT_EQ(rows[0].sDuration, "00:21:00");
    });
    const std::string startStop = std::string("tap ") + kStartStop + "\n";
    const std::string script = "call before\ncall replay\nwait 1000\nclock 50339\n" + startStop +
                               "wait 70000\ncall midnight\nwait 20000\n" + startStop + "call stopped\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("midnight"), 1);
    EXPECT_EQ(run.Calls("stopped"), 1);
    EXPECT_GT(stepsAtTen, 0);
}

TEST_F(MainScreenMidnightTest, AScreenLeftOpenAfterAWorkoutShowsZeroFromMidnightOn) {
    // The program starts at 23:59:29; a workout from 23:59:30 to 23:59:40, then nobody touches
    // the program until after midnight.
    run.SetStartLocalSeconds(shelltest::kStartLocalSeconds + 50369);
    int stepsAtStop = -1;
    run.Hook("stopped", [&] { stepsAtStop = ShownSteps(); });
    run.Hook("before_midnight", [&] {
        EXPECT_EQ(ShownSteps(), stepsAtStop);
        recorder.Start();
    });
    run.Hook("midnight", [&] {
        EXPECT_EQ(ShownSteps(), 0);
        EXPECT_EQ(ShownSeconds(), 0);
        EXPECT_EQ(ShownKcal(), 0.0);
        // Drawn at once, without any input.
        EXPECT_EQ(recorder.Digits(), "0");
        // Yesterday's row keeps the workout.
        std::vector<StoredRow> rows = ReadRows(run.DbPath());
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].sDate, kToday);
        EXPECT_EQ(rows[0].nSteps, stepsAtStop);
        EXPECT_EQ(rows[0].sDuration, "00:00:10");
    });
    const std::string startStop = std::string("tap ") + kStartStop + "\n";
    const std::string script =
        "call replay\nwait 1000\n" + startStop + "wait 10000\n" + startStop +
        "call stopped\nwait 19000\ncall before_midnight\nwait 1000\ncall midnight\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("midnight"), 1);
    EXPECT_GT(stepsAtStop, 0);
}

}  // namespace
