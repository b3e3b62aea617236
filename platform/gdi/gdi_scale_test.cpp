// Drawing at device scales above 1: program pixels map to whole device pixels with the same
// rounding everywhere (no seams between neighbours at 1.5), sizes stay in program pixels, copies
// and key-colour copies move device pixels without blending, thin lines are round(S) device pixels,
// images take their 2x file, and a bitmap made before the scale changed is still drawn.
#include <cairo.h>

#include <cmath>

#include "platform/gdi/gdi_test_util.h"
#include "platform/win_imaging.h"
#include "testing/temp_dir_test_util.h"

namespace {

int Dev(double scale, int v) {
    return static_cast<int>(std::lround(v * scale));
}

uint32_t Pixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Each test draws on the screen or canvases at its scale; the next test finds scale 1 again.
class GdiScale : public ::testing::Test {
protected:
    void SetScale(double scale) {
        MvSetDeviceScale(scale);
        m_hScreen = GetDC(nullptr);
    }
    void TearDown() override {
        if (m_hScreen) ReleaseDC(nullptr, m_hScreen);
        MvSetDeviceScale(1.0);
    }
    void Fill(int l, int t, int r, int b, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        RECT rect{l, t, r, b};
        FillRect(m_hScreen, &rect, brush);
        DeleteObject(brush);
    }
    HDC m_hScreen = nullptr;
};

TEST_F(GdiScale, NeighbouringFillsAtOneAndAHalfMeetWithoutSeamOrOverlap) {
    SetScale(1.5);
    Fill(0, 0, 30, 30, RGB(0, 0, 0));
    // Odd edges fall between device pixels at 1.5: each rounds one way for both sides.
    Fill(1, 1, 8, 8, RGB(255, 0, 0));
    Fill(8, 1, 15, 8, RGB(0, 0, 255));
    Fill(1, 8, 15, 13, RGB(0, 255, 0));
    for (int y = Dev(1.5, 1); y < Dev(1.5, 13); ++y) {
        for (int x = Dev(1.5, 1); x < Dev(1.5, 15); ++x) {
            uint32_t expected = y >= Dev(1.5, 8)
                                    ? Pixel(RGB(0, 255, 0))
                                    : (x >= Dev(1.5, 8) ? Pixel(RGB(0, 0, 255)) : Pixel(RGB(255, 0, 0)));
            ASSERT_EQ(MvGetScreenDevicePixel(x, y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(MvGetScreenDevicePixel(Dev(1.5, 15), Dev(1.5, 1)), 0u);  // nothing past the right edge
    EXPECT_EQ(MvGetScreenPixel(8, 1), Pixel(RGB(0, 0, 255)));          // program pixels read back
}

TEST_F(GdiScale, BitmapsKeepTheirSizeInProgramPixelsAndCopyDevicePixels) {
    SetScale(2.0);
    MvCanvas canvas(5, 3);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectW(canvas.bitmap(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 5);
    EXPECT_EQ(bm.bmHeight, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) SetPixel(canvas.dc(), x, y, RGB(10 * x, 20 * y, 99));
    // A thin line across the canvas: round(S) device rows of the pen's colour.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HGDIOBJ old = SelectObject(canvas.dc(), pen);
    MoveToEx(canvas.dc(), 0, 2, nullptr);
    LineTo(canvas.dc(), 3, 2);
    SelectObject(canvas.dc(), old);
    DeleteObject(pen);
    ASSERT_TRUE(BitBlt(m_hScreen, 20, 30, 5, 3, canvas.dc(), 0, 0, SRCCOPY));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            const uint32_t expected =
                (y == 2 && x < 3) ? Pixel(RGB(1, 2, 3)) : Pixel(RGB(10 * x, 20 * y, 99));
            for (int k = 0; k < 4; ++k)
                ASSERT_EQ(MvGetScreenDevicePixel(2 * (20 + x) + k % 2, 2 * (30 + y) + k / 2), expected)
                    << x << "," << y;
        }
    }
}

TEST_F(GdiScale, KeyColourCopiesAtOneAndAHalfNeverBlend) {
    SetScale(1.5);
    MvCanvas marker(5, 5);
    marker.Fill(RGB(255, 0, 255));
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT centre{1, 1, 4, 4};
    FillRect(marker.dc(), &centre, red);
    DeleteObject(red);
    Fill(0, 0, 20, 20, RGB(0, 0, 255));
    ASSERT_TRUE(TransparentImage(m_hScreen, 3, 3, 5, 5, marker.bitmap(), 0, 0, 5, 5, RGB(255, 0, 255)));
    int reds = 0;
    for (int y = 0; y < Dev(1.5, 12); ++y) {
        for (int x = 0; x < Dev(1.5, 12); ++x) {
            const uint32_t p = MvGetScreenDevicePixel(x, y);
            ASSERT_TRUE(p == Pixel(RGB(0, 0, 255)) || p == Pixel(RGB(255, 0, 0)))
                << x << "," << y << ": " << p;
            if (p != Pixel(RGB(255, 0, 0))) continue;
            ++reds;
            // The centre, program pixels (4, 4) to (7, 7), within the pixel either side that the
            // two roundings (the marker's and the screen's) may move an edge.
            EXPECT_TRUE(x >= Dev(1.5, 4) - 1 && x < Dev(1.5, 7) + 1 && y >= Dev(1.5, 4) - 1 &&
                        y < Dev(1.5, 7) + 1)
                << x << "," << y;
        }
    }
    EXPECT_GE(reds, 9);
}

TEST_F(GdiScale, ABitmapMadeBeforeTheScaleChangedIsStillDrawnWhole) {
    MvCanvas early(4, 4);  // at scale 1
    early.Fill(RGB(7, 8, 9));
    SetScale(2.0);
    Fill(0, 0, 10, 10, RGB(0, 0, 0));
    ASSERT_TRUE(BitBlt(m_hScreen, 2, 2, 4, 4, early.dc(), 0, 0, SRCCOPY));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            ASSERT_EQ(MvGetScreenDevicePixel(x, y), inside ? Pixel(RGB(7, 8, 9)) : 0u) << x << "," << y;
        }
}

bool WritePng(const std::string& path, int width, int height, uint32_t rgb) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, (rgb >> 16) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

// Draws the image file at (x, y) of the screen and reports its size in program pixels.
bool DrawImage(HDC hdc, const std::wstring& path, int x, int y, UINT* width, UINT* height) {
    IImagingFactory* factory = nullptr;
    IImage* image = nullptr;
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IImagingFactory, reinterpret_cast<LPVOID*>(&factory))) &&
              SUCCEEDED(factory->CreateImageFromFile(path.c_str(), &image));
    ImageInfo info = {};
    if (ok) ok = SUCCEEDED(image->GetImageInfo(&info));
    if (ok) {
        RECT dst{x, y, x + static_cast<LONG>(info.Width), y + static_cast<LONG>(info.Height)};
        ok = SUCCEEDED(image->Draw(hdc, &dst, nullptr));
        *width = info.Width;
        *height = info.Height;
    }
    if (image) image->Release();
    if (factory) factory->Release();
    return ok;
}

TEST_F(GdiScale, ImagesTakeTheirTwoTimesFileAndKeepTheirSize) {
    const CTempDir temp("mv_gdi_scale_");
    ASSERT_TRUE(WritePng(temp.Path() + "/box.png", 4, 2, 0xFF0000));
    ASSERT_TRUE(WritePng(temp.Path() + "/box@2x.png", 8, 4, 0x0000FF));
    ASSERT_TRUE(WritePng(temp.Path() + "/plain.png", 3, 3, 0x00FF00));
    std::wstring dir(temp.Path().begin(), temp.Path().end());
    UINT w = 0, h = 0;
    SetScale(1.5);  // the smallest factor not below 1.5: the 2x file, drawn down to 1.5
    ASSERT_TRUE(DrawImage(m_hScreen, dir + L"/box.png", 10, 10, &w, &h));
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(MvGetScreenPixel(11, 11), 0x0000FFu);
    ReleaseDC(nullptr, m_hScreen);
    SetScale(2.0);
    ASSERT_TRUE(DrawImage(m_hScreen, dir + L"/box.png", 10, 10, &w, &h));
    EXPECT_EQ(MvGetScreenDevicePixel(27, 23), 0x0000FFu);
    EXPECT_NE(MvGetScreenDevicePixel(28, 24), 0x0000FFu);  // 4 x 2 program pixels, no more
    // Without a 2x file the image itself, enlarged.
    ASSERT_TRUE(DrawImage(m_hScreen, dir + L"/plain.png", 30, 10, &w, &h));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(MvGetScreenDevicePixel(65, 25), 0x00FF00u);
    ReleaseDC(nullptr, m_hScreen);
    SetScale(1.0);
    ASSERT_TRUE(DrawImage(m_hScreen, dir + L"/box.png", 10, 10, &w, &h));
    EXPECT_EQ(MvGetScreenPixel(11, 11), 0xFF0000u);
}

}  // namespace
