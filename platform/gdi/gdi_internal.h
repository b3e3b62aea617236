// Internals shared by the GDI files: the handle table of drawing objects and device contexts,
// the lock that serialises drawing, and the drawing targets a DC resolves to.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <cairo.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/rects.h"
#include "platform/win_gdi.h"

namespace mvgdi {

enum class Kind { Bitmap, Brush, Pen, Font, Dc, Icon };

// Every handle names an entry of one table; a stale handle finds nothing instead of freed memory.
struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;  // stock objects are never deleted
    int selected = 0;    // number of DCs it is selected into
};

// Bitmaps are cairo RGB24 surfaces (opaque; the top byte of a pixel is not meaningful).
struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    ~Bitmap() override;
    cairo_surface_t* surface = nullptr;
    // The surface is also held by the decoded-resource cache: it is copied before the first
    // drawing onto it, so that the cached pixels never change.
    bool shared = false;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    ~Brush() override;
    bool hollow = false;
    COLORREF color = 0;
    cairo_surface_t* pattern = nullptr;  // own copy of the pattern bitmap, or null for solid
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTW lf{};
};

// Icons keep their PNG's alpha: cairo ARGB32 surfaces.
struct Icon : Object {
    Icon() : Object(Kind::Icon) {}
    ~Icon() override;
    cairo_surface_t* surface = nullptr;
};

enum class DcKind { Memory, Window, Screen };

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    DcKind dcKind = DcKind::Memory;
    HWND hwnd = nullptr;
    HGDIOBJ bitmap = nullptr;         // memory DCs: the selected bitmap
    HGDIOBJ defaultBitmap = nullptr;  // memory DCs: the 1x1 bitmap they start with (owned)
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = 0x00FFFFFF;
    int bkMode = OPAQUE;
    POINT pos{0, 0};
    POINT viewport{0, 0};  // SetViewportOrgEx: device position of logical (0, 0)
    bool hasClip = false;  // IntersectClipRect: drawing stays inside clip (device coordinates)
    RECT clip{0, 0, 0, 0};
};

// The lock around the handle table, the framebuffer and the text engine.
std::recursive_mutex& Mutex();

// Handle table; callers hold Mutex().
uintptr_t Insert(std::unique_ptr<Object> object);
Object* Find(const void* handle);
template <class T>
T* FindAs(const void* handle, Kind kind) {
    Object* o = Find(handle);
    return (o && o->kind == kind) ? static_cast<T*>(o) : nullptr;
}
void Erase(const void* handle);
HGDIOBJ Stock(int index);

// The framebuffer surface (created on first use).
cairo_surface_t* FramebufferSurface();
// Marks a screen rectangle changed; where cairo drew, the unused top byte of its pixels is cleared
// before the pixels are next handed out.
void FramebufferTouched(const RECT& screenRect);

// A surface as drawing code sees it: pixels, size, the DC origin and the clip, in surface pixels.
struct Target {
    cairo_surface_t* surface = nullptr;
    uint32_t* data = nullptr;
    int stride = 0;  // in pixels
    int width = 0;
    int height = 0;
    int ox = 0;  // DC origin on the surface
    int oy = 0;
    std::vector<RECT> clip;  // surface rectangles that may be drawn, inside the surface
    bool framebuffer = false;
    Dc* dc = nullptr;
};

// Resolves one or two DCs to targets under the drawing lock. Window geometry is asked of the window
// manager before the lock is taken. Drawing reports what it touched on the destination so that the
// framebuffer is marked dirty.
class DrawScope {
public:
    explicit DrawScope(HDC dst, HDC src = nullptr);
    ~DrawScope();
    DrawScope(const DrawScope&) = delete;
    DrawScope& operator=(const DrawScope&) = delete;

    bool ok() const { return m_bOk; }
    Target& dst() { return m_dst; }
    Target& src() { return m_src; }
    // A rectangle in destination-surface coordinates that drawing may have changed.
    void Touched(const RECT& surfaceRect);
    // The same for pixels written already in the screen's 0x00RRGGBB form (nothing to clean up).
    void TouchedClean() { m_bClean = true; }

private:
    std::unique_lock<std::recursive_mutex> m_lock;
    Target m_dst;
    Target m_src;
    bool m_bOk = false;
    bool m_bTouched = false;
    bool m_bClean = false;
    RECT m_touched{0, 0, 0, 0};
};

// Rectangle helpers.
using mv::Bound;
using mv::Contains;
using mv::Intersect;  // zeroes *out when the rectangles do not overlap
using mv::IsEmpty;
// Pixel of a COLORREF (0x00BBGGRR) as cairo RGB24 (0x00RRGGBB), and back.
inline uint32_t ToPixel(COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF ToColorRef(uint32_t p) {
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}
inline void SetSourceColor(cairo_t* cr, COLORREF c) {
    cairo_set_source_rgb(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
}
// A cairo context on a target: clipped to its clip, origin at the DC origin, no antialiasing.
cairo_t* CreateContext(const Target& t);
// Fills a rectangle given in DC coordinates with a brush (solid or pattern), clipped.
void FillWithBrush(DrawScope& scope, const RECT& dcRect, Brush* brush);
// Creates a copy of a surface region as a new RGB24 surface.
cairo_surface_t* CopySurface(cairo_surface_t* source);

// Decodes PNG bytes (null on failure); the surface is ARGB32 (or RGB24 for opaque PNGs).
cairo_surface_t* DecodePng(const unsigned char* data, size_t size);
// UTF-8 of `count` wide characters, through WideCharToMultiByte.
std::string ToUtf8(const wchar_t* text, size_t count);

}  // namespace mvgdi
