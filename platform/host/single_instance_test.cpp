// FindWindowW and SetForegroundWindow across two processes: this test starts a second copy of
// the test program that shows a window, finds that window and asks it to come to the front.
// Instances of another user are neither asked nor answered.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/core/core_test_util.h"
#include "testing/foreign_user_test_util.h"

namespace {

int g_helperFd = -1;

LRESULT HelperProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ACTIVATE && LOWORD(wParam) == WA_ACTIVE) {
        if (write(g_helperFd, "raised\n", 7) != 7) PostQuitMessage(2);
        PostQuitMessage(0);
        return 0;
    }
    if (msg == WM_TIMER) PostQuitMessage(1);  // nobody came: give up
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

// Reads one line from fd, waiting at most `ms`.
std::string ReadLineWithin(int fd, int ms) {
    std::string line;
    char c;
    while (true) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0) return line;
        if (read(fd, &c, 1) != 1 || c == '\n') return line;
        line.push_back(c);
    }
}

TEST(CoreInstance, HelperProcess) {
    const char* fdText = std::getenv("MV_INSTANCE_HELPER_FD");
    if (fdText == nullptr) GTEST_SKIP() << "runs only as the second process of FindsAndRaisesAnotherInstance";
    g_helperFd = std::atoi(fdText);
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    MvPlatformInit(options);
    WNDCLASSW wc{};
    wc.lpfnWndProc = HelperProc;
    wc.lpszClassName = L"MvInstanceProbe";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND w = CreateWindowExW(0, L"MvInstanceProbe", L"Probe", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    SetTimer(w, 1, 20000, nullptr);
    ASSERT_EQ(write(g_helperFd, "ready\n", 6), 6);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    MvPlatformShutdown();
    EXPECT_EQ(msg.wParam, 0u);
}

// Starts the helper process above; returns its pid (and the read end of its pipe in *fd).
pid_t StartHelperInstance(int* fd) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        setenv("MV_INSTANCE_HELPER_FD", std::to_string(fds[1]).c_str(), 1);
        execl("/proc/self/exe", "platform_tests", "--gtest_filter=CoreInstance.HelperProcess", nullptr);
        _exit(127);
    }
    close(fds[1]);
    *fd = fds[0];
    return child;
}

TEST(CoreInstance, FindsAndRaisesAnotherInstance) {
    std::string id = "coretest-" + std::to_string(getpid());
    setenv("MOVIMETRA_INSTANCE", id.c_str(), 1);
    int fd = -1;
    pid_t child = StartHelperInstance(&fd);
    ASSERT_GT(child, 0);
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    MvPlatformInit(options);
    EXPECT_EQ(ReadLineWithin(fd, 20000), "ready");

    HWND remote = FindWindowW(L"MvInstanceProbe", L"Probe");
    EXPECT_NE(remote, nullptr);
    EXPECT_FALSE(IsWindow(remote));
    EXPECT_EQ(FindWindowW(L"MvInstanceProbe", L"Another title"), nullptr);
    EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(remote) | 1)));
    EXPECT_EQ(ReadLineWithin(fd, 20000), "raised");

    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    close(fd);
    MvPlatformShutdown();
    unsetenv("MOVIMETRA_INSTANCE");
}

TEST(CoreInstance, AnotherUsersInstanceIsNeitherAskedNorAnswered) {
    std::string why = CForeignUser::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    std::string id = "coreforeign-" + std::to_string(getpid());
    std::string name = "movimetra-" + id;
    setenv("MOVIMETRA_INSTANCE", id.c_str(), 1);
    // Another user holds the instance name and answers like a running instance.
    CForeignUser squatter;
    ASSERT_TRUE(squatter.Start({"serve", name}));
    ASSERT_EQ(squatter.ReadLine(20000), "ready");
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    MvPlatformInit(options);
    EXPECT_EQ(FindWindowW(L"MvInstanceProbe", L"Probe"), nullptr);

    // This user's instance serves under the next name; this user finds it there ...
    int fd = -1;
    pid_t child = StartHelperInstance(&fd);
    ASSERT_GT(child, 0);
    EXPECT_EQ(ReadLineWithin(fd, 20000), "ready");
    HWND remote = FindWindowW(L"MvInstanceProbe", L"Probe");
    EXPECT_NE(remote, nullptr);
    std::string own = std::string(MV_FOREIGN_INSTANCE_BINARY) + " ask " + name + "-1";
    FILE* asked = popen(own.c_str(), "r");
    ASSERT_NE(asked, nullptr);
    char answer[64] = "";
    EXPECT_NE(fgets(answer, sizeof answer, asked), nullptr);
    pclose(asked);
    EXPECT_EQ(std::string(answer).rfind("hwnd ", 0), 0u) << answer;
    // ... and the other user gets no answer from it.
    CForeignUser asker;
    ASSERT_TRUE(asker.Start({"ask", name + "-1"}));
    EXPECT_EQ(asker.ReadLine(20000), "none");

    EXPECT_TRUE(SetForegroundWindow(remote));
    EXPECT_EQ(ReadLineWithin(fd, 20000), "raised");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    close(fd);
    MvPlatformShutdown();
    unsetenv("MOVIMETRA_INSTANCE");
}

}  // namespace
