// Message box: the nested loop ends on Enter, on a tap on OK and on WM_QUIT; input meant for the
// windows below is held back; what the box covered is repainted afterwards.
#include <functional>

#include "platform/shell/shell_test_util.h"

namespace shell_test {
namespace {

// A helper window whose posted message runs an action inside the box's nested loop.
const UINT kRunAction = WM_APP + 1;

std::function<void()>& Action() {
    static std::function<void()> action;
    return action;
}

LRESULT CALLBACK ActionProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunAction && Action()) {
        std::function<void()> action = Action();
        action();
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

class MessageBoxTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        static bool registered = [] {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = ActionProc;
            wc.lpszClassName = L"ShellTestAction";
            return RegisterClassW(&wc) != 0;
        }();
        (void)registered;
        helper_ = Own(
            CreateWindowExW(0, L"ShellTestAction", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    }

    // Runs the action once the box is up (the posted message waits in the queue until then).
    void WhenBoxIsUp(std::function<void()> action) {
        Action() = std::move(action);
        PostMessageW(helper_, kRunAction, 0, 0);
    }

    static POINT ButtonCentre(int result) {
        RECT rect = {};
        EXPECT_TRUE(MvMessageBoxButtonRect(result, &rect));
        return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    }

    HWND helper_ = nullptr;
};

TEST_F(MessageBoxTest, EnterClosesTheBox) {
    MvKey(VK_RETURN);
    EXPECT_EQ(MessageBoxW(main_, L"Enter a height between 50 and 500 cm.", L"Profile", MB_OK), IDOK);
    EXPECT_FALSE(MvMessageBoxActive());
    EXPECT_EQ(Count(main_, WM_KEYDOWN), 0);
}

TEST_F(MessageBoxTest, TapOnOkClosesTheBoxAndOnlyTheBoxSeesTheStylus) {
    bool drawn = false;
    WhenBoxIsUp([&] {
        // The box is drawn light in the middle of the screen before anything is tapped.
        MvPumpMessages();
        drawn = MvGetScreenPixel(240, 400) == 0xF4F5F7u || BrightPixels(RECT{200, 380, 280, 420}) > 1000;
        MvTap(20, 100);  // on the main window: held back
        const POINT ok = ButtonCentre(IDOK);
        MvStylusDown(ok.x, ok.y);
        MvStylusUp(ok.x, ok.y);
    });
    EXPECT_EQ(MessageBoxW(nullptr, L"Weight?", L"Profile", MB_OK | MB_ICONQUESTION), IDOK);
    EXPECT_TRUE(drawn);
    EXPECT_EQ(Count(main_, WM_LBUTTONDOWN), 0);
}

TEST_F(MessageBoxTest, CoveredWindowIsRepaintedAfterwards) {
    MvKey(VK_RETURN);
    Log().clear();
    MessageBoxW(main_, L"Text", L"Caption", MB_OK);
    Pump();
    EXPECT_GE(Count(main_, WM_PAINT), 1);
    // The recording window paints itself green: no light box pixels are left behind.
    EXPECT_EQ(MvGetScreenPixel(240, 400), 0x206020u);
}

TEST_F(MessageBoxTest, QuitDuringTheBoxIsPostedAgain) {
    WhenBoxIsUp([] { PostQuitMessage(7); });
    EXPECT_EQ(MessageBoxW(main_, L"Text", L"Caption", MB_OK), IDOK);
    int code = -1;
    EXPECT_FALSE(MvPumpMessages(&code));
    EXPECT_EQ(code, 7);
}

TEST_F(MessageBoxTest, OkCancelAnswersWithTheButtonTappedOrKeyPressed) {
    MvKey(VK_ESCAPE);
    EXPECT_EQ(MessageBoxW(main_, L"Delete?", L"History", MB_OKCANCEL), IDCANCEL);
    WhenBoxIsUp([] {
        const POINT cancel = ButtonCentre(IDCANCEL);
        MvStylusDown(cancel.x, cancel.y);
        MvStylusUp(cancel.x, cancel.y);
    });
    EXPECT_EQ(MessageBoxW(main_, L"Delete?", L"History", MB_OKCANCEL), IDCANCEL);
    WhenBoxIsUp([] { MvShellPressSoftKey(0); });
    EXPECT_EQ(MessageBoxW(main_, L"Delete?", L"History", MB_OKCANCEL), IDOK);
    // Escape on a box with only OK still answers OK.
    MvKey(VK_ESCAPE);
    EXPECT_EQ(MessageBoxW(main_, L"Note", L"History", MB_OK), IDOK);
}

TEST_F(MessageBoxTest, ScriptedRunCanPressEnterOrTapOk) {
    ASSERT_TRUE(MvSetScript("key ENTER\n"));
    EXPECT_EQ(MessageBoxW(main_, L"Scripted", L"Caption", MB_OK), IDOK);
    MvRegisterScriptHook("tap_ok", [] {
        const POINT ok = ButtonCentre(IDOK);
        MvTap(ok.x, ok.y);
    });
    ASSERT_TRUE(MvSetScript("call tap_ok\n"));
    EXPECT_EQ(MessageBoxW(main_, L"Scripted", L"Caption", MB_OK), IDOK);
}

TEST_F(MessageBoxTest, LongTextWrapsIntoATallerBox) {
    RECT shortOk = {}, longOk = {};
    WhenBoxIsUp([&] {
        MvMessageBoxButtonRect(IDOK, &shortOk);
        MvMessageBoxEnd(IDOK);
    });
    MessageBoxW(main_, L"Short", L"Caption", MB_OK);
    WhenBoxIsUp([&] {
        MvMessageBoxButtonRect(IDOK, &longOk);
        MvMessageBoxEnd(IDOK);
    });
    MessageBoxW(main_,
                L"A much longer text that cannot fit on one line of the box and therefore has to be "
                L"wrapped onto several lines, making the box taller.",
                L"Caption", MB_OK);
    EXPECT_GT(longOk.top - shortOk.top, 20);
    EXPECT_LE(longOk.bottom, 748);
}

}  // namespace
}  // namespace shell_test
