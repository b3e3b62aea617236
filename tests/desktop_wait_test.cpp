// The UI thread never waits on the desktop: with the notification server or the whole session bus
// frozen (SIGSTOP, as a hung process is) at the goal's crossing, the program goes on handling its
// messages; with the bus frozen before the start, the window comes up and a workout counts. The
// gaps are measured on the real clock.
#include <time.h>

#include <chrono>

#include "main_screen_test_util.h"
#include "store/schema.h"
#include "testing/dbus_test_util.h"

namespace {

using maintest::ExecSqlOn;
using maintest::kStartStop;
using maintest::QueryInt;
using maintest::QueryText;
using maintest::RecordingPath;
using shelltest::CShellRun;

// The main view's ticks come every 200 ms; a tick may be late by at most this much.
constexpr long kMaxLateMs = 200;
constexpr long kTickMs = 200;

// The longest time between two messages the UI thread handled while it was measuring.
class CGapMeter {
public:
    void Start() {
        m_Last = std::chrono::steady_clock::now();
        MvSetMessageObserver([this](HWND, UINT, WPARAM, LPARAM) {
            const auto now = std::chrono::steady_clock::now();
            const long gap = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(now - m_Last).count());
            if (gap > m_nMaxGapMs) m_nMaxGapMs = gap;
            m_Last = now;
            ++m_nMessages;
        });
    }
    void Stop() { MvSetMessageObserver(nullptr); }
    long MaxGapMs() const { return m_nMaxGapMs; }
    int Messages() const { return m_nMessages; }

private:
    std::chrono::steady_clock::time_point m_Last;
    long m_nMaxGapMs = 0;
    int m_nMessages = 0;
};

std::string LocalToday() {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char text[16];
    strftime(text, sizeof(text), "%Y-%m-%d", &local);
    return text;
}

class DesktopWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = dbustest::MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(run.PrepareStoredProfile(1));
        run.SetSensor("replay:" + RecordingPath());
    }
    void TearDown() override { unsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    // A goal one step away today, so that the first step crosses it.
    bool GoalOneStepAway(const std::string& today) {
        return ExecSqlOn(run.DbPath(),
                         std::string(kGoalTable.pszCreate) + "; INSERT INTO goal VALUES(100, NULL);" +
                             "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                             today + "', '00:10:00', 99, 5.0, 70.0);");
    }

    // Walks on the real clock across the goal with `freeze` applied just before Start; the
    // largest gap between two handled messages from then on.
    long WalkAcrossTheGoal(const std::function<void()>& freeze, const std::function<void()>& thaw) {
        const std::string today = LocalToday();
        EXPECT_TRUE(GoalOneStepAway(today));
        run.SetRealClock();
        CGapMeter meter;
        run.Hook("freeze", [&] {
            freeze();
            meter.Start();
        });
        run.Hook("walked", [&] {
            meter.Stop();
            thaw();
        });
        EXPECT_EQ(run.Run(std::string("wait 300\ncall freeze\ntap ") + kStartStop +
                          "\nwait 5000\ncall walked\ntap " + kStartStop + "\nwait 200\nquit\n"),
                  0);
        EXPECT_EQ(QueryText(run.DbPath(), "SELECT ifnull(noticed, '') FROM goal;"), today)
            << "the goal was crossed";
        EXPECT_GT(meter.Messages(), 20);
        return meter.MaxGapMs();
    }

    CShellRun run;
};

TEST_F(DesktopWaitTest, AFrozenNotificationServerAtTheGoalCrossingHoldsNoRepaint) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.Start({"-t", "notification_daemon"}, "org.freedesktop.Notifications"));
    const long gap = WalkAcrossTheGoal([&] { bus.FreezeMock(true); }, [&] { bus.FreezeMock(false); });
    EXPECT_LT(gap, kTickMs + kMaxLateMs);
}

TEST_F(DesktopWaitTest, AFrozenBusAtTheGoalCrossingHoldsNoRepaint) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.Start({"-t", "notification_daemon"}, "org.freedesktop.Notifications"));
    const long gap = WalkAcrossTheGoal([&] { bus.FreezeBus(true); }, [&] { bus.FreezeBus(false); });
    EXPECT_LT(gap, kTickMs + kMaxLateMs);
}

// The bus hangs from before the start: the window comes up, a workout counts and is stored, and
// the end does not wait for the bus either.
TEST_F(DesktopWaitTest, AFrozenBusBeforeTheStartHoldsNeitherTheStartNorTheWorkout) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.StartBus());
    bus.FreezeBus(true);
    bool windowUp = false;
    run.Hook("up", [&] { windowUp = IsWindowVisible(GetMainWindow()) != FALSE; });
    EXPECT_EQ(run.Run(std::string("wait 300\ncall up\ntap ") + kStartStop + "\nwait 20000\ntap " +
                      kStartStop + "\nwait 300\nquit\n"),
              0);
    bus.FreezeBus(false);
    EXPECT_TRUE(windowUp);
    EXPECT_GT(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), 20);
}

}  // namespace
