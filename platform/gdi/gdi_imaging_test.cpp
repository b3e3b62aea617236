#include <cairo.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

// Writes a w x h PNG: the left half opaque in the given colour, the right half transparent, the
// bottom row half-transparent white.
void WritePng(const std::string& path, int w, int h, double r, double g, double b) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, r, g, b);
    cairo_rectangle(cr, 0, 0, w / 2, h - 1);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.5);
    cairo_rectangle(cr, 0, h - 1, w, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(s, path.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(s);
}

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

class GdiImaging : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = m_temp.Path();
        ASSERT_FALSE(m_dir.empty());
        CoInitializeEx(nullptr, 0);
        ASSERT_EQ(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory,
                                   reinterpret_cast<void**>(&m_factory)),
                  S_OK);
    }
    void TearDown() override {
        if (m_factory) m_factory->Release();
        CoUninitialize();
    }
    // Draws the image at its natural size at (x, y), as the program's image drawer does.
    bool DrawAt(const std::string& path, HDC dc, int x, int y, ImageInfo* info = nullptr) {
        IImage* image = nullptr;
        if (FAILED(m_factory->CreateImageFromFile(Wide(path).c_str(), &image))) {
            EXPECT_EQ(image, nullptr);
            return false;
        }
        ImageInfo ii{};
        EXPECT_EQ(image->GetImageInfo(&ii), S_OK);
        RECT dst{x, y, x + static_cast<LONG>(ii.Width), y + static_cast<LONG>(ii.Height)};
        EXPECT_EQ(image->Draw(dc, &dst, nullptr), S_OK);
        image->Release();
        if (info) *info = ii;
        return true;
    }

    const CTempDir m_temp{"mvgdi"};
    std::string m_dir;
    IImagingFactory* m_factory = nullptr;
};

TEST_F(GdiImaging, DrawsAPngWithItsAlphaAtNaturalSize) {
    const std::string path = m_dir + "/control_start_n.png";
    WritePng(path, 8, 5, 1, 0, 0);
    MvCanvas c(20, 20);
    c.Fill(RGB(0, 0, 100));
    ImageInfo info{};
    ASSERT_TRUE(DrawAt(path, c.dc(), 3, 2, &info));
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 5u);
    EXPECT_EQ(c.at(3, 2), RGB(255, 0, 0));  // opaque left half
    EXPECT_EQ(c.at(6, 5), RGB(255, 0, 0));
    EXPECT_EQ(c.at(7, 2), RGB(0, 0, 100));  // transparent right half shows the background
    EXPECT_EQ(c.at(2, 2), RGB(0, 0, 100));  // nothing left of the image
    const COLORREF half = c.at(4, 6);       // half-transparent white over dark blue
    EXPECT_NEAR(GetRValue(half), 128, 2);
    EXPECT_NEAR(GetBValue(half), 178, 2);
    EXPECT_EQ(c.at(4, 7), RGB(0, 0, 100));  // nothing below the image
}

TEST_F(GdiImaging, MissingOrBadFilesFail) {
    MvCanvas c(4, 4);
    EXPECT_FALSE(DrawAt(m_dir + "/no_such.png", c.dc(), 0, 0));
    const std::string bad = m_dir + "/bad.png";
    FILE* f = fopen(bad.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("not a png", f);
    fclose(f);
    EXPECT_FALSE(DrawAt(bad, c.dc(), 0, 0));
    EXPECT_FALSE(DrawAt(m_dir, c.dc(), 0, 0));  // a folder
    EXPECT_EQ(c.InkBox(0).right, 0);
    IImage* image = reinterpret_cast<IImage*>(1);
    EXPECT_TRUE(FAILED(m_factory->CreateImageFromFile(nullptr, &image)));
    EXPECT_EQ(image, nullptr);
}

TEST_F(GdiImaging, ChangedFileIsDecodedAgain) {
    const std::string path = m_dir + "/num_00.png";
    WritePng(path, 4, 4, 1, 0, 0);
    MvCanvas c(4, 4);
    ASSERT_TRUE(DrawAt(path, c.dc(), 0, 0));
    ASSERT_TRUE(DrawAt(path, c.dc(), 0, 0));  // served again, still correct
    EXPECT_EQ(c.at(0, 0), RGB(255, 0, 0));
    WritePng(path, 4, 4, 0, 0, 1);
    // Same size; make sure the modification time differs even on a coarse clock.
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_TRUE(DrawAt(path, c.dc(), 0, 0));
    EXPECT_EQ(c.at(0, 0), RGB(0, 0, 255));
    remove(path.c_str());
    EXPECT_FALSE(DrawAt(path, c.dc(), 0, 0));
}

TEST_F(GdiImaging, ScaledDrawFillsTheDestination) {
    const std::string path = m_dir + "/a.png";
    WritePng(path, 4, 4, 0, 1, 0);
    IImage* image = nullptr;
    ASSERT_EQ(m_factory->CreateImageFromFile(Wide(path).c_str(), &image), S_OK);
    MvCanvas c(20, 20);
    RECT dst{0, 0, 16, 8};
    ASSERT_EQ(image->Draw(c.dc(), &dst, nullptr), S_OK);
    image->Release();
    EXPECT_EQ(c.at(2, 2), RGB(0, 255, 0));
    EXPECT_EQ(c.at(14, 2), 0u);
    EXPECT_EQ(c.InkBox(0).bottom, 8);
    EXPECT_LE(c.InkBox(0).right, 16);
}

TEST(GdiCom, OnlyTheImagingFactoryIsOffered) {
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, 0), S_FALSE);
    void* out = reinterpret_cast<void*>(1);
    EXPECT_TRUE(FAILED(
        CoCreateInstance(IID_IImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory, &out)));
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(FAILED(
        CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, CLSID_ImagingFactory, &out)));
    EXPECT_EQ(CLSID_ImagingFactory.Data1, 0x327ABDA8u);
    EXPECT_EQ(IID_IImagingFactory.Data1, 0x327ABDA7u);
    EXPECT_EQ(IID_IImagingFactory.Data4[7], 0x2E);
    CoUninitialize();
    CoUninitialize();
}

TEST(GdiPngResources, BitmapsAndIconsFromPngBytes) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 6, 4);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 0, 0, 3, 4);
    cairo_fill(cr);
    cairo_destroy(cr);
    std::vector<unsigned char> bytes;
    cairo_surface_write_to_png_stream(
        s,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* v = static_cast<std::vector<unsigned char>*>(closure);
            v->insert(v->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
    cairo_surface_destroy(s);

    // A bitmap is opaque: transparent pixels become black.
    HBITMAP bmp = MvCreateBitmapFromPng(bytes.data(), bytes.size());
    ASSERT_NE(bmp, nullptr);
    BITMAP bm{};
    GetObjectW(bmp, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 6);
    EXPECT_EQ(bm.bmHeight, 4);
    MvCanvas c(12, 8);
    c.Fill(RGB(200, 200, 200));
    EXPECT_TRUE(TransparentImage(c.dc(), 0, 0, 6, 4, bmp, 0, 0, 6, 4, RGB(1, 2, 3)));
    EXPECT_EQ(c.at(0, 0), RGB(0, 0, 255));
    EXPECT_EQ(c.at(5, 0), 0u);
    DeleteObject(bmp);

    // An icon keeps its alpha and is scaled to the asked size.
    HICON icon = MvCreateIconFromPng(bytes.data(), bytes.size());
    ASSERT_NE(icon, nullptr);
    c.Fill(RGB(200, 200, 200));
    MvDrawIcon(c.dc(), icon, 0, 0, 12, 8);
    EXPECT_EQ(c.at(1, 1), RGB(0, 0, 255));
    EXPECT_EQ(c.at(10, 6), RGB(200, 200, 200));

    EXPECT_EQ(MvCreateBitmapFromPng(bytes.data(), 10), nullptr);  // truncated
    EXPECT_EQ(MvCreateIconFromPng(nullptr, 0), nullptr);
}

// Resource bitmaps are decoded once and shared; drawing onto one never reaches the cache, and a
// new resource module brings its own pixels.
TEST(GdiPngResources, ResourceBitmapsAreDecodedOnceAndCopiedBeforeDrawing) {
    auto pngOf = [](double blue) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 4, 3);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, 0, 0, blue);
        cairo_paint(cr);
        cairo_destroy(cr);
        std::vector<unsigned char> bytes;
        cairo_surface_write_to_png_stream(
            s,
            [](void* closure, const unsigned char* data, unsigned int length) {
                auto* v = static_cast<std::vector<unsigned char>*>(closure);
                v->insert(v->end(), data, data + length);
                return CAIRO_STATUS_SUCCESS;
            },
            &bytes);
        cairo_surface_destroy(s);
        return bytes;
    };
    const std::vector<unsigned char> blue = pngOf(1.0), dark = pngOf(0.5);
    const MV_RES_IMAGE blueImages[] = {{7, blue.data(), blue.size()}};
    const MV_RES_IMAGE darkImages[] = {{7, dark.data(), dark.size()}};
    MV_RESOURCE_MODULE blueModule{}, darkModule{};
    blueModule.bitmaps = blueImages;
    blueModule.bitmapCount = 1;
    darkModule.bitmaps = darkImages;
    darkModule.bitmapCount = 1;
    const MV_RESOURCE_MODULE* before = MvGetResources();
    MvRegisterResources(&blueModule);

    auto pixelOf = [](HBITMAP bmp) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, bmp);
        COLORREF c = GetPixel(dc, 1, 1);
        SelectObject(dc, old);
        DeleteDC(dc);
        return c;
    };
    HBITMAP first = LoadBitmapW(nullptr, MAKEINTRESOURCEW(7));
    HBITMAP second = LoadBitmapW(nullptr, MAKEINTRESOURCEW(7));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(pixelOf(first), RGB(0, 0, 255));

    // Paint over the first one: the second and any later load keep the resource's pixels.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, first);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 4, 3};
    FillRect(dc, &all, red);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(red);
    EXPECT_EQ(pixelOf(first), RGB(255, 0, 0));
    EXPECT_EQ(pixelOf(second), RGB(0, 0, 255));
    HBITMAP third = LoadBitmapW(nullptr, MAKEINTRESOURCEW(7));
    EXPECT_EQ(pixelOf(third), RGB(0, 0, 255));

    // Another module: the same id gives that module's image.
    MvRegisterResources(&darkModule);
    HBITMAP fourth = LoadBitmapW(nullptr, MAKEINTRESOURCEW(7));
    EXPECT_EQ(GetRValue(pixelOf(fourth)), 0);
    EXPECT_LT(GetBValue(pixelOf(fourth)), 200);
    EXPECT_GT(GetBValue(pixelOf(fourth)), 100);
    // Bitmaps handed out earlier stay valid after the cache let go of their pixels.
    EXPECT_EQ(pixelOf(second), RGB(0, 0, 255));

    for (HBITMAP b : {first, second, third, fourth}) EXPECT_TRUE(DeleteObject(b));
    MvRegisterResources(before);
}

}  // namespace
