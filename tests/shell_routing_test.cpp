// How input and the program's messages reach the views in the running program: soft keys and
// their accelerator, the title-bar OK button, view events, language and timers.
#include "app/popup_dlg.h"
#include "screens/history/log_screen.h"
#include "screens/main/main_screen.h"
#include "screens/profile/profile_screen.h"
#include "testing/recording_view_test_util.h"
#include "tests/shell_harness_test_util.h"

namespace {

using shelltest::CShellRun;
using Log = std::vector<std::string>;

// Real views that also record every call.
CScreen* MakeRecordingView(int index) {
    switch (index) {
        case VIEW_MAIN:
            return new CRecordingView<CMainScreen>(index);
        case VIEW_PROFILE:
            return new CRecordingView<CProfileScreen>(index);
        case VIEW_POPUP:
            return new CRecordingView<CPopupDlg>(index);
        default:
            return new CRecordingView<CLogScreen>(index);
    }
}

class ShellRoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.PrepareStoredProfile());
        CApplication::SetViewFactoryForTest(MakeRecordingView);
        ViewCallLog().clear();
    }
    void TearDown() override { CApplication::SetViewFactoryForTest(nullptr); }
    static HWND Main() { return GetMainWindow(); }
    static CApplication* App() { return GetApplication(); }
    static bool CaptionOk() { return ((DWORD)GetWindowLongW(Main(), GWL_EXSTYLE) & 0x80000000u) != 0; }
    // The calls of the log that contain `part`.
    static Log Filter(const std::string& part) {
        Log out;
        for (const std::string& call : ViewCallLog())
            if (call.find(part) != std::string::npos) out.push_back(call);
        return out;
    }

    CShellRun run;
};

TEST_F(ShellRoutingTest, StartCreatesEveryViewHiddenThenTheStoreChoosesTheMainView) {
    run.Hook("check", [] {
        Log start(ViewCallLog().begin(), ViewCallLog().begin() + 10);
        EXPECT_EQ(start, (Log{"0:Create()", "1:Create()", "2:Create()", "3:Create()", "4:Create()",
                              "0:Show(false,0)", "1:Show(false,0)", "2:Show(false,0)", "3:Show(false,0)",
                              "4:Show(false,0)"}));
        // The stored profile: language first, then the main view.
        EXPECT_EQ(Filter("OnLanguage"), (Log{"0:OnLanguage(0)", "1:OnLanguage(0)", "2:OnLanguage(0)",
                                             "3:OnLanguage(0)", "4:OnLanguage(0)"}));
        EXPECT_EQ(Filter("Show(true"), (Log{"0:Show(true,0)"}));
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
    // WM_DESTROY released the views in index order.
    EXPECT_EQ(Filter("Release"),
              (Log{"0:Release()", "1:Release()", "2:Release()", "3:Release()", "4:Release()"}));
}

class ShellSoftKeyTest : public ShellRoutingTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ShellSoftKeyTest, MainViewsLeftSoftKeyOpensTheProfileView) {
    int currentAtLoad = -1;
    int previousAtLoad = -1;
    run.Hook("before", [&] {
        ASSERT_EQ(App()->CurrentIndex(), 0);
        ViewCallLog().clear();
        MvSetMessageObserver([&](HWND hWnd, UINT message, WPARAM, LPARAM) {
            if (message == UM_LOAD_PROFILE && currentAtLoad < 0) {
                currentAtLoad = App()->CurrentIndex();
                previousAtLoad = App()->PreviousIndex();
            }
        });
    });
    run.Hook("after", [&] {
        MvSetMessageObserver(nullptr);
        EXPECT_EQ(Filter("SoftKey"), (Log{"0:OnLeftSoftKey()"}));
        // The key itself makes the profile view current with the main view previous ...
        EXPECT_EQ(currentAtLoad, 1);
        EXPECT_EQ(previousAtLoad, 0);
        // ... then the profile reload switches to the profile view once more, which makes it
        // its own previous view.
        EXPECT_EQ(App()->CurrentIndex(), 1);
        EXPECT_EQ(App()->PreviousIndex(), 1);
        EXPECT_EQ(Filter("OnEvent"), (Log{"1:OnEvent(1,EXIST)", "1:OnEvent(1,EXIST)"}));
        EXPECT_EQ(Filter("OnProfileData"), (Log{"1:OnProfileData()"}));
        auto* profile = static_cast<CProfileScreen*>(App()->GetView(1));
        EXPECT_TRUE(profile->Common().bShown);
        EXPECT_NE(profile->Common().hMenuBar, nullptr);
        EXPECT_FALSE(static_cast<CMainScreen*>(App()->GetView(0))->Common().bShown);
        EXPECT_TRUE(CaptionOk());
    });
    EXPECT_EQ(run.Run(std::string("call before\n") + GetParam() + "\ncall after\nquit\n"), 0);
    EXPECT_EQ(run.Calls("after"), 1);
}

// A tap on the bar's left half, the soft-key press of the display, F1 and the accelerator.
const char* const kSoftKeyWayNames[] = {"TapOnBar", "SoftKey", "F1", "CtrlQ"};
INSTANTIATE_TEST_SUITE_P(Shell, ShellSoftKeyTest,
                         ::testing::Values("tap 120 774", "softkey left", "key F1", "key CTRL+Q"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(kSoftKeyWayNames[info.index]);
                         });

TEST_F(ShellRoutingTest, CtrlADoesNothingVisible) {
    std::vector<UINT> seen;
    run.Hook("before", [&] {
        ViewCallLog().clear();
        MvSetMessageObserver([&](HWND, UINT message, WPARAM wParam, LPARAM) {
            if (message == WM_COMMAND || message == UM_LEFT_SOFTKEY || message == UM_RIGHT_SOFTKEY)
                seen.push_back(message == WM_COMMAND ? LOWORD(wParam) : message);
        });
    });
    run.Hook("after", [&] {
        MvSetMessageObserver(nullptr);
        EXPECT_EQ(seen, (std::vector<UINT>{40002}));
        EXPECT_EQ(ViewCallLog(), (Log{"0:OnCommand(40002,1)"}));
        EXPECT_EQ(App()->CurrentIndex(), 0);
    });
    EXPECT_EQ(run.Run("call before\nkey CTRL+A\ncall after\nquit\n"), 0);
    EXPECT_EQ(run.Calls("after"), 1);
}

TEST_F(ShellRoutingTest, TitleBarOkReachesOnCommandThenOnOk) {
    run.Hook("before", [] { ViewCallLog().clear(); });
    run.Hook("after", [&] {
        Log calls;
        for (const std::string& call : ViewCallLog())
            if (call.find("OnCommand(1,") != std::string::npos || call.find("OnOk") != std::string::npos)
                calls.push_back(call);
        EXPECT_EQ(calls, (Log{"1:OnCommand(1,0)", "1:OnOk()"}));
        // The placeholder profile view goes back to the main view on OK.
        EXPECT_EQ(App()->CurrentIndex(), 0);
        EXPECT_FALSE(CaptionOk());
    });
    // The profile view shows the OK button in the task bar; a tap on it sends IDOK.
    EXPECT_EQ(run.Run("softkey left\ncall before\ntap 436 26\ncall after\nquit\n"), 0);
    EXPECT_EQ(run.Calls("after"), 1);
}

TEST_F(ShellRoutingTest, EventsAndMotionReachTheCurrentAndPreviousViewsOnly) {
    run.Hook("check", [&] {
        MotionRecord record = {12, 0.5, 8.0};
        SendMessageW(Main(), UM_SWITCH_VIEW, VIEW_HISTORY, 0);
        EXPECT_TRUE(CaptionOk());
        ViewCallLog().clear();
        SendMessageW(Main(), UM_VIEW_EVENT, 5, (LPARAM)L"PING");
        SendMessageW(Main(), UM_MOTION_INFO, 0, (LPARAM)&record);
        EXPECT_EQ(ViewCallLog(), (Log{"3:OnEvent(5,PING)", "0:OnEvent(5,PING)", "3:OnMotionInfo(12)",
                                      "0:OnMotionInfo(12)"}));

        // main -> history -> popup: the main view hears neither; the popup leaves the caption.
        SendMessageW(Main(), UM_SWITCH_VIEW, VIEW_POPUP, 0);
        EXPECT_TRUE(CaptionOk());
        EXPECT_EQ(static_cast<CPopupDlg*>(App()->GetView(2))->ReturnIndex(), 3);
        ViewCallLog().clear();
        SendMessageW(Main(), UM_VIEW_EVENT, 3, (LPARAM)L"BUT_NO");
        SendMessageW(Main(), UM_MOTION_INFO, 0, (LPARAM)&record);
        EXPECT_EQ(ViewCallLog(), (Log{"2:OnEvent(3,BUT_NO)", "3:OnEvent(3,BUT_NO)", "2:OnMotionInfo(12)",
                                      "3:OnMotionInfo(12)"}));

        // Language goes to all four, in index order, whichever view is current.
        ViewCallLog().clear();
        SendMessageW(Main(), UM_SET_LANGUAGE, 1, 0);
        EXPECT_EQ(ViewCallLog(), (Log{"0:OnLanguage(1)", "1:OnLanguage(1)", "2:OnLanguage(1)",
                                      "3:OnLanguage(1)", "4:OnLanguage(1)"}));
        EXPECT_EQ(static_cast<CMainScreen*>(App()->GetView(0))->Common().nTextOffset, 56);
        EXPECT_EQ(static_cast<CProfileScreen*>(App()->GetView(1))->Common().nTextOffset, 56);
        EXPECT_EQ(static_cast<CPopupDlg*>(App()->GetView(2))->Common().nImageOffset, 59);
        EXPECT_EQ(static_cast<CLogScreen*>(App()->GetView(3))->Common().nImageOffset, 59);
        SendMessageW(Main(), UM_SET_LANGUAGE, 2, 0);
        EXPECT_EQ(static_cast<CLogScreen*>(App()->GetView(3))->Common().nTextOffset, 0);

        SendMessageW(Main(), UM_SWITCH_VIEW, VIEW_MAIN, 0);
        EXPECT_FALSE(CaptionOk());
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

TEST_F(ShellRoutingTest, AnimationTimerGoesToTheViewAndOtherTimersToTheEngineFirst) {
    run.Hook("arm", [] {
        SetTimer(Main(), TIMER_ANIMATION, 200, nullptr);
        SetTimer(Main(), TIMER_VALUES, 300, nullptr);
        ViewCallLog().clear();
    });
    run.Hook("check_main", [&] {
        // 600 ms: three animation ticks, two value ticks. The engine's share of timer 30 is the
        // "TIME" event, to the current and the previous view (both the main view here).
        EXPECT_EQ(Filter("OnAnimationTimer").size(), 3u);
        EXPECT_TRUE(Filter("OnTimer(20)").empty());
        Log values;
        for (const std::string& call : ViewCallLog())
            if (call.find("TIME") != std::string::npos || call.find("OnTimer") != std::string::npos)
                values.push_back(call.substr(0, call.find('(')));
        EXPECT_EQ(values,
                  (Log{"0:OnEvent", "0:OnEvent", "0:OnTimer", "0:OnEvent", "0:OnEvent", "0:OnTimer"}));
        SendMessageW(Main(), UM_SWITCH_VIEW, VIEW_HISTORY, 0);
        ViewCallLog().clear();
    });
    run.Hook("check_history", [&] {
        // The main view, now previous, still hears "TIME"; the timers themselves go to history.
        Log values;
        for (const std::string& call : ViewCallLog())
            if (call.find("TIME") != std::string::npos || call.find("Timer") != std::string::npos)
                values.push_back(call.substr(0, call.find('(')));
        EXPECT_EQ(values, (Log{"3:OnAnimationTimer", "3:OnEvent", "0:OnEvent", "3:OnTimer"}));
        KillTimer(Main(), TIMER_ANIMATION);
        KillTimer(Main(), TIMER_VALUES);
    });
    EXPECT_EQ(run.Run("call arm\nwait 600\ncall check_main\nwait 300\ncall check_history\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check_history"), 1);
}

}  // namespace
