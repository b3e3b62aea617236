// Internals shared by the GDI files: the handle table of drawing objects and device contexts,
// the lock that serialises drawing, and the drawing targets a DC resolves to.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <cairo.h>

#include <cmath>
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

// Bitmaps are cairo RGB24 surfaces (opaque; the top byte of a pixel is not meaningful). Every
// surface carries its device scale (cairo's): a bitmap of w x h program pixels holds
// round(w*S) x round(h*S) device pixels.
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
    cairo_surface_t* surface = nullptr;  // the 1x pixels
    cairo_surface_t* drawn = nullptr;    // a larger variant to draw at a device scale > 1, or null
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

// The device scale new surfaces are made at (the display's; 1 until a display says otherwise).
double DeviceScale();
// Device pixels of a length or an edge of program pixels at a scale: edges round the same way
// everywhere, so rectangles that meet in program pixels meet in device pixels too.
inline int ToDevice(double scale, long v) {
    return scale == 1.0 ? static_cast<int>(v) : static_cast<int>(std::lround(v * scale));
}
// A new opaque surface of w x h program pixels at the current device scale (null on failure).
cairo_surface_t* CreateScaledSurface(int width, int height);
double SurfaceScale(cairo_surface_t* surface);
// The surface's size in program pixels.
void SurfaceLogicalSize(cairo_surface_t* surface, int* width, int* height);

// The framebuffer surface (created on first use, at the device scale).
cairo_surface_t* FramebufferSurface();
// Marks a screen rectangle changed; where cairo drew, the unused top byte of its pixels is cleared
// before the pixels are next handed out.
void FramebufferTouched(const RECT& screenRect);

// A surface as drawing code sees it. The DC origin, the clip and the size are in program pixels
// (surface coordinates); data, stride and the device size are the device pixels underneath.
struct Target {
    cairo_surface_t* surface = nullptr;
    uint32_t* data = nullptr;
    int stride = 0;  // in device pixels
    int width = 0;   // program pixels
    int height = 0;
    int deviceWidth = 0;
    int deviceHeight = 0;
    double scale = 1.0;
    int ox = 0;  // DC origin on the surface
    int oy = 0;
    std::vector<RECT> clip;  // surface rectangles that may be drawn, inside the surface
    bool framebuffer = false;
    Dc* dc = nullptr;
    int Dev(long v) const { return ToDevice(scale, v); }
    // The device pixels of a surface rectangle.
    RECT DevRect(const RECT& r) const { return RECT{Dev(r.left), Dev(r.top), Dev(r.right), Dev(r.bottom)}; }
};
// Fills in the pixel fields of a target from its surface (program size, device size, scale).
void DescribeSurface(cairo_surface_t* surface, Target* t);

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
// A cairo context on a target: clipped to its clip, origin at the DC origin, no antialiasing. Its
// units are program pixels; the surface's device scale maps them to device pixels.
cairo_t* CreateContext(const Target& t);
// Adds a rectangle given in DC coordinates to the path of a context from CreateContext, its edges
// on the device pixels ToDevice gives (cairo's own rounding may differ at fractional scales).
void AddDeviceAlignedRect(cairo_t* cr, const Target& t, int x, int y, int w, int h);
// Fills a rectangle given in DC coordinates with a brush (solid or pattern), clipped.
void FillWithBrush(DrawScope& scope, const RECT& dcRect, Brush* brush);
// Creates a copy of a surface as a new RGB24 surface at the same device scale.
cairo_surface_t* CopySurface(cairo_surface_t* source);
// An opaque copy at the current device scale of a decoded image drawn at imageScale (its device
// pixels per program pixel): the same pixels when the scales match, else resampled once.
cairo_surface_t* OpaqueAtDeviceScale(cairo_surface_t* decoded, double imageScale);
// The same for an image that keeps its alpha (ARGB32 stays ARGB32).
cairo_surface_t* ImageAtDeviceScale(cairo_surface_t* decoded, double imageScale);

// Empties the imaging service's cache of decoded files (a new device scale). Caller holds Mutex().
void ForgetDecodedImages();
// Decodes PNG bytes (null on failure); the surface is ARGB32 (or RGB24 for opaque PNGs).
cairo_surface_t* DecodePng(const unsigned char* data, size_t size);
// UTF-8 of `count` wide characters, through WideCharToMultiByte.
std::string ToUtf8(const wchar_t* text, size_t count);

}  // namespace mvgdi
