#include "platform/gdi/gdi_test_util.h"

namespace {

TEST(GdiDc, MemoryDcAndNewBitmapStartBlack) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    // A memory DC starts with a 1x1 bitmap.
    HBITMAP bmp = CreateCompatibleBitmap(dc, 30, 20);
    HGDIOBJ first = SelectObject(dc, bmp);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(first, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 1);
    EXPECT_EQ(info.bmHeight, 1);
    ASSERT_EQ(GetObjectW(bmp, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 30);
    EXPECT_EQ(info.bmHeight, 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(GetPixel(dc, x, y), 0u) << x << "," << y;
    EXPECT_EQ(GetPixel(dc, 30, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, -1, 0), CLR_INVALID);
    SelectObject(dc, first);
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiDc, SelectedObjectsFollowWin32Ownership) {
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(a, 4, 4);
    HGDIOBJ oldA = SelectObject(a, bmp);
    ASSERT_NE(oldA, nullptr);
    // One bitmap, one DC; a selected bitmap cannot be deleted.
    EXPECT_EQ(SelectObject(b, bmp), nullptr);
    EXPECT_FALSE(DeleteObject(bmp));
    // Selecting the old bitmap back hands out the one selected before.
    EXPECT_EQ(SelectObject(a, oldA), bmp);
    EXPECT_NE(SelectObject(b, bmp), nullptr);

    // DeleteDC leaves the selected bitmap, font, brush and pen alive.
    LOGFONTW lf{};
    lf.lfHeight = 20;
    HFONT font = CreateFontIndirectW(&lf);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    HGDIOBJ oldFont = SelectObject(b, font);
    HGDIOBJ oldBrush = SelectObject(b, brush);
    HGDIOBJ oldPen = SelectObject(b, pen);
    EXPECT_EQ(oldFont, GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_TRUE(DeleteDC(b));
    BITMAP info{};
    EXPECT_EQ(GetObjectW(bmp, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteDC(a));
}

TEST(GdiDc, StaleAndForeignHandlesAreRefused) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    ASSERT_TRUE(DeleteObject(brush));
    RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(dc, &r, brush), 0);
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    EXPECT_EQ(GetObjectW(brush, 0, nullptr), 0);
    // A DC is not a GDI object to delete, and a window DC cannot take a bitmap.
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(dc)));
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 2, 2);
    EXPECT_EQ(SelectObject(screen, bmp), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(GdiDc, StockObjectsSurviveDeletion) {
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    ASSERT_NE(black, nullptr);
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), black);
    EXPECT_TRUE(DeleteObject(black));
    MvCanvas c(3, 3);
    c.Fill(RGB(255, 255, 255));
    RECT r{0, 0, 3, 3};
    EXPECT_EQ(FillRect(c.dc(), &r, static_cast<HBRUSH>(black)), 1);
    EXPECT_EQ(c.at(1, 1), 0u);
    EXPECT_EQ(GetStockObject(-1), nullptr);
    EXPECT_EQ(GetStockObject(99), nullptr);
}

}  // namespace
