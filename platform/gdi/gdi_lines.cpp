// Pens, lines and rectangles. One-pixel lines land on the pixels Win32 draws: from the start point
// up to, not including, the end point; at a device scale S each of those pixels is a square of
// round(S) device pixels from its top-left corner, so a thin line stays one crisp line. Wide pens
// are stroked by cairo with round ends, unsmoothed.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi/gdi_internal.h"

namespace {

using namespace mvgdi;

// Cosmetic dash pattern of PS_DASH: pixels on, then pixels off.
constexpr int kDashOn = 18;
constexpr int kDashOff = 6;

void PlotLine(DrawScope& scope, const Pen& pen, int x0, int y0, int x1, int y1) {
    Target& t = scope.dst();
    const uint32_t pixel = ToPixel(pen.color);
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    const int steps = std::max(dx, dy);
    const bool xMajor = dx >= dy;
    const int major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    RECT touched{0, 0, 0, 0};
    bool any = false;
    const int thick = t.scale == 1.0 ? 1 : std::max(1, static_cast<int>(std::lround(t.scale)));
    for (int i = 0; i < steps; ++i) {
        if (pen.style == PS_DASH && i % (kDashOn + kDashOff) >= kDashOn) continue;
        // Minor offset rounded half up along the direction of travel.
        const int m = static_cast<int>((2LL * i * minor + major) / (2LL * major));
        const int x = t.ox + x0 + sx * (xMajor ? i : m);
        const int y = t.oy + y0 + sy * (xMajor ? m : i);
        for (const RECT& c : t.clip) {
            if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
                if (thick == 1 && t.scale == 1.0) {
                    t.data[static_cast<size_t>(y) * t.stride + x] = pixel;
                } else {
                    const RECT dc = t.DevRect(c);
                    RECT block{t.Dev(x), t.Dev(y), t.Dev(x) + thick, t.Dev(y) + thick};
                    if (Intersect(block, dc, &block))
                        for (int Y = block.top; Y < block.bottom; ++Y)
                            for (int X = block.left; X < block.right; ++X)
                                t.data[static_cast<size_t>(Y) * t.stride + X] = pixel;
                }
                if (!any) {
                    touched = RECT{x, y, x + 1, y + 1};
                    any = true;
                } else {
                    touched.left = std::min<LONG>(touched.left, x);
                    touched.top = std::min<LONG>(touched.top, y);
                    touched.right = std::max<LONG>(touched.right, x + 1);
                    touched.bottom = std::max<LONG>(touched.bottom, y + 1);
                }
                break;
            }
        }
    }
    if (any) scope.Touched(touched);
}

void StrokeWide(DrawScope& scope, const Pen& pen, int x0, int y0, int x1, int y1) {
    Target& t = scope.dst();
    cairo_t* cr = CreateContext(t);
    SetSourceColor(cr, pen.color);
    cairo_set_line_width(cr, pen.width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, x0 + 0.5, y0 + 0.5);
    cairo_line_to(cr, x1 + 0.5, y1 + 0.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
    const int w = pen.width;
    scope.Touched(RECT{t.ox + std::min(x0, x1) - w, t.oy + std::min(y0, y1) - w,
                       t.ox + std::max(x0, x1) + w + 1, t.oy + std::max(y0, y1) + w + 1});
}

}  // namespace

HPEN CreatePen(int style, int width, COLORREF color) {
    auto p = std::make_unique<Pen>();
    p->style = (style == PS_DASH || style == PS_NULL) ? style : PS_SOLID;
    p->width = std::max(width, 1);
    if (p->style == PS_DASH) p->width = 1;  // dashed pens are cosmetic
    p->color = color & 0x00FFFFFFu;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HPEN>(Insert(std::move(p)));
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->pos;
    dc->pos = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DrawScope scope(hdc);
    if (!scope.ok()) return FALSE;
    Dc* dc = scope.dst().dc;
    const POINT from = dc->pos;
    dc->pos = POINT{x, y};
    Pen* pen = FindAs<Pen>(dc->pen, Kind::Pen);
    if (!pen || pen->style == PS_NULL) return TRUE;
    if (pen->width <= 1)
        PlotLine(scope, *pen, from.x, from.y, x, y);
    else
        StrokeWide(scope, *pen, from.x, from.y, x, y);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    DrawScope scope(hdc);
    if (!scope.ok()) return FALSE;
    Dc* dc = scope.dst().dc;
    Pen* pen = FindAs<Pen>(dc->pen, Kind::Pen);
    Brush* brush = FindAs<Brush>(dc->brush, Kind::Brush);
    const bool outline = pen && pen->style != PS_NULL;
    // The right and bottom edges are excluded; without a pen the filled area is one pixel smaller.
    if (outline)
        FillWithBrush(scope, RECT{left + 1, top + 1, right - 1, bottom - 1}, brush);
    else
        FillWithBrush(scope, RECT{left, top, right - 1, bottom - 1}, brush);
    if (!outline || right - left < 1 || bottom - top < 1) return TRUE;
    if (pen->width <= 1) {
        // Each side as a line from its corner up to the next corner.
        PlotLine(scope, *pen, left, top, right - 1, top);
        PlotLine(scope, *pen, right - 1, top, right - 1, bottom - 1);
        PlotLine(scope, *pen, right - 1, bottom - 1, left, bottom - 1);
        PlotLine(scope, *pen, left, bottom - 1, left, top);
        return TRUE;
    }
    Target& t = scope.dst();
    cairo_t* cr = CreateContext(t);
    SetSourceColor(cr, pen->color);
    cairo_set_line_width(cr, pen->width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_rectangle(cr, left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
    cairo_stroke(cr);
    cairo_destroy(cr);
    const int w = pen->width;
    scope.Touched(RECT{t.ox + left - w, t.oy + top - w, t.ox + right + w, t.oy + bottom + w});
    return TRUE;
}
