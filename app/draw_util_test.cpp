// Drawing helpers: bitmaps from the resources, texts through the 100-unit buffer and the
// off-screen canvas of a view window.
#include "app/draw_util.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"
#include "testing/png_test_util.h"

namespace {

class DrawUtilTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartHeadlessPlatform();
        static const MV_RES_IMAGE bitmaps[] = {{129, kTestPng, sizeof(kTestPng)}};
        static MV_RESOURCE_MODULE module = {};
        module.bitmaps = bitmaps;
        module.bitmapCount = 1;
        MvRegisterResources(&module);
        hdc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(hdc, 200, 60);
        oldBitmap = SelectObject(hdc, bitmap);
    }
    void TearDown() override {
        SelectObject(hdc, oldBitmap);
        DeleteDC(hdc);
        DeleteObject(bitmap);
        MvPlatformShutdown();
    }
    int CountNonBlack(int width, int height) {
        int count = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) count += GetPixel(hdc, x, y) != 0;
        return count;
    }
    HDC hdc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
};

TEST_F(DrawUtilTest, BitmapIsCopiedAtItsPlaceAndAMissingOneDrawsNothing) {
    DrawBitmapAt(hdc, 130, 0, 0, 3, 2);
    EXPECT_EQ(CountNonBlack(200, 60), 0);
    DrawBitmapAt(hdc, 129, 5, 7, 3, 2);
    EXPECT_EQ(GetPixel(hdc, 5, 7), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(hdc, 6, 7), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(hdc, 7, 8), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(hdc, 4, 7), 0u);
    EXPECT_EQ(GetPixel(hdc, 8, 7), 0u);
}

TEST_F(DrawUtilTest, TextIsDrawnInsideItsRectangleEvenWhenTooLong) {
    RECT rect = {10, 10, 190, 50};
    DrawTextCell(hdc, L"걸음 Steps", rect, 30, RGB(255, 255, 255), DT_LEFT | DT_TOP);
    int inside = CountNonBlack(200, 60);
    EXPECT_GT(inside, 20);
    // Outside the rectangle nothing changed.
    for (int x = 0; x < 200; ++x) EXPECT_EQ(GetPixel(hdc, x, 5), 0u);

    // A text beyond the 99 units of the buffer is cut, not overrun.
    std::wstring longText(300, L'W');
    DrawTextCell(hdc, longText.c_str(), rect, 30, RGB(255, 255, 255), DT_LEFT | DT_TOP);
    DrawTextCell(hdc, nullptr, rect, 30, RGB(255, 255, 255), DT_LEFT);
    EXPECT_GE(CountNonBlack(200, 60), inside);
}

TEST_F(DrawUtilTest, OffscreenCanvasHasTheViewsSizeAndLandsOnTheWindow) {
    ASSERT_TRUE(RegisterPlainTestClass(L"Simple"));
    HWND hMain = CreateWindowExW(0, L"Simple", L"Movimetra", WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hMain, nullptr);
    MoveWindow(hMain, 0, 52, 480, 696, FALSE);
    HWND hView = CreateWindowExW(0, L"Simple", L"Simple", WS_CHILD | WS_VISIBLE, 0, 0, 480, 696, hMain,
                                 (HMENU)1, nullptr, nullptr);
    ASSERT_NE(hView, nullptr);

    OffscreenCanvas canvas;
    ASSERT_TRUE(BeginOffscreen(hView, &canvas));
    EXPECT_EQ(canvas.nWidth, 480);
    EXPECT_EQ(canvas.nHeight, 696);
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    RECT box = {100, 200, 140, 230};
    FillRect(canvas.hMemDC, &box, white);
    DeleteObject(white);
    EndOffscreen(hView, &canvas, 0, 0, canvas.nWidth, canvas.nHeight);
    EXPECT_EQ(canvas.hMemDC, nullptr);
    EXPECT_EQ(canvas.hBitmap, nullptr);

    // View row 200 is screen row 252.
    EXPECT_EQ(MvGetScreenPixel(100, 252), 0xFFFFFFu);
    EXPECT_EQ(MvGetScreenPixel(139, 281), 0xFFFFFFu);
    EXPECT_EQ(MvGetScreenPixel(99, 252), 0u);
    EXPECT_EQ(MvGetScreenPixel(100, 251), 0u);
    EXPECT_EQ(MvGetScreenPixel(140, 282), 0u);
}

}  // namespace
