// The popup on its own: touch areas, the snapshot of the opener and its lifetime, and the
// answer sent to the main window.
#include "app/popup_dlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/messages.h"
#include "platform/mv_platform.h"
#include "resources/resources.h"
#include "testing/headless_platform_test_util.h"

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;
constexpr int kViewTop = 52;

// What the popup sent to the main window, in order ("switch:N", "event:N:KEY").
std::vector<std::string>& Sent() {
    static std::vector<std::string> sent;
    return sent;
}

LRESULT CALLBACK RecordingMainProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_SWITCH_VIEW) {
        Sent().push_back("switch:" + std::to_string((int)wParam));
        return 0;
    }
    if (message == UM_VIEW_EVENT) {
        std::string key;
        for (const wchar_t* p = (const wchar_t*)lParam; p && *p; ++p) key += (char)*p;
        Sent().push_back("event:" + std::to_string((int)wParam) + ":" + key);
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

uint32_t ViewPixel(int x, int y) {
    return MvGetScreenPixel(x, y + kViewTop) & 0xFFFFFF;
}

class PopupDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        Sent().clear();
        StartHeadlessPlatform();
        RegisterMovimetraResources();
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RecordingMainProc;
        wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
        wc.lpszClassName = L"ZUNO";
        ASSERT_NE(RegisterClassW(&wc), 0);
        ASSERT_TRUE(RegisterPlainTestClass(L"Simple"));
        hMain = CreateWindowExW(0, L"ZUNO", L"Movimetra", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hMain, nullptr);
        MoveWindow(hMain, 0, 52, 480, 696, FALSE);
        ASSERT_TRUE(popup.Create(hMain, VIEW_POPUP));
    }
    void TearDown() override {
        popup.Release();
        MvPlatformShutdown();
    }
    // Paints the whole popup window one colour, as an opener's picture would be left there.
    void Fill(COLORREF color) {
        HWND hWnd = popup.Common().hWnd;
        HDC hdc = GetDC(hWnd);
        HBRUSH brush = CreateSolidBrush(color);
        RECT all = {0, 0, 480, 696};
        FillRect(hdc, &all, brush);
        DeleteObject(brush);
        ReleaseDC(hWnd, hdc);
    }
    bool AnyWhite(const RECT& rect) {
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (ViewPixel(x, y) == 0xFFFFFF) return true;
        return false;
    }

    HWND hMain = nullptr;
    CPopupDlg popup;
};

TEST(PopupHitTest, TouchAreasAreInclusiveAndSeparate) {
    struct Case {
        int x, y, button;
    } cases[] = {
        {34, 261, POPUP_YES},   {228, 321, POPUP_YES},  {33, 290, POPUP_NONE},  {229, 290, POPUP_NONE},
        {100, 260, POPUP_NONE}, {100, 322, POPUP_NONE}, {247, 261, POPUP_NO},   {441, 321, POPUP_NO},
        {246, 290, POPUP_NONE}, {442, 290, POPUP_NONE}, {240, 100, POPUP_NONE}, {-5, -5, POPUP_NONE},
    };
    for (const Case& c : cases) EXPECT_EQ(CPopupDlg::HitButton(c.x, c.y), c.button) << c.x << "," << c.y;
}

TEST_F(PopupDlgTest, FirstPaintKeepsTheOpenersPictureAndLaterPaintsRestoreIt) {
    popup.Show(true, VIEW_HISTORY);
    EXPECT_EQ(popup.ReturnIndex(), VIEW_HISTORY);
    EXPECT_FALSE(popup.HasSnapshot());
    Fill(RGB(255, 0, 0));
    popup.OnPaint(nullptr);
    ASSERT_TRUE(popup.HasSnapshot());
    // Outside the box the opener stays; the box (no images here) is black with white texts.
    EXPECT_EQ(ViewPixel(5, 5), kRed);
    EXPECT_EQ(ViewPixel(470, 400), kRed);
    EXPECT_EQ(ViewPixel(16, 91), 0u);
    EXPECT_TRUE(AnyWhite({33, 100, 442, 140}));  // title
    EXPECT_TRUE(AnyWhite({65, 160, 460, 250}));  // question

    // Whatever reached the window since, the next paint puts the opener's picture back.
    Fill(RGB(0, 255, 0));
    popup.OnPaint(nullptr);
    EXPECT_EQ(ViewPixel(5, 5), kRed);
    EXPECT_EQ(ViewPixel(470, 400), kRed);

    // Hiding drops the snapshot; the next showing takes a new one.
    popup.Show(false, VIEW_POPUP);
    EXPECT_FALSE(popup.HasSnapshot());
    EXPECT_EQ(popup.Common().hMenuBar, nullptr);
    popup.Show(true, VIEW_HISTORY);
    Fill(RGB(0, 255, 0));
    popup.OnPaint(nullptr);
    EXPECT_EQ(ViewPixel(5, 5), kGreen);
    popup.Release();
    EXPECT_FALSE(popup.HasSnapshot());
}

TEST_F(PopupDlgTest, OnlyALiftOverThePressedButtonAnswersSwitchingBackFirst) {
    popup.Show(true, VIEW_HISTORY);
    popup.OnLButtonDown(34, 261);
    popup.OnLButtonUp(228, 321);
    popup.OnLButtonDown(441, 321);
    popup.OnLButtonUp(247, 261);
    // Lifted over the other button, outside, or with no press left: no answer.
    popup.OnLButtonDown(100, 290);
    popup.OnLButtonUp(300, 290);
    popup.OnLButtonUp(100, 290);  // the cancelled Yes press is not kept for a later lift
    popup.OnLButtonDown(300, 290);
    popup.OnLButtonUp(100, 290);
    popup.OnLButtonDown(100, 200);
    popup.OnLButtonUp(100, 290);
    std::vector<std::string> expected = {"switch:3", "event:3:BUT_YES", "switch:3", "event:3:BUT_NO"};
    EXPECT_EQ(Sent(), expected);
}

}  // namespace
