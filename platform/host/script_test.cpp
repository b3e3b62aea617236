// Scripted runs: parsing with line-numbered errors, and a run driven by GetMessageW.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/core_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

// The usual loop of the program, with a window that ends it on WM_CLOSE.
int RunLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

TEST_F(CoreTest, ScriptErrorsNameTheirLineAndTheRestStillRuns) {
    HWND main = Make();
    MvProbe::Handlers()[WM_CLOSE] = [](HWND, WPARAM, LPARAM) -> LRESULT {
        PostQuitMessage(4);
        return 0;
    };
    std::string error;
    EXPECT_FALSE(
        MvSetScript("# comment\n"
                    "tap 1\n"
                    "jump 3 4\n"
                    "key CTRL+F9\n"
                    "wait -5\n"
                    "softkey middle\n"
                    "clock soon\n"
                    "tap 20 80   # a comment after a step\n"
                    "quit\n",
                    &error));
    EXPECT_EQ(error.rfind("script line 2: ", 0), 0u) << error;
    EXPECT_EQ(RunLoop(), 4);
    ASSERT_EQ(MvProbe::Messages(main, {WM_LBUTTONDOWN}).size(), 1u);
    for (const auto& m : MvProbe::Log()) {
        if (m.msg == WM_LBUTTONDOWN) {
            EXPECT_EQ(m.lParam, MAKELPARAM(20, 28));
        }
    }
    EXPECT_TRUE(MvSetScript("tap 1 2\r\nkey ctrl+q\nkey ENTER\nshot a b.png\ntype  two  spaces\n", &error));
    EXPECT_TRUE(error.empty());
}

TEST_F(CoreTest, ScriptDrivesInputWaitsOnTheClockCallsHooksAndQuits) {
    HWND main = Make();
    SetFocus(main);
    MvProbe::Handlers()[WM_CLOSE] = [](HWND h, WPARAM, LPARAM) -> LRESULT {
        DestroyWindow(h);
        PostQuitMessage(0);
        return 0;
    };
    SetTimer(main, 1, 400, nullptr);
    DWORD tickAtHook = 0;
    int64_t localAtHook = 0;
    size_t timersAtHook = 0;
    const int64_t localAtStart = MvLocalSeconds();
    MvRegisterScriptHook("check", [&] {
        tickAtHook = GetTickCount();
        localAtHook = MvLocalSeconds();
        timersAtHook = MvProbe::Messages(main, {WM_TIMER}).size();
    });
    const CTempDir dir("mv_script_");
    ASSERT_FALSE(dir.Path().empty());
    std::string shot = dir.Path() + "/screen.png";
    ASSERT_TRUE(
        MvSetScript("press 100 200\n"
                    "move 110 210\n"
                    "release 120 220\n"
                    "type h\xC3\xA9 \n"
                    "key CTRL+Q\n"
                    "wait 1000\n"
                    "clock -86400\n"
                    "call check\n"
                    "shot " +
                    shot +
                    "\n"
                    "call missing\n"
                    "quit\n"));
    EXPECT_EQ(RunLoop(), 0);
    EXPECT_EQ(tickAtHook, 1000u);
    // The wall clock stepped back a day; the ticks and timers did not.
    EXPECT_EQ(localAtHook, localAtStart + 1 - 86400);
    EXPECT_EQ(timersAtHook, 2u);  // at 400 and 800 ms, while the script waited
    EXPECT_EQ(MvProbe::Messages(main, {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    std::wstring typed;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_CHAR) typed.push_back(static_cast<wchar_t>(m.wParam));
    EXPECT_EQ(typed, L"h\xE9 ");
    bool ctrlQ = false;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_KEYDOWN && m.wParam == 'Q') ctrlQ = true;
    EXPECT_TRUE(ctrlQ);
    struct stat st;
    EXPECT_EQ(stat(shot.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 0);
    EXPECT_FALSE(IsWindow(main));
}

}  // namespace
