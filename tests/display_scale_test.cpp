// The real program on a phone-sized X screen (720x1200, Xvfb): the 480x800 frame fills the window
// at 1.5x, a click where Start shows after scaling starts a workout, and the window leaves the
// screen saver alone (a mock org.freedesktop.ScreenSaver on a private session bus is never asked
// to inhibit it).
#include <thread>

#include "testing/dbus_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

int Shell(const std::string& command) {
    return std::system(command.c_str());
}

TEST(DisplayScaleTest, ClickAtTheScaledPlaceOfStartStartsAWorkout) {
    if (Shell("command -v Xvfb > /dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
    if (Shell("command -v xdotool > /dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    std::string missing = dbustest::MissingTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
    dbustest::CMockBus session("session");
    const char* saver = "org.freedesktop.ScreenSaver";
    ASSERT_TRUE(session.Start({saver, "/org/freedesktop/ScreenSaver", saver}, saver));
    GVariant* added =
        session.Call(saver, "/org/freedesktop/ScreenSaver", "org.freedesktop.DBus.Mock", "AddMethod",
                     g_variant_new("(sssss)", saver, "Inhibit", "ss", "u", "ret = 1"), nullptr);
    ASSERT_NE(added, nullptr);
    g_variant_unref(added);
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    std::string program = shelltest::InstallProgram(run.Dir());
    ASSERT_FALSE(program.empty());
    std::string display;
    pid_t xvfb = shelltest::StartXvfb("720x1200x24", &display);
    ASSERT_GT(xvfb, 0) << "Xvfb did not start";
    std::vector<std::string> env = {"MOVIMETRA_DISPLAY=sdl",
                                    "MOVIMETRA_WINDOW=720x1200",
                                    "MOVIMETRA_SENSOR=" + SilentSensor(run),
                                    "DISPLAY=" + display,
                                    "SDL_AUDIODRIVER=dummy",
                                    "ASAN_OPTIONS=detect_leaks=0",
                                    "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/movimetra-test-bus"};
    std::string log = run.Dir() + "/log.txt";
    pid_t pid = shelltest::SpawnProgram(program, env, log);
    ASSERT_GT(pid, 0);
    std::string x = "DISPLAY=" + display + " timeout 30 xdotool ";
    // Start's centre, (80, 692) on the screen, is (120, 1038) in the window.
    bool shown = Shell(x + "search --sync --onlyvisible --name Movimetra > /dev/null") == 0;
    // The window may show before the program takes input: click again while nothing started
    // (a late first click then stops the workout, which keeps its row).
    bool clicked = false;
    int rows = 0;
    for (int attempt = 0; shown && attempt < 10 && rows == 0; ++attempt) {
        clicked = Shell(x + "mousemove 120 1038 click 1") == 0;
        for (int i = 0; clicked && i < 200 && rows == 0; ++i) {
            rows = QueryInt(run.DbPath(), "SELECT COUNT(*) FROM pedometer;");
            if (rows == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // Exit: the right soft key, (360, 774) on the screen.
    bool exited = clicked && Shell(x + "mousemove 540 1161 click 1") == 0;
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, exited ? 30000 : 0);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    std::string output = shelltest::ReadTextFile(log);
    ASSERT_TRUE(shown) << output;
    EXPECT_EQ(rows, 1) << "the workout's row: " << output;
    EXPECT_TRUE(end.exited) << output;
    EXPECT_EQ(end.code, 0) << output;
    EXPECT_EQ(output.find("headless"), std::string::npos) << output;
    for (const std::string& method : session.CalledMethods(saver, "/org/freedesktop/ScreenSaver"))
        EXPECT_NE(method, "Inhibit") << "the window kept the screen on";
}

}  // namespace
