// The confirmation popup in the running program: opened over the main view, answered with the
// stylus, its English texts, and a screenshot of it over the opener.
#include <cstdlib>
#include <string>
#include <vector>

#include "app/draw_util.h"
#include "app/popup_dlg.h"
#include "screens/history/log_screen.h"
#include "screens/main/main_screen.h"
#include "screens/profile/profile_screen.h"
#include "testing/recording_view_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using maintest::ViewPixel;
using shelltest::CShellRun;
using Log = std::vector<std::string>;

// Screen points (script coordinates) inside the two buttons; the view starts at row 52.
constexpr const char* kYes = "131 343";
constexpr const char* kNo = "344 343";

// The real views; the main view, which opens the popup here, also records its calls.
CScreen* MakeView(int index) {
    switch (index) {
        case VIEW_MAIN:
            return new CRecordingView<CMainScreen>(index);
        case VIEW_PROFILE:
            return new CProfileScreen;
        case VIEW_POPUP:
            return new CPopupDlg;
        default:
            return new CLogScreen;
    }
}

CPopupDlg* Popup() {
    return static_cast<CPopupDlg*>(GetApplication()->GetView(VIEW_POPUP));
}

uint64_t Checksum(const RECT& rect) {
    uint64_t sum = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x) sum = sum * 31 + (ViewPixel(x, y) & 0xFFFFFF);
    return sum;
}

// Where a run writes its screenshots: MV_POPUP_SHOT_DIR when set (to look at them), else the
// run's own temporary folder.
std::string ShotPath(const CShellRun& run, const std::string& name) {
    const char* dir = std::getenv("MV_POPUP_SHOT_DIR");
    return std::string(dir ? dir : run.Dir().c_str()) + "/" + name;
}

// The calls of the opener's log that are answers or showings.
Log OpenerAnswers() {
    Log out;
    for (const std::string& call : ViewCallLog())
        if (call.find("OnEvent(") != std::string::npos || call.find("Show(true") != std::string::npos)
            out.push_back(call);
    return out;
}

class PopupDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        CApplication::SetViewFactoryForTest(MakeView);
        ViewCallLog().clear();
        run.Hook("open", [] {
            ViewCallLog().clear();
            SendMessageW(GetMainWindow(), UM_SWITCH_VIEW, VIEW_POPUP, 0);
        });
    }
    void TearDown() override { CApplication::SetViewFactoryForTest(nullptr); }

    CShellRun run;
};

TEST_F(PopupDialogTest, YesAndNoGoBackToTheOpenerThenReachItAsEvents) {
    ASSERT_TRUE(run.PrepareStoredProfile());
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    Log afterYes;
    Log afterNo;
    run.Hook("yes", [&] {
        afterYes = OpenerAnswers();
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_MAIN);
        EXPECT_EQ(GetApplication()->PreviousIndex(), VIEW_POPUP);
        EXPECT_FALSE(Popup()->HasSnapshot());
        EXPECT_FALSE(IsWindowVisible(Popup()->Common().hWnd));
    });
    run.Hook("no", [&] { afterNo = OpenerAnswers(); });
    EXPECT_EQ(run.Run(std::string("call open\ntap ") + kYes + "\ncall yes\ncall open\ntap " + kNo +
                      "\ncall no\nquit\n"),
              0);
    EXPECT_EQ(afterYes, (Log{"0:Show(true,2)", "0:OnEvent(0,BUT_YES)"}));
    EXPECT_EQ(afterNo, (Log{"0:Show(true,2)", "0:OnEvent(0,BUT_NO)"}));
}

TEST_F(PopupDialogTest, CancelledPressesAndSoftKeysLeaveThePopupUp) {
    ASSERT_TRUE(run.PrepareStoredProfile());
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    const RECT buttons = {33, 260, 442, 322};
    uint64_t normal = 0;
    uint64_t pressed = 0;
    run.Hook("normal", [&] {
        ASSERT_TRUE(Popup()->HasSnapshot());
        normal = Checksum(buttons);
    });
    run.Hook("pressed", [&] {
        EXPECT_EQ(Popup()->PressedButton(), POPUP_YES);
        pressed = Checksum(buttons);
    });
    run.Hook("check", [&] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_POPUP);
        EXPECT_TRUE(Popup()->Common().bShown);
        EXPECT_EQ(Checksum(buttons), normal);
        EXPECT_TRUE(OpenerAnswers().empty());
    });
    // Yes pressed and lifted over No; No pressed and dragged off; then both soft keys.
    std::string script = std::string("call open\ncall normal\npress ") + kYes + "\ncall pressed\nshot " +
                         ShotPath(run, "pressed.png") + "\nmove " + kNo + "\nrelease " + kNo + "\nshot " +
                         ShotPath(run, "lifted.png") + "\npress " + kNo +
                         "\nmove 240 500\nrelease 240 500\n" +
                         "softkey left\nsoftkey right\nwait 1000\ncall check\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_NE(pressed, normal);
}

// Without images the box is black, so each text can be compared with a reference drawing of
// the expected English text in the same rectangle.
TEST_F(PopupDialogTest, EnglishTextsAreInitializeTheQuestionYesAndNo) {
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    struct Expected {
        const wchar_t* text;
        RECT rect;  // box coordinates
        int font;
        UINT format;
    };
    const Expected title = {L"Initialize", {18, 10, 427, 50}, 42, DT_CENTER};
    const Expected question = {
        L"Do you want to delete\nall records?", {50, 70, 445, 160}, 42, DT_LEFT | DT_TOP};
    const Expected yes = {L"Yes", {18, 170, 214, 232}, 40, DT_CENTER | DT_VCENTER};
    const Expected no = {L"No", {231, 170, 427, 232}, 40, DT_CENTER | DT_VCENTER};
    // Pixels of `e` drawn white on black, against the screen's box at (15, 90).
    auto matches = [](const Expected& e) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 480, 800);
        HGDIOBJ old = SelectObject(mem, bitmap);
        DrawTextCell(mem, e.text, e.rect, e.font, RGB(255, 255, 255), e.format);
        HWND hPopup = Popup()->Common().hWnd;
        HDC window = GetDC(hPopup);
        int differing = 0;
        int lit = 0;
        for (int y = e.rect.top; y < e.rect.bottom; ++y)
            for (int x = e.rect.left; x < e.rect.right; ++x) {
                COLORREF want = GetPixel(mem, x, y);
                if (want != 0) ++lit;
                if (want != GetPixel(window, x + 15, y + 90)) ++differing;
            }
        ReleaseDC(hPopup, window);
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
        ReleaseDC(nullptr, screen);
        EXPECT_GT(lit, 50) << NarrowForLog(e.text);
        return differing == 0;
    };
    run.Hook("texts", [&] {
        EXPECT_TRUE(matches(title));
        EXPECT_TRUE(matches(question));
    });
    run.Hook("yes", [&] { EXPECT_TRUE(matches(yes)); });
    run.Hook("no", [&] { EXPECT_TRUE(matches(no)); });
    std::string script = std::string("call open\ncall texts\npress ") + kYes + "\ncall yes\nmove 240 500\n" +
                         "release 240 500\npress " + kNo + "\ncall no\nrelease 240 500\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("no"), 1);
}

// Opened twice without an answer, the second showing pictures the popup itself, so the box
// stands where it stood; the main view's own picture outside the box stays, and the answer
// still goes back to the main view.
TEST_F(PopupDialogTest, ScreenshotShowsTheBoxOverTheOpener) {
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    uint64_t outsideBefore = 0;
    uint64_t boxFirst = 0;
    const RECT outside = {0, 400, 480, 644};
    const RECT box = {15, 90, 460, 340};
    run.Hook("before", [&] { outsideBefore = Checksum(outside); });
    run.Hook("first", [&] {
        EXPECT_EQ(Checksum(outside), outsideBefore);
        boxFirst = Checksum(box);
        EXPECT_NE(boxFirst, 0u);
    });
    run.Hook("second", [&] {
        EXPECT_EQ(Checksum(outside), outsideBefore);
        EXPECT_EQ(Checksum(box), boxFirst);
        EXPECT_EQ(Popup()->ReturnIndex(), VIEW_MAIN);
    });
    run.Hook("answered", [&] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_MAIN);
        EXPECT_EQ(OpenerAnswers(), (Log{"0:Show(true,2)", "0:OnEvent(0,BUT_NO)"}));
    });
    std::string shot = ShotPath(run, "popup.png");
    EXPECT_EQ(run.Run("wait 2500\ncall before\ncall open\ncall first\nshot " + shot +
                      "\ncall open\ncall second\ntap " + kNo + "\ncall answered\nquit\n"),
              0);
    EXPECT_EQ(run.Calls("answered"), 1);
}

}  // namespace
