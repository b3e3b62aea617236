// Soft-key bars: resource parsing, taps, the pressed look and the topmost bar for the soft keys.
#include "platform/shell/shell_test_util.h"

namespace shell_test {
namespace {

class MenuBarTest : public ShellTest {
protected:
    HWND MakeBar(UINT id, DWORD flags = SHCMBF_HIDESIPBUTTON) {
        SHMENUBARINFO info = {};
        info.cbSize = sizeof(info);
        info.hwndParent = main_;
        info.dwFlags = flags;
        info.nToolBarId = id;
        EXPECT_TRUE(SHCreateMenuBar(&info));
        return Own(info.hwndMB);
    }
};

TEST_F(MenuBarTest, BarSitsAlongTheBottomAndTapsSendEachButtonsCommand) {
    HWND bar = MakeBar(500);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ScreenBounds(bar), (std::vector<LONG>{0, 748, 480, 800}));
    EXPECT_EQ(GetParent(bar), nullptr);

    Tap(100, 770);
    Tap(400, 790);
    EXPECT_EQ(Commands(main_), (std::vector<WPARAM>{MAKEWPARAM(40000, 0), MAKEWPARAM(40001, 0)}));
}

TEST_F(MenuBarTest, LiftingOverTheOtherButtonSendsNothingAndHeldButtonLooksPressed) {
    HWND bar = MakeBar(500);
    Pump();
    EXPECT_FALSE(IsBluish(MvGetScreenPixel(120, 760)));
    MvStylusDown(120, 774);
    Pump();
    EXPECT_TRUE(IsBluish(MvGetScreenPixel(120, 760)));
    EXPECT_FALSE(IsBluish(MvGetScreenPixel(360, 760)));
    MvStylusMove(360, 774);
    Pump();
    EXPECT_FALSE(IsBluish(MvGetScreenPixel(120, 760)));
    MvStylusUp(360, 774);
    Pump();
    EXPECT_TRUE(Commands(main_).empty());
    EXPECT_FALSE(IsBluish(MvGetScreenPixel(120, 760)));
    (void)bar;
}

TEST_F(MenuBarTest, MissingOrMalformedResourceFails) {
    SHMENUBARINFO info = {};
    info.cbSize = sizeof(info);
    info.hwndParent = main_;
    info.nToolBarId = 999;
    info.hwndMB = main_;
    EXPECT_FALSE(SHCreateMenuBar(&info));
    EXPECT_EQ(info.hwndMB, nullptr);
    info.nToolBarId = 502;
    EXPECT_FALSE(SHCreateMenuBar(&info));
    EXPECT_EQ(info.hwndMB, nullptr);
    EXPECT_FALSE(SHCreateMenuBar(nullptr));
}

TEST_F(MenuBarTest, SoftKeysPressTheTopmostVisibleBar) {
    HWND lower = MakeBar(500);
    HWND upper = MakeBar(501);
    EXPECT_TRUE(MvShellPressSoftKey(0));
    Pump();
    ShowWindow(upper, SW_HIDE);
    EXPECT_TRUE(MvShellPressSoftKey(1));
    Pump();
    EXPECT_EQ(Commands(main_), (std::vector<WPARAM>{MAKEWPARAM(40003, 0), MAKEWPARAM(40001, 0)}));

    DestroyWindow(upper);
    DestroyWindow(lower);
    Pump();
    EXPECT_FALSE(MvShellPressSoftKey(0));
    EXPECT_FALSE(MvShellPressSoftKey(2));
}

TEST_F(MenuBarTest, NewBarIsDrawnOverTheOldOneAndTheOldReturnsWhenItGoes) {
    MakeBar(500);
    Pump();
    const RECT leftLabel = {0, 748, 240, 800};
    const int oldLabel = BrightPixels(leftLabel);
    EXPECT_GT(oldLabel, 20);
    HWND upper = MakeBar(501);
    Pump();
    const int newLabel = BrightPixels(leftLabel);
    EXPECT_GT(newLabel, 20);
    EXPECT_NE(newLabel, oldLabel);
    DestroyWindow(upper);
    Pump();
    EXPECT_EQ(BrightPixels(leftLabel), oldLabel);
}

TEST_F(MenuBarTest, DisabledButtonIgnoresTapsAndSoftKey) {
    MakeBar(503);
    Tap(360, 774);
    EXPECT_FALSE(MvShellPressSoftKey(1));
    Pump();
    EXPECT_TRUE(Commands(main_).empty());
    EXPECT_TRUE(MvShellPressSoftKey(0));
    Pump();
    EXPECT_EQ(Commands(main_), (std::vector<WPARAM>{MAKEWPARAM(40007, 0)}));
}

TEST_F(MenuBarTest, HiddenAndEmptyBars) {
    HWND hidden = MakeBar(500, SHCMBF_HIDDEN);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_FALSE(MvShellPressSoftKey(0));
    HWND empty = MakeBar(0, SHCMBF_EMPTYBAR);
    EXPECT_TRUE(IsWindowVisible(empty));
    Tap(120, 774);
    EXPECT_TRUE(Commands(main_).empty());
}

}  // namespace
}  // namespace shell_test
