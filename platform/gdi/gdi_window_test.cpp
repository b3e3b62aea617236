// Window DCs: origin at the window, drawing clipped to what of the window is visible, reading
// from the screen.
#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_test_util.h"
#include "platform/mv_platform.h"

namespace {

const wchar_t kClass[] = L"GdiWindowTest";

LRESULT QuietProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        ValidateRect(hWnd, nullptr);  // draw nothing: the test owns the pixels
        return 0;
    }
    return DefWindowProcW(hWnd, msg, wParam, lParam);
}

uint32_t Screen(int x, int y) {
    return MvFramebufferData()[y * MV_SCREEN_WIDTH + x];
}

class GdiWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started =
            MvStartHeadlessWithClasses(QuietProc, {kClass}, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
        (void)started;
    }

    void SetUp() override {
        m_hMain = CreateWindowExW(0, kClass, L"Main", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_hMain, nullptr);
        m_hChild = CreateWindowExW(0, kClass, L"", WS_CHILD | WS_VISIBLE, 100, 100, 50, 40, m_hMain, nullptr,
                                   nullptr, nullptr);
        ASSERT_NE(m_hChild, nullptr);
        MvPumpMessages();
        // A known screen: every pixel grey.
        HDC screen = GetDC(nullptr);
        HBRUSH grey = CreateSolidBrush(RGB(50, 50, 50));
        RECT all{0, 0, MV_SCREEN_WIDTH, MV_SCREEN_HEIGHT};
        FillRect(screen, &all, grey);
        DeleteObject(grey);
        ReleaseDC(nullptr, screen);
    }

    void TearDown() override {
        DestroyWindow(m_hMain);
        MvPumpMessages();
    }

    static void Fill(HWND hWnd, RECT r, COLORREF color) {
        HDC dc = GetDC(hWnd);
        ASSERT_NE(dc, nullptr);
        HBRUSH b = CreateSolidBrush(color);
        FillRect(dc, &r, b);
        DeleteObject(b);
        ReleaseDC(hWnd, dc);
    }

    HWND m_hMain = nullptr;
    HWND m_hChild = nullptr;
};

TEST_F(GdiWindow, ParentDrawingSkipsItsVisibleChild) {
    MvFramebufferTakeDirty();
    Fill(m_hMain, RECT{0, 0, 480, 748}, RGB(255, 0, 0));
    EXPECT_TRUE(MvFramebufferTakeDirty());
    // The main window's (0, 0) is screen (0, 52); the child covers screen (100..149, 152..191).
    EXPECT_EQ(Screen(0, 52), 0xFF0000u);
    EXPECT_EQ(Screen(0, 51), 0x323232u);
    EXPECT_EQ(Screen(99, 152), 0xFF0000u);
    EXPECT_EQ(Screen(100, 152), 0x323232u);
    EXPECT_EQ(Screen(149, 191), 0x323232u);
    EXPECT_EQ(Screen(150, 191), 0xFF0000u);
    EXPECT_EQ(Screen(149, 192), 0xFF0000u);

    // The child draws only inside itself, with its own origin.
    Fill(m_hChild, RECT{-10, -10, 500, 500}, RGB(0, 0, 255));
    EXPECT_EQ(Screen(100, 152), 0x0000FFu);
    EXPECT_EQ(Screen(149, 191), 0x0000FFu);
    EXPECT_EQ(Screen(99, 152), 0xFF0000u);
    EXPECT_EQ(Screen(150, 191), 0xFF0000u);
    EXPECT_EQ(Screen(100, 192), 0xFF0000u);

    HDC dc = GetDC(m_hChild);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 50, 0), CLR_INVALID);  // outside the child
    ReleaseDC(m_hChild, dc);
}

TEST_F(GdiWindow, IntersectClipRectNarrowsDrawingUntilTheDcIsReleased) {
    HDC dc = GetDC(m_hMain);
    ASSERT_NE(dc, nullptr);
    // Logical coordinates at the time of the call: with the origin moved, (0, 0) is device (90, 90).
    SetViewportOrgEx(dc, 90, 90, nullptr);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 30, 60), SIMPLEREGION);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    EXPECT_EQ(IntersectClipRect(dc, 0, 0, 200, 120), SIMPLEREGION);  // narrows to (90..119, 90..119)
    RECT all{0, 0, 480, 748};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    // The main window's (0, 0) is screen (0, 52); its child covers window (100..149, 100..139).
    EXPECT_EQ(Screen(90, 142), 0xFF0000u);
    EXPECT_EQ(Screen(99, 171), 0xFF0000u);
    EXPECT_EQ(Screen(89, 142), 0x323232u);
    EXPECT_EQ(Screen(90, 141), 0x323232u);
    EXPECT_EQ(Screen(99, 172), 0x323232u) << "below the second rectangle";
    EXPECT_EQ(Screen(100, 152), 0x323232u) << "the child stays out of the parent's drawing";
    EXPECT_EQ(IntersectClipRect(dc, 300, 300, 310, 310), NULLREGION);
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, blue);
    EXPECT_EQ(Screen(90, 142), 0xFF0000u) << "an empty clip draws nothing";
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID) << "outside the clip, as Win32 answers";
    ReleaseDC(m_hMain, dc);

    dc = GetDC(m_hMain);
    FillRect(dc, &all, blue);
    EXPECT_EQ(Screen(0, 52), 0x0000FFu) << "a new DC starts without a clip";
    ReleaseDC(m_hMain, dc);
    DeleteObject(red);
    DeleteObject(blue);
}

TEST_F(GdiWindow, HiddenWindowsDrawNothingAndDestroyedOnesGiveNoDc) {
    ShowWindow(m_hChild, SW_HIDE);
    Fill(m_hChild, RECT{0, 0, 50, 40}, RGB(0, 255, 0));
    EXPECT_EQ(Screen(110, 160), 0x323232u);
    // With the child hidden, its parent draws over the place it had.
    Fill(m_hMain, RECT{0, 0, 480, 748}, RGB(255, 0, 0));
    EXPECT_EQ(Screen(110, 160), 0xFF0000u);
    DestroyWindow(m_hChild);
    EXPECT_EQ(GetDC(m_hChild), nullptr);
}

TEST_F(GdiWindow, BitBltFromAWindowDcReadsTheScreen) {
    Fill(m_hChild, RECT{0, 0, 50, 40}, RGB(0, 0, 255));
    // A snapshot of the main window, as the popup takes one, includes what its child shows.
    HDC window = GetDC(m_hMain);
    MvCanvas snap(480, 200);
    ASSERT_TRUE(BitBlt(snap.dc(), 0, 0, 480, 200, window, 0, 0, SRCCOPY));
    EXPECT_EQ(snap.at(0, 0), RGB(50, 50, 50));
    EXPECT_EQ(snap.at(120, 120), RGB(0, 0, 255));
    // Copying it back lands at the window's origin and keeps off the child.
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{0, 0, 480, 200};
    FillRect(snap.dc(), &r, red);
    DeleteObject(red);
    ASSERT_TRUE(BitBlt(window, 0, 0, 480, 200, snap.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(Screen(0, 52), 0xFF0000u);
    EXPECT_EQ(Screen(120, 172), 0x0000FFu);
    ReleaseDC(m_hMain, window);
}

}  // namespace
