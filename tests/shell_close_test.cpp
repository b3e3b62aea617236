// The end of the program (close handler order, exit code of the real program), the single
// instance rule, and the real program on a real display under Xvfb.
#include "platform/mv_platform.h"
#include "testing/foreign_user_test_util.h"
#include "tests/shell_harness_test_util.h"

namespace {

using shelltest::CShellRun;

struct Seen {
    UINT message;
    DWORD tick;
    size_t vibrations;
};

TEST(ShellCloseTest, CloseStopsTheEngineSavesVibratesThenDestroys) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    std::vector<Seen> seen;
    run.Hook("observe", [&] {
        MvVibrationClearLog();
        MvSetMessageObserver([&](HWND hWnd, UINT message, WPARAM, LPARAM) {
            if (hWnd != GetMainWindow()) return;
            if (message == UM_ENGINE_STOP || message == UM_SAVE_TODAY || message == WM_DESTROY)
                seen.push_back({message, GetTickCount(), MvVibrationLog().size()});
        });
    });
    EXPECT_EQ(run.Run("call observe\nquit\n"), 0);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, (UINT)UM_ENGINE_STOP);
    EXPECT_EQ(seen[1].message, (UINT)UM_SAVE_TODAY);
    EXPECT_EQ(seen[2].message, (UINT)WM_DESTROY);
    // The pulse (on, off, on, off, 100 ms apart) is asked for between the save and the
    // destruction; the driver plays it, so the close does not wait for it.
    EXPECT_EQ(seen[1].vibrations, 0u);
    EXPECT_EQ(seen[2].vibrations, 4u);
    EXPECT_EQ(seen[2].tick - seen[1].tick, 0u);
    EXPECT_EQ(MvVibrationLog(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(GetApplication(), nullptr);
    EXPECT_EQ(GetInitialMenuBar(), nullptr);
}

TEST(ShellCloseTest, ExitSoftKeyOfTheMainViewEndsTheProgram) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    EXPECT_EQ(run.Run("softkey right\n"), 0);
    EXPECT_EQ(GetApplication(), nullptr);
}

class ShellProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        program = shelltest::InstallProgram(dir);
        ASSERT_FALSE(program.empty()) << "cannot copy " << shelltest::ProgramBinary();
    }
    // Environment of a headless child on the manual clock with its own instance socket folder.
    std::vector<std::string> HeadlessEnv(const std::string& script) {
        shelltest::WriteTextFile(dir + "/script.txt", script);
        return {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual", "MOVIMETRA_SENSOR=none",
                "MOVIMETRA_SCRIPT=" + dir + "/script.txt"};
    }
    const CTempDir temp{shelltest::kTempPrefix};
    const std::string dir = temp.Path();
    std::string program;
};

TEST_F(ShellProgramTest, RealProgramQuitsWithExitCodeZeroAndKeepsItsDatabaseBesideIt) {
    ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", 0));
    pid_t pid = shelltest::SpawnProgram(program, HeadlessEnv("wait 1000\nshot " + dir + "/start.png\nquit\n"),
                                        dir + "/log.txt");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    EXPECT_TRUE(end.exited) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_EQ(end.code, 0) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_TRUE(std::filesystem::exists(dir + "/start.png"));
}

TEST_F(ShellProgramTest, SecondInstanceExitsAtOnceAndBringsTheFirstToTheFront) {
    // The first instance runs in this process; the second is the real program. Both use one
    // instance name (they live in different folders).
    std::string instance = "shelltest-" + std::to_string(getpid());
    setenv("MOVIMETRA_INSTANCE", instance.c_str(), 1);
    CShellRun first;
    ASSERT_TRUE(first.PrepareStoredProfile());
    bool activated = false;
    shelltest::ChildEnd end;
    std::string log = dir + "/second.txt";
    first.Hook("second", [&] {
        HWND hMain = GetMainWindow();
        MvSetMessageObserver([&](HWND hWnd, UINT message, WPARAM wParam, LPARAM) {
            if (hWnd == hMain && message == WM_ACTIVATE && LOWORD(wParam) == WA_ACTIVE) activated = true;
        });
        std::vector<std::string> env = {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual",
                                        "MOVIMETRA_SENSOR=none", "MOVIMETRA_INSTANCE=" + instance};
        pid_t pid = shelltest::SpawnProgram(program, env, log);
        ASSERT_GT(pid, 0);
        // The first instance keeps handling messages while the second asks for it.
        int pidfd = (int)syscall(SYS_pidfd_open, pid, 0);
        ASSERT_GE(pidfd, 0);
        for (int i = 0; i < 6000; ++i) {
            MvPumpMessages();
            pollfd fd = {pidfd, POLLIN, 0};
            if (poll(&fd, 1, 10) > 0) break;
        }
        close(pidfd);
        end = shelltest::WaitProgram(pid, 1000);
        // The raise request may still be on its way to the UI thread.
        for (int i = 0; i < 500 && !activated; ++i) {
            MvPumpMessages();
            pollfd none = {-1, 0, 0};
            poll(&none, 0, 2);
        }
        MvSetMessageObserver(nullptr);
    });
    EXPECT_EQ(first.Run("call second\nquit\n"), 0);
    EXPECT_EQ(first.Calls("second"), 1);
    EXPECT_TRUE(end.exited) << shelltest::ReadTextFile(log);
    EXPECT_EQ(end.code, 0) << shelltest::ReadTextFile(log);
    EXPECT_TRUE(activated);
    // The second instance never opened a database of its own.
    EXPECT_FALSE(std::filesystem::exists(dir + "/Movimetra.db"));
}

TEST_F(ShellProgramTest, AnotherUsersInstanceDoesNotStopTheProgramFromStarting) {
    std::string why = CForeignUser::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    // Another local user holds the instance name first and answers like a running instance.
    std::string instance = "shellforeign-" + std::to_string(getpid());
    CForeignUser squatter;
    ASSERT_TRUE(squatter.Start({"serve", "movimetra-" + instance}));
    ASSERT_EQ(squatter.ReadLine(20000), "ready");
    ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", 0));
    std::vector<std::string> env = HeadlessEnv("wait 1000\nshot " + dir + "/start.png\nquit\n");
    env.push_back("MOVIMETRA_INSTANCE=" + instance);
    pid_t pid = shelltest::SpawnProgram(program, env, dir + "/log.txt");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    EXPECT_TRUE(end.exited) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_EQ(end.code, 0) << shelltest::ReadTextFile(dir + "/log.txt");
    // It ran its script: it did not take the other user's socket for a running instance.
    EXPECT_TRUE(std::filesystem::exists(dir + "/start.png"));
}

TEST_F(ShellProgramTest, RealProgramRunsOnXvfbAndClosesCleanly) {
    if (system("command -v Xvfb > /dev/null 2>&1") != 0) GTEST_SKIP() << "Xvfb is not installed";
    std::string display;
    pid_t xvfb = shelltest::StartXvfb("480x800x24", &display);
    ASSERT_GT(xvfb, 0) << "Xvfb did not start";
    ASSERT_TRUE(shelltest::WriteStoredProfile(dir + "/Movimetra.db", 1));
    std::vector<std::string> env = HeadlessEnv("wait 500\nshot " + dir + "/xvfb.png\nquit\n");
    env[0] = "MOVIMETRA_DISPLAY=sdl";
    env.push_back("DISPLAY=" + display);
    env.push_back("SDL_AUDIODRIVER=dummy");
    // In sanitizer builds: the X11 and D-Bus libraries SDL loads keep a few allocations to the
    // end (some from modules already unloaded, so no suppression can name them). Not ours.
    env.push_back("ASAN_OPTIONS=detect_leaks=0");
    pid_t pid = shelltest::SpawnProgram(program, env, dir + "/log.txt");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    std::string log = shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_TRUE(end.exited) << log;
    EXPECT_EQ(end.code, 0) << log;
    EXPECT_TRUE(std::filesystem::exists(dir + "/xvfb.png"));
    // It really ran on the display, not the headless fallback.
    EXPECT_EQ(log.find("headless"), std::string::npos) << log;
}

}  // namespace
