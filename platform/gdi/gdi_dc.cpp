// Device contexts and drawing objects: the handle table, stock objects, selection with Win32's
// ownership rules, and the resolution of a DC to the surface it draws on.
#include <algorithm>
#include <unordered_map>

#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/win_resources.h"

namespace mvgdi {

namespace {

struct Table {
    std::unordered_map<uintptr_t, std::unique_ptr<Object>> objects;
    uintptr_t next = 0x10000;
    HGDIOBJ stock[SYSTEM_FONT + 1] = {};
};

Table& TheTable() {
    static Table* table = new Table();  // lives to process end: stock handles stay valid
    return *table;
}

struct WindowGeometry {
    bool window = false;
    RECT rect{0, 0, 0, 0};
    bool placed = false;
    std::vector<RECT> visible;
};

// Asks the window manager where a window DC draws, without holding the drawing lock.
void QueryGeometry(HDC hdc, WindowGeometry* g) {
    HWND hwnd = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(Mutex());
        Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
        if (!dc || dc->dcKind != DcKind::Window) return;
        hwnd = dc->hwnd;
    }
    g->window = true;
    g->placed = MvWindowScreenRect(hwnd, &g->rect);
    if (g->placed) MvWindowVisibleRects(hwnd, &g->visible);
}

bool BuildTarget(HDC hdc, const WindowGeometry& g, bool forReading, Target* t) {
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return false;
    t->dc = dc;
    if (dc->dcKind == DcKind::Memory) {
        Bitmap* bmp = FindAs<Bitmap>(dc->bitmap, Kind::Bitmap);
        if (!bmp || !bmp->surface) return false;
        if (bmp->shared && !forReading) {
            // A cached resource image is about to be drawn on: this bitmap gets its own pixels.
            cairo_surface_t* own = CopySurface(bmp->surface);
            cairo_surface_destroy(bmp->surface);
            bmp->surface = own;
            bmp->shared = false;
        }
        t->surface = bmp->surface;
    } else {
        t->surface = FramebufferSurface();
        t->framebuffer = true;
    }
    DescribeSurface(t->surface, t);
    RECT bounds{0, 0, t->width, t->height};
    t->clip.clear();
    if (dc->dcKind == DcKind::Window && dc->hwnd) {
        if (!g.window) return false;  // the DC changed kind between the two looks: not expected
        if (!g.placed) return true;   // window gone: nothing to draw or read
        t->ox = g.rect.left;
        t->oy = g.rect.top;
        if (forReading) {
            t->clip.push_back(bounds);
        } else {
            for (const RECT& r : g.visible) {
                RECT c;
                if (Intersect(r, bounds, &c)) t->clip.push_back(c);
            }
        }
    } else {
        t->clip.push_back(bounds);
    }
    if (dc->hasClip && !forReading) {
        // The DC's own clip, from device to surface coordinates, narrows every rectangle.
        const RECT own{dc->clip.left + t->ox, dc->clip.top + t->oy, dc->clip.right + t->ox,
                       dc->clip.bottom + t->oy};
        size_t kept = 0;
        for (const RECT& r : t->clip) {
            RECT c;
            if (Intersect(r, own, &c)) t->clip[kept++] = c;
        }
        t->clip.resize(kept);
    }
    t->ox += dc->viewport.x;
    t->oy += dc->viewport.y;
    return true;
}

}  // namespace

Bitmap::~Bitmap() {
    if (surface) cairo_surface_destroy(surface);
}

Brush::~Brush() {
    if (pattern) cairo_surface_destroy(pattern);
}

Icon::~Icon() {
    if (surface) cairo_surface_destroy(surface);
    if (drawn) cairo_surface_destroy(drawn);
}

std::recursive_mutex& Mutex() {
    static std::recursive_mutex* mutex = new std::recursive_mutex();
    return *mutex;
}

uintptr_t Insert(std::unique_ptr<Object> object) {
    Table& t = TheTable();
    uintptr_t h = t.next;
    t.next += 0x10;
    t.objects.emplace(h, std::move(object));
    return h;
}

Object* Find(const void* handle) {
    Table& t = TheTable();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second.get();
}

void Erase(const void* handle) {
    TheTable().objects.erase(reinterpret_cast<uintptr_t>(handle));
}

HGDIOBJ Stock(int index) {
    if (index < 0 || index > SYSTEM_FONT) return nullptr;
    Table& t = TheTable();
    if (t.stock[index]) return t.stock[index];
    std::unique_ptr<Object> o;
    auto brush = [](bool hollow, COLORREF c) {
        auto b = std::make_unique<Brush>();
        b->hollow = hollow;
        b->color = c;
        return b;
    };
    auto pen = [](int style, COLORREF c) {
        auto p = std::make_unique<Pen>();
        p->style = style;
        p->color = c;
        return p;
    };
    switch (index) {
        case WHITE_BRUSH:
            o = brush(false, RGB(255, 255, 255));
            break;
        case LTGRAY_BRUSH:
            o = brush(false, RGB(192, 192, 192));
            break;
        case GRAY_BRUSH:
            o = brush(false, RGB(128, 128, 128));
            break;
        case DKGRAY_BRUSH:
            o = brush(false, RGB(64, 64, 64));
            break;
        case BLACK_BRUSH:
            o = brush(false, RGB(0, 0, 0));
            break;
        case NULL_BRUSH:
            o = brush(true, 0);
            break;
        case WHITE_PEN:
            o = pen(PS_SOLID, RGB(255, 255, 255));
            break;
        case BLACK_PEN:
            o = pen(PS_SOLID, RGB(0, 0, 0));
            break;
        case NULL_PEN:
            o = pen(PS_NULL, 0);
            break;
        case SYSTEM_FONT: {
            auto f = std::make_unique<Font>();
            f->lf.lfWeight = FW_NORMAL;
            o = std::move(f);
            break;
        }
        default:
            return nullptr;
    }
    o->stock = true;
    t.stock[index] = reinterpret_cast<HGDIOBJ>(Insert(std::move(o)));
    return t.stock[index];
}

DrawScope::DrawScope(HDC dst, HDC src) {
    WindowGeometry gd, gs;
    QueryGeometry(dst, &gd);
    if (src) QueryGeometry(src, &gs);
    m_lock = std::unique_lock<std::recursive_mutex>(Mutex());
    m_bOk = BuildTarget(dst, gd, false, &m_dst);
    if (m_bOk && src) m_bOk = BuildTarget(src, gs, true, &m_src);
}

DrawScope::~DrawScope() {
    if (m_bTouched || m_bClean) cairo_surface_mark_dirty(m_dst.surface);
    if (m_bTouched && m_dst.framebuffer) FramebufferTouched(m_touched);
    if (m_bClean && m_dst.framebuffer) MvFramebufferMarkDirty();
}

void DrawScope::Touched(const RECT& r) {
    if (IsEmpty(r)) return;
    if (!m_bTouched) {
        m_touched = r;
        m_bTouched = true;
        return;
    }
    m_touched = Bound(m_touched, r);
}

void DescribeSurface(cairo_surface_t* surface, Target* t) {
    cairo_surface_flush(surface);
    t->data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    t->stride = cairo_image_surface_get_stride(surface) / 4;
    t->deviceWidth = cairo_image_surface_get_width(surface);
    t->deviceHeight = cairo_image_surface_get_height(surface);
    t->scale = SurfaceScale(surface);
    SurfaceLogicalSize(surface, &t->width, &t->height);
}

double SurfaceScale(cairo_surface_t* surface) {
    double sx = 1.0, sy = 1.0;
    cairo_surface_get_device_scale(surface, &sx, &sy);
    return sx;
}

void SurfaceLogicalSize(cairo_surface_t* surface, int* width, int* height) {
    const double scale = SurfaceScale(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    // Device sizes are round(size * scale), so this finds the size back for every scale >= 1.
    *width = scale == 1.0 ? w : static_cast<int>(std::lround(w / scale));
    *height = scale == 1.0 ? h : static_cast<int>(std::lround(h / scale));
}

cairo_surface_t* CreateScaledSurface(int width, int height) {
    const double scale = DeviceScale();
    cairo_surface_t* s =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, ToDevice(scale, width), ToDevice(scale, height));
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    cairo_surface_set_device_scale(s, scale, scale);
    return s;
}

void AddDeviceAlignedRect(cairo_t* cr, const Target& t, int x, int y, int w, int h) {
    if (t.scale == 1.0) {
        cairo_rectangle(cr, x, y, w, h);
        return;
    }
    const RECT d = t.DevRect(RECT{t.ox + x, t.oy + y, t.ox + x + w, t.oy + y + h});
    cairo_rectangle(cr, d.left / t.scale - t.ox, d.top / t.scale - t.oy, (d.right - d.left) / t.scale,
                    (d.bottom - d.top) / t.scale);
}

cairo_t* CreateContext(const Target& t) {
    cairo_t* cr = cairo_create(t.surface);
    for (const RECT& r : t.clip) {
        const RECT d = t.DevRect(r);
        cairo_rectangle(cr, d.left / t.scale, d.top / t.scale, (d.right - d.left) / t.scale,
                        (d.bottom - d.top) / t.scale);
    }
    cairo_clip(cr);
    cairo_translate(cr, t.ox, t.oy);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    return cr;
}

cairo_surface_t* CopySurface(cairo_surface_t* source) {
    int w = cairo_image_surface_get_width(source);
    int h = cairo_image_surface_get_height(source);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    // The same device scale on both: device pixels map one to one.
    const double scale = SurfaceScale(source);
    cairo_surface_set_device_scale(copy, scale, scale);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return copy;
}

namespace {

cairo_surface_t* Resample(cairo_surface_t* decoded, double imageScale, cairo_format_t format) {
    const double scale = DeviceScale();
    const int w = static_cast<int>(std::lround(cairo_image_surface_get_width(decoded) / imageScale));
    const int h = static_cast<int>(std::lround(cairo_image_surface_get_height(decoded) / imageScale));
    cairo_surface_t* out = cairo_image_surface_create(format, ToDevice(scale, w), ToDevice(scale, h));
    cairo_surface_set_device_scale(out, scale, scale);
    cairo_surface_set_device_scale(decoded, imageScale, imageScale);
    cairo_t* cr = cairo_create(out);
    cairo_set_source_surface(cr, decoded, 0, 0);
    if (imageScale != scale) {
        // Drawn at its size in program pixels; the edges repeat rather than fade into nothing.
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    }
    cairo_paint(cr);  // over black for opaque surfaces, as the decoded bitmaps are laid
    cairo_destroy(cr);
    return out;
}

}  // namespace

cairo_surface_t* OpaqueAtDeviceScale(cairo_surface_t* decoded, double imageScale) {
    return Resample(decoded, imageScale, CAIRO_FORMAT_RGB24);
}

cairo_surface_t* ImageAtDeviceScale(cairo_surface_t* decoded, double imageScale) {
    if (imageScale == DeviceScale()) {
        cairo_surface_set_device_scale(decoded, imageScale, imageScale);
        return cairo_surface_reference(decoded);
    }
    return Resample(decoded, imageScale, cairo_image_surface_get_format(decoded));
}

}  // namespace mvgdi

using namespace mvgdi;

namespace {

HDC NewDc(DcKind kind, HWND hwnd) {
    auto dc = std::make_unique<Dc>();
    dc->dcKind = kind;
    dc->hwnd = hwnd;
    dc->brush = Stock(WHITE_BRUSH);
    dc->pen = Stock(BLACK_PEN);
    dc->font = Stock(SYSTEM_FONT);
    Dc* raw = dc.get();
    HDC hdc = reinterpret_cast<HDC>(Insert(std::move(dc)));
    if (kind == DcKind::Memory) {
        auto bmp = std::make_unique<Bitmap>();
        bmp->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1);
        bmp->selected = 1;
        bmp->stock = true;  // like Win32's default bitmap, DeleteObject leaves it alone
        raw->defaultBitmap = reinterpret_cast<HGDIOBJ>(Insert(std::move(bmp)));
        raw->bitmap = raw->defaultBitmap;
    }
    return hdc;
}

void Deselect(HGDIOBJ h) {
    if (Object* o = Find(h))
        if (o->selected > 0) --o->selected;
}

BOOL FreeDc(HDC hdc, bool windowDc) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return FALSE;
    if (windowDc != (dc->dcKind != DcKind::Memory)) return FALSE;
    Deselect(dc->bitmap);
    Deselect(dc->brush);
    Deselect(dc->pen);
    Deselect(dc->font);
    HGDIOBJ def = dc->defaultBitmap;
    Erase(hdc);
    if (def) Erase(def);  // the 1x1 bitmap a memory DC starts with belongs to it
    return TRUE;
}

}  // namespace

HDC GetDC(HWND hWnd) {
    if (hWnd) {
        RECT r;
        if (!MvWindowScreenRect(hWnd, &r)) return nullptr;
    }
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return NewDc(hWnd ? DcKind::Window : DcKind::Screen, hWnd);
}

int ReleaseDC(HWND hWnd, HDC hdc) {
    return FreeDc(hdc, true) ? 1 : 0;
}

HDC CreateCompatibleDC(HDC hdc) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return NewDc(DcKind::Memory, nullptr);
}

BOOL DeleteDC(HDC hdc) {
    {
        std::lock_guard<std::recursive_mutex> lock(Mutex());
        Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
        if (!dc) return FALSE;
        if (dc->dcKind != DcKind::Memory) return FreeDc(hdc, true);
    }
    return FreeDc(hdc, false);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    if (width < 0 || height < 0) return nullptr;
    if (width == 0 || height == 0) width = height = 1;
    cairo_surface_t* s = CreateScaledSurface(width, height);
    if (!s) return nullptr;
    auto bmp = std::make_unique<Bitmap>();
    bmp->surface = s;  // cairo clears new image surfaces: opaque black
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HBITMAP>(Insert(std::move(bmp)));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    Object* o = Find(obj);
    if (!dc || !o) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (o->kind) {
        case Kind::Bitmap:
            if (dc->dcKind != DcKind::Memory) return nullptr;
            if (dc->bitmap == obj) return obj;
            if (o->selected > 0) return nullptr;  // a bitmap lives in one DC at a time
            slot = &dc->bitmap;
            break;
        case Kind::Brush:
            slot = &dc->brush;
            break;
        case Kind::Pen:
            slot = &dc->pen;
            break;
        case Kind::Font:
            slot = &dc->font;
            break;
        default:
            return nullptr;
    }
    HGDIOBJ previous = *slot;
    if (previous == obj) return previous;
    Deselect(previous);
    ++o->selected;
    *slot = obj;
    return previous;
}

BOOL DeleteObject(HGDIOBJ obj) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Object* o = Find(obj);
    if (!o) return FALSE;
    if (o->kind == Kind::Dc || o->kind == Kind::Icon) return FALSE;
    if (o->stock) return TRUE;
    if (o->selected > 0) return FALSE;  // still selected into a DC
    Erase(obj);
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->viewport;
    dc->viewport = POINT{x, y};
    return TRUE;
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Dc* dc = FindAs<Dc>(hdc, Kind::Dc);
    if (!dc) return ERROR;
    RECT r{std::min(left, right) + dc->viewport.x, std::min(top, bottom) + dc->viewport.y,
           std::max(left, right) + dc->viewport.x, std::max(top, bottom) + dc->viewport.y};
    if (dc->hasClip && !Intersect(dc->clip, r, &r)) r = RECT{0, 0, 0, 0};
    dc->clip = r;
    dc->hasClip = true;
    return IsEmpty(r) ? NULLREGION : SIMPLEREGION;
}

HGDIOBJ GetStockObject(int index) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return Stock(index);
}

int GetObjectW(HGDIOBJ obj, int size, LPVOID out) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Object* o = Find(obj);
    if (!o) return 0;
    if (o->kind == Kind::Bitmap) {
        if (!out) return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        cairo_surface_t* s = static_cast<Bitmap*>(o)->surface;
        BITMAP bm{};
        bm.bmType = 0;
        int w = 0, h = 0;
        SurfaceLogicalSize(s, &w, &h);  // the program's pixels, whatever the device's
        bm.bmWidth = w;
        bm.bmHeight = h;
        bm.bmWidthBytes = bm.bmWidth * 4;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = 32;
        bm.bmBits = nullptr;
        *static_cast<BITMAP*>(out) = bm;
        return sizeof(BITMAP);
    }
    if (o->kind == Kind::Font) {
        if (!out) return sizeof(LOGFONTW);
        if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
        *static_cast<LOGFONTW*>(out) = static_cast<Font*>(o)->lf;
        return sizeof(LOGFONTW);
    }
    return 0;
}
