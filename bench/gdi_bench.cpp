// A full repaint of a 480x696 view as the main view composes it: two background bitmaps, about
// fifteen PNG images drawn through the imaging factory (decoded on every draw by the program),
// five texts each with its own font, and one copy to the screen.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/windows.h"
#include "testing/temp_dir_test_util.h"

namespace {

struct Artwork {
    std::string dir;
    std::vector<std::wstring> images;  // full paths
    HBITMAP upper = nullptr;
    HBITMAP strip = nullptr;
};

void WritePng(const std::string& path, int w, int h, double r, double g, double b) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgba(cr, r, g, b, 0.9);
    cairo_arc(cr, w / 2.0, h / 2.0, (w < h ? w : h) / 2.0, 0, 6.2832);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
}

HBITMAP SolidBitmap(int w, int h, COLORREF color) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ old = SelectObject(dc, bmp);
    HBRUSH brush = CreateSolidBrush(color);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bmp;
}

Artwork& Art() {
    static Artwork* art = [] {
        auto* a = new Artwork();
        a->dir = CTempDir::ForProcess("mvgdibench");
        const struct {
            const char* name;
            int w, h;
        } files[] = {{"runner.png", 106, 150}, {"num_0.png", 47, 70},   {"num_1.png", 47, 70},
                     {"num_2.png", 47, 70},    {"num_3.png", 47, 70},   {"num_4.png", 47, 70},
                     {"start.png", 158, 107},  {"reset.png", 158, 107}, {"log.png", 158, 107}};
        for (const auto& f : files) {
            const std::string path = a->dir + "/" + f.name;
            WritePng(path, f.w, f.h, 0.2, 0.7, 0.9);
            a->images.push_back(std::wstring(path.begin(), path.end()));
        }
        a->upper = SolidBitmap(480, 352, RGB(20, 40, 80));
        a->strip = SolidBitmap(480, 108, RGB(40, 40, 40));
        return a;
    }();
    return *art;
}

void DrawImage(HDC dc, const std::wstring& path, int x, int y) {
    IImagingFactory* factory = nullptr;
    CoInitializeEx(nullptr, 0);
    CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory,
                     reinterpret_cast<void**>(&factory));
    IImage* image = nullptr;
    if (factory && SUCCEEDED(factory->CreateImageFromFile(path.c_str(), &image))) {
        ImageInfo info{};
        image->GetImageInfo(&info);
        RECT dst{x, y, x + static_cast<LONG>(info.Width), y + static_cast<LONG>(info.Height)};
        image->Draw(dc, &dst, nullptr);
        image->Release();
    }
    if (factory) factory->Release();
    CoUninitialize();
}

void DrawLabel(HDC dc, const wchar_t* text, RECT r, int height, COLORREF color, UINT format) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    wcscpy(lf.lfFaceName, MV_KOREAN_UI_FONT);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t buffer[100];
    wcsncpy(buffer, text, 99);
    buffer[99] = 0;
    DrawTextW(dc, buffer, -1, &r, format);
    SelectObject(dc, old);
    DeleteObject(font);
}

void BitmapAt(HDC dc, HBITMAP bmp, int x, int y, int w, int h) {
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, bmp);
    BitBlt(dc, x, y, w, h, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
}

void Compose(HDC window) {
    Artwork& a = Art();
    HDC mem = CreateCompatibleDC(window);
    HBITMAP bmp = CreateCompatibleBitmap(window, 480, 696);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitmapAt(mem, a.upper, 0, 0, 480, 352);
    BitmapAt(mem, a.strip, 0, 588, 480, 108);
    DrawLabel(mem, L"걸음", RECT{32, 250, 100, 328}, 30, 0x00D6A100, DT_LEFT);
    DrawLabel(mem, L"칼로리", RECT{32, 422, 120, 453}, 30, 0x00D6A100, DT_LEFT);
    DrawLabel(mem, L"시간", RECT{32, 511, 100, 548}, 30, 0x00D6A100, DT_LEFT);
    RECT calories{120, 413, 360, 463}, time{120, 503, 360, 553};
    FillRect(mem, &calories, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawLabel(mem, L"123.45 Kcal", calories, 45, 0xFFFFFF, DT_CENTER);
    FillRect(mem, &time, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawLabel(mem, L"01 : 02 : 03 ", time, 45, 0xFFFFFF, DT_CENTER);
    DrawImage(mem, a.images[0], 187, 80);
    for (int i = 0; i < 8; ++i) DrawImage(mem, a.images[1 + i % 5], 54 + 49 * i, 243);
    DrawImage(mem, a.images[6], 1, 588);
    DrawImage(mem, a.images[7], 161, 588);
    DrawImage(mem, a.images[8], 321, 588);
    BitBlt(window, 0, 52, 480, 696, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
}

void BM_MainViewComposition(benchmark::State& state) {
    HDC screen = GetDC(nullptr);
    Compose(screen);  // warm the font and image caches
    for (auto _ : state) Compose(screen);
    ReleaseDC(nullptr, screen);
}
BENCHMARK(BM_MainViewComposition)->Unit(benchmark::kMillisecond);

// One label with a fresh font, as every text of every repaint is drawn.
void BM_DrawText(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 480, 100);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (auto _ : state) DrawLabel(dc, L"123.45 Kcal", RECT{0, 0, 480, 100}, 45, 0xFFFFFF, DT_CENTER);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}
BENCHMARK(BM_DrawText)->Unit(benchmark::kMicrosecond);

// A text never drawn before, as the calories box draws after each step: laid out and shaped anew.
void BM_DrawNewText(benchmark::State& state) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 480, 100);
    HGDIOBJ old = SelectObject(dc, bmp);
    int n = 0;
    wchar_t text[32];
    for (auto _ : state) {
        ++n;
        swprintf(text, 32, L"%d.%02d Kcal", n / 100, n % 100);
        DrawLabel(dc, text, RECT{0, 0, 480, 100}, 45, 0xFFFFFF, DT_CENTER);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}
BENCHMARK(BM_DrawNewText)->Unit(benchmark::kMicrosecond);

// A full-view copy to the screen.
void BM_BitBltFullView(benchmark::State& state) {
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 480, 696);
    HGDIOBJ old = SelectObject(mem, bmp);
    for (auto _ : state) BitBlt(screen, 0, 52, 480, 696, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}
BENCHMARK(BM_BitBltFullView)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
