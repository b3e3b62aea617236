#include <cairo.h>

#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

// Gives every pixel of a canvas its own colour, derived from its position.
COLORREF Marker(int x, int y) {
    return RGB(10 + x, 20 + y, 200);
}

void PaintMarkers(MvCanvas& c) {
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) SetPixel(c.dc(), x, y, Marker(x, y));
}

TEST(GdiBlit, BitBltCopiesExactPixelsAndClips) {
    MvCanvas src(8, 6);
    PaintMarkers(src);
    MvCanvas dst(10, 10);
    dst.Fill(RGB(1, 1, 1));
    // Destination partly off the right and bottom edges; source partly off its left edge.
    ASSERT_TRUE(BitBlt(dst.dc(), 6, 7, 8, 6, src.dc(), -2, 0, SRCCOPY));
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const int sx = x - 6 - 2, sy = y - 7;
            const bool copied = x >= 6 && y >= 7 && sx >= 0 && sx < 8 && sy < 6;
            ASSERT_EQ(dst.at(x, y), copied ? Marker(sx, sy) : RGB(1, 1, 1)) << x << "," << y;
        }
    }
    EXPECT_FALSE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, 0x00F00021u));  // only SRCCOPY
}

TEST(GdiBlit, BitBltWithinOneBitmapHandlesOverlap) {
    MvCanvas c(6, 1);
    PaintMarkers(c);
    ASSERT_TRUE(BitBlt(c.dc(), 1, 0, 5, 1, c.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(c.at(0, 0), Marker(0, 0));
    for (int x = 1; x < 6; ++x) EXPECT_EQ(c.at(x, 0), Marker(x - 1, 0)) << x;
}

TEST(GdiBlit, StretchBltSamplesNearestPixels) {
    MvCanvas src(2, 2);
    PaintMarkers(src);
    MvCanvas dst(4, 4);
    ASSERT_TRUE(StretchBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.at(x, y), Marker(x / 2, y / 2)) << x << "," << y;
}

TEST(GdiBlit, TransparentImageSkipsTheKeyColourFromDcOrBitmap) {
    // A 5x5 marker: white with green corners, as the chart uses.
    MvCanvas marker(5, 5);
    marker.Fill(RGB(255, 255, 255));
    for (int p : {0, 4}) {
        SetPixel(marker.dc(), p, 0, RGB(0, 255, 0));
        SetPixel(marker.dc(), p, 4, RGB(0, 255, 0));
    }
    MvCanvas dst(7, 7);
    dst.Fill(RGB(30, 40, 50));
    ASSERT_TRUE(TransparentImage(dst.dc(), 1, 1, 5, 5, marker.dc(), 0, 0, 5, 5, RGB(0, 255, 0)));
    EXPECT_EQ(dst.at(1, 1), RGB(30, 40, 50));
    EXPECT_EQ(dst.at(5, 5), RGB(30, 40, 50));
    EXPECT_EQ(dst.at(2, 1), RGB(255, 255, 255));
    EXPECT_EQ(dst.at(3, 3), RGB(255, 255, 255));
    EXPECT_EQ(dst.at(0, 0), RGB(30, 40, 50));
    EXPECT_EQ(dst.InkBox(RGB(30, 40, 50)).left, 1);

    // The same from the bitmap handle itself (it may stay selected in its DC).
    MvCanvas dst2(7, 7);
    dst2.Fill(RGB(30, 40, 50));
    ASSERT_TRUE(TransparentImage(dst2.dc(), 1, 1, 5, 5, marker.bitmap(), 0, 0, 5, 5, RGB(0, 255, 0)));
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(dst2.at(x, y), dst.at(x, y)) << x << "," << y;
    EXPECT_FALSE(TransparentImage(dst2.dc(), 0, 0, 1, 1, nullptr, 0, 0, 1, 1, 0));
}

TEST(GdiBlit, FillRectWithSolidNullAndPatternBrushes) {
    MvCanvas c(9, 7);
    RECT all{0, 0, 9, 7};
    EXPECT_EQ(FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
    EXPECT_EQ(c.InkBox(0).right, 0);  // nothing drawn

    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT part{2, 3, 5, 4};
    FillRect(c.dc(), &part, red);
    EXPECT_EQ(c.InkBox(0).left, 2);
    EXPECT_EQ(c.InkBox(0).right, 5);
    EXPECT_EQ(c.InkBox(0).bottom, 4);
    EXPECT_EQ(c.at(2, 3), RGB(255, 0, 0));
    DeleteObject(red);

    // Rows are filled four pixels at a time and the rest one by one; black goes as a memset.
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    RECT rows{0, 5, 9, 7};
    FillRect(c.dc(), &rows, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT wide{1, 5, 8, 7};
    FillRect(c.dc(), &wide, blue);
    RECT black{2, 6, 7, 7};
    FillRect(c.dc(), &black, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    for (int x = 0; x < 9; ++x) {
        const bool inside = x >= 1 && x < 8;
        EXPECT_EQ(c.at(x, 5), inside ? RGB(0, 0, 255) : RGB(255, 255, 255)) << x;
        EXPECT_EQ(c.at(x, 6), !inside             ? RGB(255, 255, 255)
                              : (x >= 2 && x < 7) ? RGB(0, 0, 0)
                                                  : RGB(0, 0, 255))
            << x;
    }
    DeleteObject(blue);

    // The pattern tiles from the DC origin, whatever the filled rectangle's corner; the brush keeps
    // working after its bitmap is deleted.
    MvCanvas tile(3, 2);
    PaintMarkers(tile);
    HBITMAP copy = CreateCompatibleBitmap(tile.dc(), 3, 2);
    HDC tmp = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(tmp, copy);
    BitBlt(tmp, 0, 0, 3, 2, tile.dc(), 0, 0, SRCCOPY);
    SelectObject(tmp, old);
    DeleteDC(tmp);
    HBRUSH pattern = CreatePatternBrush(copy);
    ASSERT_NE(pattern, nullptr);
    DeleteObject(copy);
    RECT inner{1, 1, 8, 6};
    FillRect(c.dc(), &inner, pattern);
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 8; ++x) EXPECT_EQ(c.at(x, y), Marker(x % 3, y % 2)) << x << "," << y;
    EXPECT_EQ(c.at(0, 0), 0u);
    DeleteObject(pattern);
}

TEST(GdiBlit, ScreenDcDrawsIntoTheFramebuffer) {
    HDC screen = GetDC(nullptr);
    // Tests before this one in the same process may have drawn here.
    RECT top{0, 0, 480, 100};
    FillRect(screen, &top, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    MvFramebufferTakeDirty();
    HBRUSH b = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
    RECT r{10, 20, 30, 25};
    FillRect(screen, &r, b);
    DeleteObject(b);
    EXPECT_TRUE(MvFramebufferTakeDirty());
    EXPECT_FALSE(MvFramebufferTakeDirty());
    const uint32_t* fb = MvFramebufferData();
    EXPECT_EQ(fb[20 * 480 + 10], 0x00123456u);  // 0x00RRGGBB, nothing in the top byte
    EXPECT_EQ(fb[20 * 480 + 30], 0u);
    EXPECT_EQ(GetPixel(screen, 29, 24), RGB(0x12, 0x34, 0x56));

    // The PNG snapshot holds the same pixels.
    const CTempDir dir("mvgdi");
    const std::string path = dir.Path() + "/shot.png";
    ASSERT_TRUE(MvFramebufferWritePng(path));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 480);
    EXPECT_EQ(cairo_image_surface_get_height(png), 800);
    const uint32_t* px = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(png));
    const int stride = cairo_image_surface_get_stride(png) / 4;
    EXPECT_EQ(px[22 * stride + 15] & 0xFFFFFFu, 0x123456u);
    cairo_surface_destroy(png);

    // Text drawn by cairo leaves alpha in the top byte; the pixels handed out are clean to the last
    // pixel of every row, also where two drawings overlap.
    SetBkMode(screen, TRANSPARENT);
    SetTextColor(screen, RGB(255, 255, 255));
    RECT text{41, 40, 200, 80};
    DrawTextW(screen, L"Wg 123", -1, &text, DT_LEFT);
    RECT second{45, 50, 200, 90};
    DrawTextW(screen, L"Wg", -1, &second, DT_LEFT);
    fb = MvFramebufferData();
    int inked = 0;
    for (int y = 30; y < 90; ++y)
        for (int x = 30; x < 210; ++x) {
            const uint32_t p = fb[y * 480 + x];
            if (p != 0) ++inked;
            ASSERT_EQ(p >> 24, 0u) << x << "," << y;
        }
    EXPECT_GT(inked, 20);

    // More drawings apart than are kept one by one: all of them are clean too.
    for (int i = 0; i < 20; ++i) {
        RECT cell{10 + (i % 5) * 90, 300 + (i / 5) * 40, 100 + (i % 5) * 90, 340 + (i / 5) * 40};
        DrawTextW(screen, L"8", -1, &cell, DT_LEFT);
    }
    fb = MvFramebufferData();
    for (int y = 300; y < 460; ++y)
        for (int x = 0; x < 480; ++x) ASSERT_EQ(fb[y * 480 + x] >> 24, 0u) << x << "," << y;
    ReleaseDC(nullptr, screen);
}

}  // namespace
