// Nobody looking: while the session's screen saver is active (python3-dbusmock's objects on a
// private session bus) or the window is minimized, the main view draws nothing and its timers
// stop, while the workout counts and saves on; the first picture after shows the engine's totals.
#include <thread>

#include "testing/dbus_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

// What reaches the main view's windows while nobody looks.
struct Activity {
    int nTimers = 0;  // runner and value ticks
    int nPaints = 0;
    int nImages = 0;  // images drawn through the image drawer
};

void Observe(Activity* activity) {
    MvSetMessageObserver([activity](HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_TIMER && (wParam == TIMER_ANIMATION || wParam == TIMER_VALUES)) ++activity->nTimers;
        if (message == WM_PAINT) ++activity->nPaints;
        if (message == UM_DRAW_IMAGE) ++activity->nImages;
    });
}

// The view's rows of the screen (the task bar's clock may move meanwhile).
std::vector<uint32_t> ViewPixels() {
    std::vector<uint32_t> all(480 * 800);
    MvFramebufferCopy(all.data());
    return std::vector<uint32_t>(all.begin() + 480 * kViewTop, all.begin() + 480 * (kViewTop + 696));
}

// Handles messages until `done`, for at most five seconds: the screen saver's signal comes
// through the bus in its own time.
bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 5000; ++i) {
        MvPumpMessages();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

int TodayStepsOfEngine() {
    EngineCounters counters{};
    GetApplication()->Engine().GetCounters(&counters);
    return counters.sumStep + counters.iStepCount;
}

// One screen saver: a plain mock object with GetActive answering `activeAtStart`.
class CScreenSaverMock {
public:
    CScreenSaverMock(dbustest::CMockBus& bus, std::string name, std::string path)
        : m_bus(bus), m_strName(std::move(name)), m_strPath(std::move(path)) {}

    // With `busUp`, on the bus that is already there.
    bool Start(bool activeAtStart, bool busUp = false) {
        const std::vector<std::string> args = {m_strName, m_strPath, m_strName};
        if (!(busUp ? m_bus.StartMock(args, m_strName) : m_bus.Start(args, m_strName))) return false;
        GVariant* reply =
            m_bus.Call(m_strName.c_str(), m_strPath.c_str(), "org.freedesktop.DBus.Mock", "AddMethod",
                       g_variant_new("(sssss)", m_strName.c_str(), "GetActive", "", "b",
                                     activeAtStart ? "ret = True" : "ret = False"),
                       nullptr);
        if (reply != nullptr) g_variant_unref(reply);
        return reply != nullptr;
    }
    // The program asked for the state: it listens for the signal from now on (its match rule
    // went to the bus before the question).
    bool WasAsked() {
        for (const std::string& method : m_bus.CalledMethods(m_strName.c_str(), m_strPath.c_str()))
            if (method == "GetActive") return true;
        return false;
    }
    bool WaitUntilAsked() {
        for (int i = 0; i < 500; ++i) {
            if (WasAsked()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void EmitActiveChanged(bool active) {
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("av"));
        g_variant_builder_add(&args, "v", g_variant_new_boolean(active));
        GVariant* reply =
            m_bus.Call(m_strName.c_str(), m_strPath.c_str(), "org.freedesktop.DBus.Mock", "EmitSignal",
                       g_variant_new("(sssav)", m_strName.c_str(), "ActiveChanged", "b", &args), nullptr);
        ASSERT_NE(reply, nullptr) << m_bus.Log();
        g_variant_unref(reply);
    }

private:
    dbustest::CMockBus& m_bus;
    std::string m_strName;
    std::string m_strPath;
};

class ScreenSaverTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string missing = dbustest::MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(run.PrepareStoredProfile());
        ASSERT_TRUE(CopyBuiltImages(run.Dir()));
        ASSERT_TRUE(
            ExecSqlOn(run.DbPath(), std::string("INSERT INTO pedometer(curdate, curtime, steps, kcal, "
                                                "distance) VALUES('") +
                                        kToday + "', '00:10:00', 100, 5.0, 70.0);"));
        run.Hook("replay", [] { MvSensorConfigure("replay:" + RecordingPath()); });
    }

    dbustest::CMockBus bus{"session"};
    CShellRun run;
};

TEST_F(ScreenSaverTest, MainViewRestsWhileTheScreenSaverIsActiveAndShowsTheTotalsAfter) {
    CScreenSaverMock saver(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver");
    ASSERT_TRUE(saver.Start(false));
    Activity activity;
    std::vector<uint32_t> picture;
    int stepsAtBlank = 0;
    int savedAtBlank = 0;
    run.Hook("blank", [&] {
        ASSERT_EQ(MainView()->RunState(), MAIN_RUNNING);
        ASSERT_TRUE(MainView()->TickTimersRunning());
        ASSERT_TRUE(saver.WaitUntilAsked()) << bus.Log();
        saver.EmitActiveChanged(true);
        ASSERT_TRUE(PumpUntil([] { return MainView()->Resting(); }));
        EXPECT_FALSE(MainView()->TickTimersRunning());
        stepsAtBlank = TodayStepsOfEngine();
        savedAtBlank = QueryInt(run.DbPath(), "SELECT steps FROM pedometer;");
        picture = ViewPixels();
        Observe(&activity);
    });
    run.Hook("during", [&] {
        EXPECT_EQ(activity.nTimers, 0);
        EXPECT_EQ(activity.nPaints, 0);
        EXPECT_EQ(activity.nImages, 0);
        EXPECT_TRUE(ViewPixels() == picture) << "nothing drawn while the screen saver is active";
        // Counting and saving went on.
        EXPECT_GT(TodayStepsOfEngine(), stepsAtBlank + 20);
        EXPECT_GT(QueryInt(run.DbPath(), "SELECT steps FROM pedometer;"), savedAtBlank + 20);
        EXPECT_TRUE(GetApplication()->Engine().IsSensorRunning());
    });
    CMainRecorder recorder;
    int shownSteps = 0;
    run.Hook("unblank", [&] {
        recorder.Start();
        saver.EmitActiveChanged(false);
        ASSERT_TRUE(PumpUntil([] { return !MainView()->Resting(); }));
        shownSteps = TodayStepsOfEngine();
        // One full repaint with the engine's totals, and the runner ticks again.
        EXPECT_EQ(recorder.Digits(), std::to_string(shownSteps));
        EXPECT_FALSE(ViewPixels() == picture);
        EXPECT_TRUE(MainView()->TickTimersRunning());
        EXPECT_EQ(MainView()->WorkoutSteps() + 100, shownSteps);
    });
    std::string script = std::string("call replay\ntap ") + kStartStop +
                         "\nwait 3000\ncall blank\nwait 30000\ncall during\ncall unblank\nwait 1000\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("unblank"), 1);
    EXPECT_GT(shownSteps, 100);
}

// Plasma's screen saver, already active when the program starts: the main view rests from the
// answer on, and comes back when it ends.
TEST_F(ScreenSaverTest, ActiveAtStartIsAskedForAndFollowed) {
    CScreenSaverMock saver(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver");
    ASSERT_TRUE(saver.Start(true));
    Activity activity;
    run.Hook("asked", [&] {
        ASSERT_TRUE(PumpUntil([] { return MainView()->Resting(); }));
        EXPECT_FALSE(MainView()->TickTimersRunning());
        Observe(&activity);
    });
    CMainRecorder recorder;
    run.Hook("ends", [&] {
        EXPECT_EQ(activity.nTimers, 0);
        EXPECT_EQ(activity.nImages, 0);
        recorder.Start();
        saver.EmitActiveChanged(false);
        ASSERT_TRUE(PumpUntil([] { return !MainView()->Resting(); }));
        EXPECT_EQ(recorder.Digits(), std::to_string(TodayStepsOfEngine()));
    });
    std::string script = std::string("call replay\ntap ") + kStartStop +
                         "\nwait 3000\ncall asked\nwait 10000\ncall ends\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("ends"), 1);
}

// A screen saver that dies while active no longer hides the screen: the main view draws again;
// one that comes back is followed again.
TEST_F(ScreenSaverTest, AScreenSaverThatLeavesTheBusWhileActiveCountsAsInactive) {
    CScreenSaverMock saver(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver");
    ASSERT_TRUE(saver.Start(false));
    CMainRecorder recorder;
    run.Hook("blank", [&] {
        ASSERT_TRUE(saver.WaitUntilAsked()) << bus.Log();
        saver.EmitActiveChanged(true);
        ASSERT_TRUE(PumpUntil([] { return MainView()->Resting(); }));
    });
    run.Hook("dies", [&] {
        recorder.Start();
        bus.StopMock();
        ASSERT_TRUE(PumpUntil([] { return !MainView()->Resting(); }));
        EXPECT_TRUE(MainView()->TickTimersRunning());
        EXPECT_EQ(recorder.Digits(), std::to_string(TodayStepsOfEngine()));
    });
    CScreenSaverMock again(bus, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver");
    run.Hook("back", [&] {
        ASSERT_TRUE(again.Start(false, true));
        again.EmitActiveChanged(true);
        ASSERT_TRUE(PumpUntil([] { return MainView()->Resting(); }));
        again.EmitActiveChanged(false);
        ASSERT_TRUE(PumpUntil([] { return !MainView()->Resting(); }));
    });
    std::string script = std::string("call replay\ntap ") + kStartStop +
                         "\nwait 3000\ncall blank\nwait 5000\ncall dies\nwait 1000\ncall back\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("back"), 1);
}

// A minimized window rests the same way, with no bus at all.
TEST(MinimizedWindowTest, MainViewRestsWhileMinimized) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    run.Hook("replay", [] { MvSensorConfigure("replay:" + RecordingPath()); });
    Activity activity;
    run.Hook("minimize", [&] {
        MvWindowShown(false);
        MvPumpMessages();
        EXPECT_TRUE(MainView()->Resting());
        Observe(&activity);
    });
    CMainRecorder recorder;
    run.Hook("restore", [&] {
        EXPECT_EQ(activity.nTimers, 0);
        EXPECT_EQ(activity.nImages, 0);
        recorder.Start();
        MvWindowShown(true);
        MvPumpMessages();
        EXPECT_FALSE(MainView()->Resting());
        EXPECT_TRUE(MainView()->TickTimersRunning());
        EXPECT_GT(TodayStepsOfEngine(), 0);
        EXPECT_EQ(recorder.Digits(), std::to_string(TodayStepsOfEngine()));
    });
    std::string script = std::string("call replay\ntap ") + kStartStop +
                         "\nwait 3000\ncall minimize\nwait 10000\ncall restore\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("restore"), 1);
}

}  // namespace
