// Pixel transfers and fills: BitBlt, StretchBlt, TransparentImage, FillRect with solid and pattern
// brushes, and single pixels.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi_internal.h"

namespace mvgdi {

namespace {

// Fills one row with a pixel, four at a time (black, the commonest brush, as a memset).
inline void FillRow(uint32_t* d, int w, uint32_t pixel) {
    if (pixel == 0) {
        std::memset(d, 0, sizeof(uint32_t) * w);
        return;
    }
    typedef uint32_t Quad __attribute__((vector_size(16)));
    const Quad quad = {pixel, pixel, pixel, pixel};
    int i = 0;
    for (; i + 4 <= w; i += 4) std::memcpy(d + i, &quad, sizeof quad);
    for (; i < w; ++i) d[i] = pixel;
}

// Copies a w x h block between surfaces; dst and src are surface coordinates already clipped to
// both surfaces. Overlapping blocks of one surface are copied through a temporary buffer.
void CopyBlock(Target& dst, int dx, int dy, const Target& src, int sx, int sy, int w, int h) {
    if (dst.surface == src.surface) {
        std::vector<uint32_t> tmp(static_cast<size_t>(w) * h);
        for (int row = 0; row < h; ++row)
            std::memcpy(&tmp[static_cast<size_t>(row) * w],
                        src.data + static_cast<size_t>(sy + row) * src.stride + sx, sizeof(uint32_t) * w);
        for (int row = 0; row < h; ++row)
            std::memcpy(dst.data + static_cast<size_t>(dy + row) * dst.stride + dx,
                        &tmp[static_cast<size_t>(row) * w], sizeof(uint32_t) * w);
        return;
    }
    for (int row = 0; row < h; ++row)
        std::memcpy(dst.data + static_cast<size_t>(dy + row) * dst.stride + dx,
                    src.data + static_cast<size_t>(sy + row) * src.stride + sx, sizeof(uint32_t) * w);
}

// Maps destination pixels to source pixels by nearest sample (negative sizes mirror), copying all
// but the key pixel when a key is given. The mapping is between device pixels of the two areas,
// so a source at the same scale and size copies pixel for pixel and a key colour never blends.
void StretchCopy(DrawScope& scope, const Target& src, int x, int y, int w, int h, int sx, int sy, int sw,
                 int sh, bool useKey, uint32_t key) {
    Target& dst = scope.dst();
    bool mirrorX = false, mirrorY = false;
    if (w < 0) {
        x += w;
        w = -w;
        mirrorX = !mirrorX;
    }
    if (h < 0) {
        y += h;
        h = -h;
        mirrorY = !mirrorY;
    }
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        mirrorX = !mirrorX;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        mirrorY = !mirrorY;
    }
    if (w == 0 || h == 0 || sw == 0 || sh == 0) return;
    const int dLeft = x + dst.ox, dTop = y + dst.oy;
    const int sLeft = sx + src.ox, sTop = sy + src.oy;
    const RECT area{dLeft, dTop, dLeft + w, dTop + h};
    const RECT dArea = dst.DevRect(area);
    const RECT sArea = src.DevRect(RECT{sLeft, sTop, sLeft + sw, sTop + sh});
    const int dw = dArea.right - dArea.left, dh = dArea.bottom - dArea.top;
    const int sdw = sArea.right - sArea.left, sdh = sArea.bottom - sArea.top;
    if (dw <= 0 || dh <= 0 || sdw <= 0 || sdh <= 0) return;
    // Source column/row (device pixels) for every destination column/row.
    std::vector<int> cols(dw), rows(dh);
    for (int i = 0; i < dw; ++i) {
        int k = static_cast<int>((static_cast<int64_t>(2 * i + 1) * sdw) / (2 * static_cast<int64_t>(dw)));
        cols[i] = sArea.left + (mirrorX ? sdw - 1 - k : k);
    }
    for (int j = 0; j < dh; ++j) {
        int k = static_cast<int>((static_cast<int64_t>(2 * j + 1) * sdh) / (2 * static_cast<int64_t>(dh)));
        rows[j] = sArea.top + (mirrorY ? sdh - 1 - k : k);
    }
    // A same-surface stretch reads from a snapshot of the source.
    std::vector<uint32_t> snapshot;
    const uint32_t* sdata = src.data;
    if (dst.surface == src.surface) {
        snapshot.assign(src.data, src.data + static_cast<size_t>(src.stride) * src.deviceHeight);
        sdata = snapshot.data();
    }
    for (const RECT& c : dst.clip) {
        RECT r;
        if (!Intersect(area, c, &r)) continue;
        const RECT d = dst.DevRect(r);
        for (int Y = d.top; Y < d.bottom; ++Y) {
            const int syy = rows[Y - dArea.top];
            if (syy < 0 || syy >= src.deviceHeight) continue;
            const uint32_t* srow = sdata + static_cast<size_t>(syy) * src.stride;
            uint32_t* drow = dst.data + static_cast<size_t>(Y) * dst.stride;
            for (int X = d.left; X < d.right; ++X) {
                const int sxx = cols[X - dArea.left];
                if (sxx < 0 || sxx >= src.deviceWidth) continue;
                const uint32_t p = srow[sxx];
                if (useKey && (p & 0x00FFFFFFu) == key) continue;
                drow[X] = p;
            }
        }
        scope.Touched(r);
    }
}

// A copy between surfaces of different device scales (a bitmap made before the scale changed):
// cairo resamples, by nearest pixel when enlarging.
void ScaledCopy(DrawScope& scope, const Target& s, int x, int y, int width, int height, int srcX, int srcY) {
    Target& d = scope.dst();
    cairo_t* cr = CreateContext(d);
    AddDeviceAlignedRect(cr, d, x, y, width, height);
    cairo_clip(cr);
    cairo_set_source_surface(cr, s.surface, x - srcX - s.ox, y - srcY - s.oy);
    cairo_pattern_set_filter(cairo_get_source(cr),
                             s.scale < d.scale ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    RECT area{x + d.ox, y + d.oy, x + d.ox + width, y + d.oy + height};
    RECT readable{x + d.ox - srcX - s.ox, y + d.oy - srcY - s.oy, x + d.ox - srcX - s.ox + s.width,
                  y + d.oy - srcY - s.oy + s.height};
    if (Intersect(area, readable, &area)) scope.Touched(area);
}

// A target for reading a bitmap directly (TransparentImage takes bitmaps as well as DCs).
bool BitmapTarget(HANDLE handle, Target* t) {
    Bitmap* bmp = FindAs<Bitmap>(handle, Kind::Bitmap);
    if (!bmp || !bmp->surface) return false;
    t->surface = bmp->surface;
    DescribeSurface(t->surface, t);
    t->ox = t->oy = 0;
    return true;
}

int PositiveMod(int a, int m) {
    int r = a % m;
    return r < 0 ? r + m : r;
}

}  // namespace

void FillWithBrush(DrawScope& scope, const RECT& dcRect, Brush* brush) {
    if (!brush || brush->hollow) return;
    Target& t = scope.dst();
    const RECT area{dcRect.left + t.ox, dcRect.top + t.oy, dcRect.right + t.ox, dcRect.bottom + t.oy};
    if (IsEmpty(area)) return;
    const uint32_t pixel = ToPixel(brush->color);
    const uint32_t* pdata = nullptr;
    int pw = 0, ph = 0, pstride = 0;
    // Patterns tile from the DC origin, in device pixels.
    const int originX = t.Dev(t.ox), originY = t.Dev(t.oy);
    if (brush->pattern) {
        cairo_surface_flush(brush->pattern);
        pdata = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(brush->pattern));
        pw = cairo_image_surface_get_width(brush->pattern);
        ph = cairo_image_surface_get_height(brush->pattern);
        pstride = cairo_image_surface_get_stride(brush->pattern) / 4;
    }
    for (const RECT& c : t.clip) {
        RECT r;
        if (!Intersect(area, c, &r)) continue;
        const RECT d = t.DevRect(r);
        for (int y = d.top; y < d.bottom; ++y) {
            uint32_t* row = t.data + static_cast<size_t>(y) * t.stride;
            if (!pdata) {
                FillRow(row + d.left, d.right - d.left, pixel);
                continue;
            }
            // The pattern is tiled from the DC origin, copied in runs of whole pattern rows.
            const uint32_t* prow = pdata + static_cast<size_t>(PositiveMod(y - originY, ph)) * pstride;
            int x = d.left;
            while (x < d.right) {
                const int px = PositiveMod(x - originX, pw);
                const int run = std::min(pw - px, static_cast<int>(d.right - x));
                std::memcpy(row + x, prow + px, sizeof(uint32_t) * run);
                x += run;
            }
        }
        if (pdata)
            scope.Touched(r);  // pattern pixels may carry a top byte
        else
            scope.TouchedClean();
    }
}

}  // namespace mvgdi

using namespace mvgdi;

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    if (rop != SRCCOPY) return FALSE;
    DrawScope scope(dst, src);
    if (!scope.ok()) return FALSE;
    if (width <= 0 || height <= 0) return TRUE;
    Target& d = scope.dst();
    const Target& s = scope.src();
    const int dl = x + d.ox, dt = y + d.oy;
    const int offX = srcX + s.ox - dl, offY = srcY + s.oy - dt;  // source = destination + offset
    const RECT area{dl, dt, dl + width, dt + height};
    const RECT readable{-offX, -offY, s.width - offX, s.height - offY};
    RECT block;
    if (!Intersect(area, readable, &block)) return TRUE;
    if (s.scale != d.scale) {
        ScaledCopy(scope, s, x, y, width, height, srcX, srcY);
        return TRUE;
    }
    for (const RECT& c : d.clip) {
        RECT r;
        if (!Intersect(block, c, &r)) continue;
        // Device pixels: the destination's edges as fills round them; the source from the same
        // rounding of its own corner, limited to what it holds.
        const RECT dr = d.DevRect(r);
        const int sl = s.Dev(r.left + offX), st = s.Dev(r.top + offY);
        const int w = std::min<int>(dr.right - dr.left, s.deviceWidth - sl);
        const int h = std::min<int>(dr.bottom - dr.top, s.deviceHeight - st);
        if (w > 0 && h > 0) CopyBlock(d, dr.left, dr.top, s, sl, st, w, h);
        // The source's unused top byte comes along; on the screen it is cleared before reading.
        scope.Touched(r);
    }
    return TRUE;
}

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
    if (width == srcWidth && height == srcHeight && width > 0 && height > 0)
        return BitBlt(dst, x, y, width, height, src, srcX, srcY, rop);
    if (rop != SRCCOPY) return FALSE;
    DrawScope scope(dst, src);
    if (!scope.ok()) return FALSE;
    StretchCopy(scope, scope.src(), x, y, width, height, srcX, srcY, srcWidth, srcHeight, false, 0);
    return TRUE;
}

BOOL TransparentImage(HDC dst, int x, int y, int width, int height, HANDLE src, int srcX, int srcY,
                      int srcWidth, int srcHeight, COLORREF transparentKey) {
    bool srcIsDc;
    {
        std::lock_guard<std::recursive_mutex> lock(Mutex());
        srcIsDc = FindAs<Dc>(src, Kind::Dc) != nullptr;
        if (!srcIsDc && !FindAs<Bitmap>(src, Kind::Bitmap)) return FALSE;
    }
    DrawScope scope(dst, srcIsDc ? static_cast<HDC>(src) : nullptr);
    if (!scope.ok()) return FALSE;
    Target bitmapSource;
    const Target* s = &scope.src();
    if (!srcIsDc) {
        if (!BitmapTarget(src, &bitmapSource)) return FALSE;
        s = &bitmapSource;
    }
    StretchCopy(scope, *s, x, y, width, height, srcX, srcY, srcWidth, srcHeight, true,
                ToPixel(transparentKey));
    return TRUE;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto b = std::make_unique<Brush>();
    b->color = color & 0x00FFFFFFu;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HBRUSH>(Insert(std::move(b)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Bitmap* bmp = FindAs<Bitmap>(bitmap, Kind::Bitmap);
    if (!bmp || !bmp->surface) return nullptr;
    auto b = std::make_unique<Brush>();
    // The brush keeps its own copy: the program may delete the bitmap right after.
    b->pattern = CopySurface(bmp->surface);
    return reinterpret_cast<HBRUSH>(Insert(std::move(b)));
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect) return 0;
    DrawScope scope(hdc);
    if (!scope.ok()) return 0;
    Brush* b = FindAs<Brush>(brush, Kind::Brush);
    if (!b) return 0;
    FillWithBrush(scope, *rect, b);
    return 1;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DrawScope scope(hdc);
    if (!scope.ok()) return CLR_INVALID;
    const Target& t = scope.dst();
    const int X = x + t.ox, Y = y + t.oy;
    for (const RECT& c : t.clip)
        if (X >= c.left && X < c.right && Y >= c.top && Y < c.bottom)  // its top-left device pixel
            return ToColorRef(t.data[static_cast<size_t>(t.Dev(Y)) * t.stride + t.Dev(X)] & 0x00FFFFFFu);
    return CLR_INVALID;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DrawScope scope(hdc);
    if (!scope.ok()) return CLR_INVALID;
    Target& t = scope.dst();
    const int X = x + t.ox, Y = y + t.oy;
    for (const RECT& c : t.clip) {
        if (X >= c.left && X < c.right && Y >= c.top && Y < c.bottom) {
            const RECT d = t.DevRect(RECT{X, Y, X + 1, Y + 1});
            for (int dy = d.top; dy < d.bottom; ++dy)
                FillRow(t.data + static_cast<size_t>(dy) * t.stride + d.left, d.right - d.left,
                        ToPixel(color));
            scope.Touched(RECT{X, Y, X + 1, Y + 1});
            return color & 0x00FFFFFFu;
        }
    }
    return CLR_INVALID;
}
