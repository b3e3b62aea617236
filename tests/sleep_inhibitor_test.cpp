// Keeping the device awake during a workout, against a real D-Bus daemon: a private system bus
// with python3-dbusmock's logind. The inhibitor is held exactly while a workout runs, whatever
// view shows, and is gone after Stop, Exit and a killed process.
#include <thread>

#include "testing/dbus_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

// Movimetra's inhibitors on the bus once the count settles at `expected` (logind drops one when
// it sees its descriptor closed, which may take a moment), or after five seconds.
std::vector<dbustest::Inhibitor> InhibitorsOnceSettled(dbustest::CMockBus& bus, size_t expected) {
    std::vector<dbustest::Inhibitor> list;
    for (int i = 0; i < 500; ++i) {
        list = dbustest::ListInhibitors(bus);
        if (list.size() == expected) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return list;
}

class SleepInhibitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string missing = dbustest::MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(bus.Start({"--template", "logind"}, "org.freedesktop.login1"));
        ASSERT_TRUE(run.PrepareStoredProfile());
    }

    dbustest::CMockBus bus{"system"};
    CShellRun run;
};

TEST_F(SleepInhibitorTest, HeldExactlyWhileAWorkoutRunsInEveryViewAndReleasedAtStopAndExit) {
    std::vector<size_t> counts;
    run.Hook("walk", [] { MvSensorConfigure("walk"); });
    run.Hook("count", [&] {
        bool running = GetApplication()->Engine().IsSensorRunning();
        counts.push_back(InhibitorsOnceSettled(bus, running ? 1 : 0).size());
    });
    run.Hook("check", [&] {
        std::vector<dbustest::Inhibitor> list = InhibitorsOnceSettled(bus, 1);
        ASSERT_EQ(list.size(), 1u);
        EXPECT_EQ(list[0].what, "sleep");
        EXPECT_EQ(list[0].who, "Movimetra");
        EXPECT_EQ(list[0].why, "Counting steps");
        EXPECT_EQ(list[0].mode, "block");
    });
    std::string script = std::string("call walk\nwait 500\ncall count\n") +  // stopped: none
                         "tap " + kStartStop + "\nwait 3000\ncall check\ncall count\n" + "tap " + kLog +
                         "\nwait 500\ncall count\n" +                        // history
                         "softkey right\nwait 500\n" +                       // back to the main view
                         "softkey left\nwait 500\ncall count\n" +            // profile
                         "softkey right\nwait 500\ncall count\n" +           // cancelled: main view
                         "tap " + kStartStop + "\nwait 500\ncall count\n" +  // stopped
                         "tap " + kStartStop + "\nwait 3000\ncall count\n" +
                         "softkey right\n";  // Exit while running
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("check"), 1);
    EXPECT_EQ(counts, (std::vector<size_t>{0, 1, 1, 1, 1, 0, 1}));
    EXPECT_EQ(InhibitorsOnceSettled(bus, 0).size(), 0u) << "released at Exit";
}

TEST_F(SleepInhibitorTest, KilledProgramLeavesNoInhibitorBehind) {
    std::string dir = run.Dir();
    std::string program = shelltest::InstallProgram(dir);
    ASSERT_FALSE(program.empty());
    // Start, then wait for input that never comes.
    ASSERT_TRUE(shelltest::WriteTextFile(dir + "/script.txt",
                                         std::string("wait 500\ntap ") + kStartStop + "\nwait 3000\n"));
    pid_t pid = shelltest::SpawnProgram(program,
                                        {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual",
                                         "MOVIMETRA_SENSOR=walk", "MOVIMETRA_SCRIPT=" + dir + "/script.txt"},
                                        dir + "/log.txt");
    ASSERT_GT(pid, 0);
    std::vector<dbustest::Inhibitor> held;
    for (int i = 0; i < 3000 && held.empty(); ++i) {
        held = dbustest::ListInhibitors(bus);
        if (held.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    shelltest::WaitProgram(pid, 10000);
    ASSERT_EQ(held.size(), 1u) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_EQ(held[0].who, "Movimetra");
    EXPECT_EQ(InhibitorsOnceSettled(bus, 0).size(), 0u) << "released by the end of the process";
}

// No logind on the bus (or no bus at all): the workout counts as before, and one line says why
// the device may suspend.
TEST(SleepInhibitorWithoutLogindTest, WorkoutCountsAndTheLackIsSaidOnce) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/movimetra-test-bus", 1);
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    run.Hook("walk", [] { MvSensorConfigure("walk"); });
    testing::internal::CaptureStderr();
    std::string twice = std::string("tap ") + kStartStop + "\nwait 3000\ntap " + kStartStop + "\nwait 500\n";
    EXPECT_EQ(run.Run("call walk\n" + twice + twice + "quit\n"), 0);
    std::string err = testing::internal::GetCapturedStderr();
    const std::string line = "movimetra: power: cannot keep the device awake during a workout";
    ASSERT_NE(err.find(line), std::string::npos) << err;
    EXPECT_EQ(err.find(line, err.find(line) + 1), std::string::npos) << "said once: " << err;
    EXPECT_GT(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), 0);
}

}  // namespace
