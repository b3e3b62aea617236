// Workouts on the main view with a replayed walk and the manual clock: start and its notice,
// the runner, the digits, stop and its save, reset, exit, and the buttons to other views.
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

class MainScreenWorkoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.PrepareStoredProfile());
        run.SetSensor(SilentSensor(run));
    }
    static HWND Main() { return GetMainWindow(); }
    void StoreToday(const std::string& values) {
        ASSERT_TRUE(ExecSqlOn(run.DbPath(),
                              "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                                  std::string(kToday) + "', " + values + ");"));
    }
    void UseRecording() {
        run.Hook("replay", [] { MvSensorConfigure("replay:" + RecordingPath()); });
    }
    static std::string Tap(const char* where) { return std::string("tap ") + where + "\n"; }

    CShellRun run;
    CMainRecorder recorder;
};

struct Tick {
    int frame;
    int steps;
    int animating;
};

TEST_F(MainScreenWorkoutTest, ReplayedWalkCountsOnTopOfTodayAndStopSavesTheRow) {
    StoreToday("'00:10:00', 100, 5.0, 70.0");
    UseRecording();
    std::vector<Tick> ticks;
    run.Hook("before", [&] {
        EXPECT_EQ(MainView()->TodaySteps(), 100);
        EXPECT_EQ(MvNotificationCount(), 0);
        recorder.Start();
    });
    run.Hook("starting", [&] {
        EXPECT_EQ(MainView()->RunState(), MAIN_STARTING);
        EXPECT_EQ(MvNotificationCount(), 1);
        EXPECT_TRUE(GetApplication()->Engine().IsSensorRunning());
        EXPECT_TRUE(recorder.Sent(UM_SELECT_TODAY));
        EXPECT_EQ(TodayRows(run.DbPath()), 1);  // today already had its row
        // From here on, the runner's frame at every animation tick.
        MvSetMessageObserver([&](HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
            if (message == WM_TIMER && wParam == TIMER_ANIMATION && MainView())
                ticks.push_back(
                    {MainView()->RunnerFrame(), MainView()->WorkoutSteps(), MainView()->Animating()});
        });
    });
    run.Hook("running", [&] { EXPECT_EQ(MainView()->RunState(), MAIN_RUNNING); });
    run.Hook("walked", [&] {
        CMainScreen* view = MainView();
        EngineCounters counters;
        GetApplication()->Engine().GetCounters(&counters);
        EXPECT_GT(view->WorkoutSteps(), 50);
        EXPECT_EQ(view->WorkoutSteps(), counters.iStepCount);
        EXPECT_NEAR(view->WorkoutSeconds(), 50, 1);
        recorder.Start();
        view->FullRepaint();
        EXPECT_EQ(recorder.Digits(), std::to_string(100 + view->WorkoutSteps()));
    });
    std::string script = "call before\ncall replay\n" + Tap(kStartStop) +
                         "wait 1999\ncall starting\nwait 1\n" + "call running\nwait 48000\ncall walked\n" +
                         Tap(kStartStop) + "call stopped\nquit\n";
    int workoutSteps = 0;
    run.Hook("stopped", [&] {
        workoutSteps = MainView()->WorkoutSteps();
        EXPECT_EQ(MainView()->RunState(), MAIN_STOPPED);
        EXPECT_EQ(MvNotificationCount(), 0);
        EXPECT_FALSE(GetApplication()->Engine().IsSensorRunning());
    });
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(run.Calls("stopped"), 1);
    EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), 100 + workoutSteps);
    EXPECT_EQ(TodayRows(run.DbPath()), 1);

    // The runner moves while steps arrive and comes to rest on frame 0 once more than ten ticks
    // (2 s) passed without one and its stride is complete.
    size_t lastStep = 0;
    for (size_t i = 1; i < ticks.size(); ++i)
        if (ticks[i].steps != ticks[i - 1].steps) lastStep = i;
    ASSERT_GT(lastStep, 20u);
    ASSERT_LT(lastStep + 30, ticks.size());
    int moves = 0;
    for (size_t i = lastStep - 20; i < lastStep; ++i) moves += ticks[i + 1].frame != ticks[i].frame;
    EXPECT_GE(moves, 19);
    size_t rest = lastStep;
    while (rest < ticks.size() && ticks[rest].animating) ++rest;
    EXPECT_GE(rest, lastStep + 11);
    EXPECT_LE(rest, lastStep + 21);
    for (size_t i = rest; i < ticks.size(); ++i) EXPECT_EQ(ticks[i].frame, 0) << i;
}

TEST_F(MainScreenWorkoutTest, StartOnADayWithoutRowsInsertsOneAndAQuickStopEndsTheNotice) {
    run.Hook("started", [&] {
        EXPECT_EQ(TodayRows(run.DbPath()), 1);
        EXPECT_EQ(NewestRow(run.DbPath()), "0|0.0|00:00:00");
        recorder.Start();
    });
    run.Hook("stopped", [&] {
        // Stopped within the notice: the start image is back and the notice is gone.
        EXPECT_EQ(MainView()->RunState(), MAIN_STOPPED);
        EXPECT_TRUE(recorder.Sent(UM_ENGINE_STOP));
        EXPECT_TRUE(recorder.Sent(UM_SAVE_TODAY));
        recorder.Clear();
        MainView()->FullRepaint();
        EXPECT_TRUE(recorder.Drew("control_start_n_k.png", 1, 588));
        EXPECT_FALSE(recorder.DrewPrefix("zuno_i"));
    });
    std::string script = Tap(kStartStop) + "call started\nwait 500\n" + Tap(kStartStop) + "call stopped\n" +
                         Tap(kStartStop) + "wait 500\n" + Tap(kStartStop) + "quit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("stopped"), 1);
    EXPECT_EQ(TodayRows(run.DbPath()), 1);  // the second start found today's row
}

TEST_F(MainScreenWorkoutTest, PressOnStartLiftedOverResetResetsInstead) {
    StoreToday("'00:10:00', 100, 5.0, 70.0");
    run.Hook("check", [&] {
        EXPECT_EQ(MainView()->RunState(), MAIN_STOPPED);
        EXPECT_EQ(MainView()->TodaySteps(), 0);
        EXPECT_EQ(MainView()->ButtonPressed(), 0);
        EXPECT_FALSE(recorder.Sent(UM_ENGINE_START));
        EXPECT_TRUE(recorder.Sent(UM_RESET_STEPS));
        EXPECT_EQ(recorder.Digits(), "0");
    });
    run.Hook("observe", [&] { recorder.Start(); });
    EXPECT_EQ(run.Run(std::string("press ") + kStartStop + "\ncall observe\nmove " + kReset + "\nrelease " +
                      kReset + "\ncall check\nquit\n"),
              0);
    EXPECT_EQ(run.Calls("check"), 1);
    EXPECT_EQ(TodayRows(run.DbPath()), 2);
    EXPECT_EQ(NewestRow(run.DbPath()), "0|0.0|00:00:00");
}

TEST_F(MainScreenWorkoutTest, ResetDuringAWalkShowsZeroAndKeepsCountingIntoANewRow) {
    StoreToday("'00:10:00', 100, 5.0, 70.0");
    UseRecording();
    run.Hook("reset", [&] {
        EXPECT_GT(MainView()->WorkoutSteps(), 0);
        recorder.Start();
    });
    run.Hook("after_reset", [&] {
        EXPECT_EQ(MainView()->RunState(), MAIN_RUNNING);
        EXPECT_EQ(recorder.Digits(), "0");
        recorder.Clear();
    });
    run.Hook("later", [&] {
        EXPECT_GT(MainView()->WorkoutSteps(), 10);
        EXPECT_EQ(MainView()->TodaySteps(), 0);
        MainView()->FullRepaint();
        EXPECT_EQ(recorder.Digits(), std::to_string(MainView()->WorkoutSteps()));
    });
    std::string script = "call replay\n" + Tap(kStartStop) + "wait 12000\ncall reset\n" + Tap(kReset) +
                         "call after_reset\nwait 12000\ncall later\n" + Tap(kStartStop) + "quit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("later"), 1);
    EXPECT_EQ(TodayRows(run.DbPath()), 2);
    // The first row kept what the walk had added to it before the reset.
    EXPECT_GT(QueryInt(run.DbPath(), "SELECT steps FROM pedometer ORDER BY seq LIMIT 1;"), 100);
}

TEST_F(MainScreenWorkoutTest, ExitDuringTheNoticeOrWhileRunningStopsAndSaves) {
    for (int waitMs : {1900, 2500}) {
        CShellRun exitRun;
        ASSERT_TRUE(exitRun.PrepareStoredProfile());
        exitRun.SetSensor(SilentSensor(exitRun));
        CMainRecorder seen;
        int counted = -1;
        exitRun.Hook("replay", [] { MvSensorConfigure("replay:" + RecordingPath()); });
        exitRun.Hook("observe", [&] {
            EngineCounters counters;
            GetApplication()->Engine().GetCounters(&counters);
            counted = counters.iStepCount;
            seen.Start();
        });
        EXPECT_EQ(exitRun.Run("call replay\n" + Tap(kStartStop) + "wait " + std::to_string(waitMs) +
                              "\ncall observe\nsoftkey right\n"),
                  0);
        EXPECT_EQ(GetApplication(), nullptr);
        EXPECT_EQ(MvNotificationCount(), 0);
        std::vector<UINT> order;
        for (UINT message : seen.messages)
            if (message == UM_ENGINE_STOP || message == UM_SAVE_TODAY || message == UM_VIBRATE ||
                message == WM_DESTROY)
                order.push_back(message);
        EXPECT_EQ(order, (std::vector<UINT>{UM_ENGINE_STOP, UM_SAVE_TODAY, UM_VIBRATE, WM_DESTROY}))
            << waitMs;
        // The steps of the notice's two seconds are kept.
        EXPECT_GT(counted, 0) << waitMs;
        EXPECT_EQ(atoi(NewestRow(exitRun.DbPath()).c_str()), counted) << waitMs;
    }
}

// Away on the profile (Cancel) and on the history (Reset, No, Close) while the walk goes on: back
// on the main view, and after Stop, the digits show what the engine counted and the row holds.
TEST_F(MainScreenWorkoutTest, ReturningFromOtherViewsDuringAWalkShowsTheCurrentTotals) {
    StoreToday("'00:01:00', 7, 0.5, 5.0");
    UseRecording();
    std::vector<std::string> shown, counted;
    auto note = [&] {
        EngineCounters counters;
        GetApplication()->Engine().GetCounters(&counters);
        shown.push_back(recorder.Digits());
        counted.push_back(std::to_string(7 + counters.iStepCount));
    };
    run.Hook("observe", [&] { recorder.Start(); });
    run.Hook("back", note);
    std::string shownAfterStop;
    double kcalAfterStop = 0;
    run.Hook("stopped", [&] {
        shownAfterStop = recorder.Digits();
        kcalAfterStop = MainView()->TodayCalories() + MainView()->WorkoutCalories();
    });
    std::string script = "call replay\ncall observe\n" + Tap(kStartStop) +
                         "wait 3000\nsoftkey left\nwait 8000\n" +
                         "softkey right\nwait 100\ncall back\nwait 2000\n" + Tap(kLog) +
                         "softkey left\nwait 200\ntap 344 343\nwait 8000\nsoftkey right\nwait 100\n" +
                         "call back\nwait 2000\n" + Tap(kStartStop) + "wait 500\ncall stopped\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown, counted);
    const std::string row = NewestRow(run.DbPath());
    EXPECT_GT(atoi(row.c_str()), 7 + 10);
    EXPECT_EQ(shownAfterStop, std::to_string(atoi(row.c_str())));
    EXPECT_NEAR(kcalAfterStop, atof(row.substr(row.find('|') + 1).c_str()), 0.01);
}

// A second workout that counts nothing (the sensor falls silent) adds nothing: the first walk's
// steps are neither shown nor stored twice, also by a periodic save while it runs.
TEST_F(MainScreenWorkoutTest, AWorkoutWithoutAStepAfterAWalkStoresAndShowsTheWalkOnce) {
    UseRecording();
    const std::string silent = SilentSensor(run);
    run.Hook("silence", [silent] { MvSensorConfigure(silent); });
    std::string shownAfterWalk, shownAfterSecond;
    int stepsAfterWalk = 0;
    run.Hook("walked", [&] {
        recorder.Start();
        MainView()->FullRepaint();
        shownAfterWalk = recorder.Digits();
        stepsAfterWalk = atoi(NewestRow(run.DbPath()).c_str());
    });
    run.Hook("second", [&] {
        recorder.Clear();
        MainView()->FullRepaint();
        shownAfterSecond = recorder.Digits();
    });
    std::string script = "call replay\n" + Tap(kStartStop) + "wait 20000\n" + Tap(kStartStop) +
                         "wait 500\ncall walked\ncall silence\n" + Tap(kStartStop) + "wait 12000\n" +
                         Tap(kStartStop) + "wait 500\ncall second\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_GT(stepsAfterWalk, 10);
    EXPECT_EQ(shownAfterWalk, std::to_string(stepsAfterWalk));
    EXPECT_EQ(atoi(NewestRow(run.DbPath()).c_str()), stepsAfterWalk);
    EXPECT_EQ(shownAfterSecond, std::to_string(stepsAfterWalk));
    EXPECT_EQ(TodayRows(run.DbPath()), 1);
}

TEST_F(MainScreenWorkoutTest, LogButtonSavesAndOpensHistoryWhileTheWalkGoesOnProfileKeyOpensProfile) {
    UseRecording();
    run.Hook("observe", [&] { recorder.Start(); });
    run.Hook("history", [&] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_HISTORY);
        ASSERT_TRUE(recorder.Sent(UM_SAVE_TODAY));
        EXPECT_TRUE(GetApplication()->Engine().IsSensorRunning());
    });
    int stepsAway = 0;
    run.Hook("back", [&] {
        // As the previous view it kept hearing the steps; its timers rested meanwhile.
        stepsAway = MainView()->WorkoutSteps();
        EXPECT_GT(stepsAway, 10);
        EXPECT_FALSE(MainView()->TickTimersRunning());
        recorder.Clear();
        SendMessageW(Main(), UM_SWITCH_VIEW, VIEW_MAIN, 0);
        // Back on screen, the time is brought up to date before the first repaint.
        EXPECT_NEAR(MainView()->WorkoutSeconds(), 13, 1);
        EXPECT_TRUE(MainView()->TickTimersRunning());
        EXPECT_EQ(recorder.Digits(), std::to_string(stepsAway));
    });
    run.Hook("profile", [&] { EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_PROFILE); });
    std::string script = "call replay\n" + Tap(kStartStop) + "wait 3000\ncall observe\n" + Tap(kLog) +
                         "call history\nwait 10000\ncall back\n" + Tap(kStartStop) +
                         "softkey left\ncall profile\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("profile"), 1);
}

}  // namespace
