// Fonts and text on pango: every face is rendered with NanumGothic (it has Hangul); LOGFONTW
// heights are cell heights in pixels (negative: character height). Laid-out texts are cached, since
// the program creates a font and draws each label anew on every repaint.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"

namespace {

using namespace mvgdi;

constexpr const char* kFamily = "NanumGothic";
constexpr int kDefaultCellHeight = 24;  // SYSTEM_FONT and lfHeight 0
constexpr size_t kLayoutCacheLimit = 256;

struct TextEngine {
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;
    double cellPerEm = 1.0;  // cell height (ascent + descent) of a font of em size 1
    std::map<std::tuple<int, int, int>, PangoFontDescription*> descriptions;
    std::unordered_map<std::string, PangoLayout*> layouts;
};

TextEngine& Engine() {
    static TextEngine* engine = [] {
        auto* e = new TextEngine();
        e->fontMap = pango_cairo_font_map_new();
        e->context = pango_font_map_create_context(e->fontMap);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(e->context, options);
        cairo_font_options_destroy(options);
        PangoFontDescription* probe = pango_font_description_new();
        pango_font_description_set_family(probe, kFamily);
        pango_font_description_set_absolute_size(probe, 1000.0 * PANGO_SCALE);
        PangoFontMetrics* m = pango_context_get_metrics(e->context, probe, nullptr);
        const int cell = pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m);
        if (cell > 0) e->cellPerEm = cell / (1000.0 * PANGO_SCALE);
        pango_font_metrics_unref(m);
        pango_font_description_free(probe);
        return e;
    }();
    return *engine;
}

PangoFontDescription* Describe(const LOGFONTW& lf) {
    TextEngine& e = Engine();
    double em;
    if (lf.lfHeight > 0)
        em = lf.lfHeight / e.cellPerEm;
    else if (lf.lfHeight < 0)
        em = -static_cast<double>(lf.lfHeight);
    else
        em = kDefaultCellHeight / e.cellPerEm;
    const int size = static_cast<int>(std::lround(em * PANGO_SCALE));
    const int weight = lf.lfWeight <= 0 ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 100, 1000);
    const int italic = lf.lfItalic ? 1 : 0;
    auto key = std::make_tuple(size, weight, italic);
    auto it = e.descriptions.find(key);
    if (it != e.descriptions.end()) return it->second;
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, kFamily);
    pango_font_description_set_absolute_size(d, size);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(weight));
    pango_font_description_set_style(d, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    e.descriptions.emplace(key, d);
    return d;
}

// A layout of the text in a font; width < 0 means no wrapping.
PangoLayout* GetLayout(const std::string& utf8, const LOGFONTW& lf, int width, PangoAlignment align) {
    TextEngine& e = Engine();
    PangoFontDescription* desc = Describe(lf);
    std::string key = utf8;
    key.push_back('\0');
    key.append(reinterpret_cast<const char*>(&desc), sizeof desc);
    const int extra[4] = {width, static_cast<int>(align), lf.lfUnderline ? 1 : 0, lf.lfStrikeOut ? 1 : 0};
    key.append(reinterpret_cast<const char*>(extra), sizeof extra);
    auto it = e.layouts.find(key);
    if (it != e.layouts.end()) return it->second;
    if (e.layouts.size() >= kLayoutCacheLimit) {
        for (auto& entry : e.layouts) g_object_unref(entry.second);
        e.layouts.clear();
    }
    PangoLayout* layout = pango_layout_new(e.context);
    pango_layout_set_font_description(layout, desc);
    pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
    pango_layout_set_alignment(layout, align);
    if (width >= 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    }
    if (lf.lfUnderline || lf.lfStrikeOut) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (lf.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (lf.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    e.layouts.emplace(std::move(key), layout);
    return layout;
}

const LOGFONTW& SelectedFont(const Dc* dc) {
    const Font* f = FindAs<Font>(dc->font, Kind::Font);
    if (!f) f = FindAs<Font>(Stock(SYSTEM_FONT), Kind::Font);
    return f->lf;
}

std::wstring TextOf(LPCWSTR text, int count, bool singleLine) {
    // A count never reads past a terminator inside the buffer.
    std::wstring s(text, count < 0 ? std::wcslen(text) : wcsnlen(text, static_cast<size_t>(count)));
    if (singleLine)
        std::replace_if(
            s.begin(), s.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return s;
}

// Paints each line's cell with the background colour (OPAQUE background mode).
void FillLineBackgrounds(cairo_t* cr, const Target& t, PangoLayout* layout, int x, int y, COLORREF color) {
    SetSourceColor(cr, color);
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        pango_extents_to_pixels(&logical, nullptr);
        AddDeviceAlignedRect(cr, t, x + logical.x, y + logical.y, logical.width, logical.height);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    cairo_fill(cr);
}

// Surface rectangle that a layout shown at (x, y) of a target may have painted: ink and cells.
RECT PaintedBox(const Target& t, PangoLayout* layout, int x, int y) {
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    const int left = std::min(ink.x, logical.x), top = std::min(ink.y, logical.y);
    const int right = std::max(ink.x + ink.width, logical.x + logical.width);
    const int bottom = std::max(ink.y + ink.height, logical.y + logical.height);
    return RECT{t.ox + x + left - 1, t.oy + y + top - 1, t.ox + x + right + 1, t.oy + y + bottom + 1};
}

void ShowLayout(cairo_t* cr, PangoLayout* layout, int x, int y, COLORREF color) {
    SetSourceColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
}

}  // namespace

// fontconfig (under pango) keeps allocations it never frees; the leak checker of sanitizer builds
// is told to ignore them so that every test drawing text is not reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
    if (!lf) return nullptr;
    auto f = std::make_unique<Font>();
    f->lf = *lf;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HFONT>(Insert(std::move(f)));
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0x00FFFFFFu;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0x00FFFFFFu;
    return previous;
}

int SetBkMode(HDC hdc, int mode) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    if (!text || !rect) return 0;
    DrawScope scope(hdc);
    if (!scope.ok()) return 0;
    Dc* dc = scope.dst().dc;
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const std::wstring s = TextOf(text, count, singleLine);
    if (s.empty()) {
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top;
        }
        return 0;
    }
    const int rw = rect->right - rect->left, rh = rect->bottom - rect->top;
    const bool wrap = (format & DT_WORDBREAK) && !singleLine;
    PangoAlignment align = PANGO_ALIGN_LEFT;
    if (format & DT_CENTER)
        align = PANGO_ALIGN_CENTER;
    else if (format & DT_RIGHT)
        align = PANGO_ALIGN_RIGHT;
    PangoLayout* layout =
        GetLayout(ToUtf8(s.data(), s.size()), SelectedFont(dc), wrap ? std::max(rw, 1) : -1, align);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    const int tw = logical.width, th = logical.height;
    if (format & DT_CALCRECT) {
        rect->right = rect->left + tw;
        rect->bottom = rect->top + th;
        return th;
    }
    int x = rect->left;
    if (!wrap) {
        if (align == PANGO_ALIGN_CENTER)
            x = rect->left + (rw - tw) / 2;
        else if (align == PANGO_ALIGN_RIGHT)
            x = rect->right - tw;
    }
    // Vertical placement applies to text that is one line (DT_SINGLELINE, or a text that lays out
    // as a single line); text of several lines starts at the top.
    int y = rect->top;
    if (singleLine || pango_layout_get_line_count(layout) == 1) {
        if (format & DT_VCENTER)
            y = rect->top + (rh - th) / 2;
        else if (format & DT_BOTTOM)
            y = rect->bottom - th;
    }
    Target& t = scope.dst();
    cairo_t* cr = CreateContext(t);
    if (!(format & DT_NOCLIP)) {
        AddDeviceAlignedRect(cr, t, rect->left, rect->top, rw, rh);
        cairo_clip(cr);
    }
    if (dc->bkMode == OPAQUE) FillLineBackgrounds(cr, t, layout, x, y, dc->bkColor);
    ShowLayout(cr, layout, x, y, dc->textColor);
    cairo_destroy(cr);
    RECT drawn = PaintedBox(t, layout, x, y);
    if (!(format & DT_NOCLIP)) {
        RECT box{t.ox + rect->left, t.oy + rect->top, t.ox + rect->right, t.oy + rect->bottom};
        Intersect(drawn, box, &drawn);
    }
    scope.Touched(drawn);
    return (y - rect->top) + th;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
    if (!text || !size || count < 0) return FALSE;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return FALSE;
    const std::wstring s = TextOf(text, count, true);
    PangoLayout* layout = GetLayout(ToUtf8(s.data(), s.size()), SelectedFont(dc), -1, PANGO_ALIGN_LEFT);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    size->cx = s.empty() ? 0 : logical.width;
    size->cy = logical.height;
    return TRUE;
}

BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, LPABC abc) {
    if (!abc || last < first) return FALSE;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return FALSE;
    for (UINT c = first; c <= last; ++c) {
        const wchar_t ch = static_cast<wchar_t>(c);
        PangoLayout* layout = GetLayout(ToUtf8(&ch, 1), SelectedFont(dc), -1, PANGO_ALIGN_LEFT);
        PangoRectangle ink, logical;
        pango_layout_get_pixel_extents(layout, &ink, &logical);
        ABC& out = abc[c - first];
        if (ink.width <= 0) {
            // A blank: all advance, no ink.
            out = ABC{0, 0, logical.width};
        } else {
            out.abcA = ink.x - logical.x;
            out.abcB = static_cast<UINT>(ink.width);
            out.abcC = logical.width - out.abcA - ink.width;
        }
    }
    return TRUE;
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx) {
    DrawScope scope(hdc);
    if (!scope.ok()) return FALSE;
    Dc* dc = scope.dst().dc;
    Target& t = scope.dst();
    cairo_t* cr = CreateContext(t);
    if (rect && (options & ETO_CLIPPED)) {
        AddDeviceAlignedRect(cr, t, rect->left, rect->top, rect->right - rect->left,
                             rect->bottom - rect->top);
        cairo_clip(cr);
    }
    if (rect && (options & ETO_OPAQUE)) {
        SetSourceColor(cr, dc->bkColor);
        AddDeviceAlignedRect(cr, t, rect->left, rect->top, rect->right - rect->left,
                             rect->bottom - rect->top);
        cairo_fill(cr);
        scope.Touched(RECT{t.ox + rect->left, t.oy + rect->top, t.ox + rect->right, t.oy + rect->bottom});
    }
    if (text && count > 0) {
        const std::wstring s = TextOf(text, static_cast<int>(count), true);
        PangoLayout* layout = GetLayout(ToUtf8(s.data(), s.size()), SelectedFont(dc), -1, PANGO_ALIGN_LEFT);
        if (dc->bkMode == OPAQUE) FillLineBackgrounds(cr, t, layout, x, y, dc->bkColor);
        ShowLayout(cr, layout, x, y, dc->textColor);
        scope.Touched(PaintedBox(t, layout, x, y));
    }
    cairo_destroy(cr);
    return TRUE;
}
