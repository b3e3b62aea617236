// The one 480x800 screen every window draws into, at the device scale, and bitmaps and icons made
// from PNG bytes.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/gdi/gdi_internal.h"
#include "platform/mv_platform.h"
#include "platform/win_window.h"

namespace mvgdi {

namespace {

std::atomic<bool> g_bDirty{true};
std::atomic<double> g_scale{1.0};
cairo_surface_t* g_framebuffer = nullptr;  // guarded by the drawing lock

// Screen rectangles that cairo drew on since pixels were last handed out: cairo leaves alpha bits
// in the unused byte of RGB24 pixels there. They are cleaned when someone reads the pixels rather
// than after every drawing call: layers drawn over each other are cleaned once, and the display,
// whose texture ignores that byte, never needs them clean. Guarded by the drawing lock.
constexpr size_t kMostUncleanRects = 16;
std::vector<RECT>& UncleanRects() {
    static auto* rects = new std::vector<RECT>();
    return *rects;
}

void ClearTopBytes(uint32_t* data, int stride, const RECT& r) {
    typedef uint32_t Quad __attribute__((vector_size(16)));
    const Quad mask = {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};
    for (int y = r.top; y < r.bottom; ++y) {
        uint32_t* row = data + static_cast<size_t>(y) * stride;
        int x = r.left;
        for (; x + 4 <= r.right; x += 4) {  // four at a time
            Quad q;
            std::memcpy(&q, row + x, sizeof q);
            q &= mask;
            std::memcpy(row + x, &q, sizeof q);
        }
        for (; x < r.right; ++x) row[x] &= 0x00FFFFFFu;
    }
}

// Makes every pixel 0x00RRGGBB again. Caller holds the drawing lock.
void CleanFramebufferLocked() {
    auto& rects = UncleanRects();
    if (rects.empty()) return;
    cairo_surface_t* s = FramebufferSurface();
    cairo_surface_flush(s);
    uint32_t* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
    const int stride = cairo_image_surface_get_stride(s) / 4;
    const double scale = SurfaceScale(s);
    const RECT device{0, 0, cairo_image_surface_get_width(s), cairo_image_surface_get_height(s)};
    for (const RECT& r : rects) {
        if (scale == 1.0) {
            ClearTopBytes(data, stride, r);
            continue;
        }
        // A pixel wider: lines of round(S) device pixels may reach past the rounded edge.
        RECT d{ToDevice(scale, r.left) - 1, ToDevice(scale, r.top) - 1, ToDevice(scale, r.right) + 1,
               ToDevice(scale, r.bottom) + 1};
        if (Intersect(d, device, &d)) ClearTopBytes(data, stride, d);
    }
    rects.clear();
    cairo_surface_mark_dirty(s);
}

struct PngReader {
    const unsigned char* data;
    size_t size;
    size_t offset;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<PngReader*>(closure);
    if (length > r->size - r->offset) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->offset, length);
    r->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

double DeviceScale() {
    return g_scale.load();
}

cairo_surface_t* FramebufferSurface() {
    // Made on first use and again when the scale changes; cairo clears new image surfaces, so the
    // screen starts black.
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    if (!g_framebuffer) g_framebuffer = CreateScaledSurface(MV_SCREEN_WIDTH, MV_SCREEN_HEIGHT);
    return g_framebuffer;
}

void FramebufferTouched(const RECT& screenRect) {
    g_bDirty = true;
    RECT r;
    if (!Intersect(screenRect, RECT{0, 0, MV_SCREEN_WIDTH, MV_SCREEN_HEIGHT}, &r)) return;
    auto& rects = UncleanRects();
    for (RECT& known : rects) {
        if (Contains(known, r)) return;  // already known
        if (Contains(r, known)) {
            known = r;  // the new one holds it
            return;
        }
    }
    if (rects.size() < kMostUncleanRects) {
        rects.push_back(r);
        return;
    }
    // Too many apart: one rectangle around them all.
    for (const RECT& known : rects) r = Bound(r, known);
    rects.assign(1, r);
}

cairo_surface_t* DecodePng(const unsigned char* data, size_t size) {
    if (!data || size == 0) return nullptr;
    PngReader reader{data, size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}

}  // namespace mvgdi

using namespace mvgdi;

uint32_t* MvFramebufferData() {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    CleanFramebufferLocked();
    cairo_surface_t* s = FramebufferSurface();
    cairo_surface_flush(s);
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(s));
}

const uint32_t* MvFramebufferDisplayData() {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    cairo_surface_t* s = FramebufferSurface();
    cairo_surface_flush(s);
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s));
}

void MvFramebufferDeviceSize(int* width, int* height) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    cairo_surface_t* s = FramebufferSurface();
    *width = cairo_image_surface_get_width(s);
    *height = cairo_image_surface_get_height(s);
}

double MvDeviceScale() {
    return DeviceScale();
}

void MvSetDeviceScale(double scale) {
    if (!(scale >= 1.0) || scale > 8.0) scale = 1.0;
    {
        std::lock_guard<std::recursive_mutex> lock(Mutex());
        if (scale == g_scale.load()) return;
        g_scale = scale;
        // Canvases and snapshots of megabytes come and go with repaints at such scales. glibc
        // would raise its mmap threshold after the first of them is freed and keep the next ones
        // in the heap; a fixed threshold hands each back to the system when it is freed.
        if (scale > 1.0) mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        if (g_framebuffer) cairo_surface_destroy(g_framebuffer);
        g_framebuffer = nullptr;
        UncleanRects().clear();
        ForgetDecodedImages();
        MvForgetResourceBitmaps();
    }
    g_bDirty = true;
    InvalidateRect(nullptr, nullptr, FALSE);  // every window paints at the new scale
}

uint32_t MvGetScreenDevicePixel(int x, int y) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    CleanFramebufferLocked();
    cairo_surface_t* s = FramebufferSurface();
    if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(s) || y >= cairo_image_surface_get_height(s))
        return 0;
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    return reinterpret_cast<const uint32_t*>(data +
                                             static_cast<size_t>(y) * cairo_image_surface_get_stride(s))[x] &
           0x00FFFFFFu;
}

void MvFramebufferCopyDevice(std::vector<uint32_t>* out, int* width, int* height) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    CleanFramebufferLocked();
    cairo_surface_t* s = FramebufferSurface();
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    out->resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(out->data() + static_cast<size_t>(y) * w, data + static_cast<size_t>(y) * stride,
                    sizeof(uint32_t) * w);
    *width = w;
    *height = h;
}

void MvFramebufferCopy(uint32_t* out) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    CleanFramebufferLocked();
    cairo_surface_t* s = FramebufferSurface();
    cairo_surface_flush(s);
    const double scale = SurfaceScale(s);
    if (scale == 1.0) {
        std::memcpy(out, cairo_image_surface_get_data(s),
                    sizeof(uint32_t) * MV_SCREEN_WIDTH * MV_SCREEN_HEIGHT);
        return;
    }
    // One sample per program pixel: the device pixel at its top-left corner.
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < MV_SCREEN_HEIGHT; ++y) {
        const uint32_t* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(ToDevice(scale, y)) * stride);
        for (int x = 0; x < MV_SCREEN_WIDTH; ++x) out[y * MV_SCREEN_WIDTH + x] = row[ToDevice(scale, x)];
    }
}

void MvFramebufferMarkDirty() {
    g_bDirty = true;
}

bool MvFramebufferTakeDirty() {
    return g_bDirty.exchange(false);
}

bool MvFramebufferWritePng(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    CleanFramebufferLocked();
    return cairo_surface_write_to_png(FramebufferSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

HBITMAP MvCreateBitmapFromPng(const unsigned char* data, size_t size) {
    cairo_surface_t* decoded = DecodePng(data, size);
    if (!decoded) return nullptr;
    auto bmp = std::make_unique<Bitmap>();
    // Bitmaps are opaque (any alpha is laid over black) and at the device scale.
    bmp->surface = OpaqueAtDeviceScale(decoded, 1.0);
    cairo_surface_destroy(decoded);
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HBITMAP>(Insert(std::move(bmp)));
}

namespace {

struct CachedResourceBitmap {
    const unsigned char* data = nullptr;
    size_t size = 0;
    cairo_surface_t* surface = nullptr;  // opaque RGB24 at the device scale, one reference held by the cache
};

std::unordered_map<const void*, CachedResourceBitmap>& ResourceBitmaps() {
    static auto* cache = new std::unordered_map<const void*, CachedResourceBitmap>();
    return *cache;
}

// The PNG of a resource image drawn at the smallest factor >= the device scale (the largest there
// is when none is that large).
const unsigned char* PickVariant(const MV_RES_IMAGE* image, size_t* size, double* factor) {
    const double scale = DeviceScale();
    struct Variant {
        const unsigned char* png;
        size_t size;
        double factor;
    } variants[] = {{image->png, image->size, 1.0},
                    {image->png2x, image->size2x, 2.0},
                    {image->png3x, image->size3x, 3.0}};
    const Variant* best = &variants[0];
    for (const Variant& v : variants) {
        if (!v.png || v.size == 0) continue;
        best = &v;
        if (v.factor >= scale) break;
    }
    *size = best->size;
    *factor = best->factor;
    return best->png;
}

}  // namespace

HBITMAP MvCreateResourceBitmap(const MV_RES_IMAGE* image) {
    if (!image || !image->png) return nullptr;
    size_t size = 0;
    double factor = 1.0;
    const unsigned char* data = PickVariant(image, &size, &factor);
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    auto& cache = ResourceBitmaps();
    auto it = cache.find(image);
    if (it != cache.end() && (it->second.data != data || it->second.size != size)) {
        cairo_surface_destroy(it->second.surface);
        cache.erase(it);
        it = cache.end();
    }
    if (it == cache.end()) {
        cairo_surface_t* decoded = DecodePng(data, size);
        if (!decoded) return nullptr;
        CachedResourceBitmap entry;
        entry.data = data;
        entry.size = size;
        entry.surface = OpaqueAtDeviceScale(decoded, factor);  // any alpha is laid over black
        cairo_surface_destroy(decoded);
        it = cache.emplace(image, entry).first;
    }
    auto bmp = std::make_unique<Bitmap>();
    bmp->surface = cairo_surface_reference(it->second.surface);
    bmp->shared = true;
    return reinterpret_cast<HBITMAP>(Insert(std::move(bmp)));
}

void MvForgetResourceBitmaps() {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    auto& cache = ResourceBitmaps();
    for (auto& entry : cache) cairo_surface_destroy(entry.second.surface);
    cache.clear();
}

HICON MvCreateResourceIcon(const MV_RES_IMAGE* image) {
    if (!image) return nullptr;
    HICON icon = MvCreateIconFromPng(image->png, image->size);
    size_t size = 0;
    double factor = 1.0;
    const unsigned char* data = PickVariant(image, &size, &factor);
    if (!icon || factor == 1.0) return icon;
    cairo_surface_t* decoded = DecodePng(data, size);
    if (!decoded) return icon;
    cairo_surface_set_device_scale(decoded, factor, factor);
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    if (Icon* ic = FindAs<Icon>(icon, Kind::Icon))
        ic->drawn = decoded;
    else
        cairo_surface_destroy(decoded);
    return icon;
}

HICON MvCreateIconFromPng(const unsigned char* data, size_t size) {
    cairo_surface_t* decoded = DecodePng(data, size);
    if (!decoded) return nullptr;
    auto icon = std::make_unique<Icon>();
    icon->surface = decoded;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    return reinterpret_cast<HICON>(Insert(std::move(icon)));
}

bool MvIconPixels(HICON icon, int* width, int* height, std::vector<uint32_t>* pixels) {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    Icon* ic = FindAs<Icon>(icon, Kind::Icon);
    if (!ic) return false;
    const cairo_format_t format = cairo_image_surface_get_format(ic->surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) return false;
    cairo_surface_flush(ic->surface);
    const int w = cairo_image_surface_get_width(ic->surface);
    const int h = cairo_image_surface_get_height(ic->surface);
    const int stride = cairo_image_surface_get_stride(ic->surface);
    const unsigned char* data = cairo_image_surface_get_data(ic->surface);
    if (!data || w <= 0 || h <= 0) return false;
    pixels->resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            // cairo premultiplies the colour by alpha; undo it.
            uint32_t p = row[x];
            uint32_t a = format == CAIRO_FORMAT_RGB24 ? 0xFFu : p >> 24;
            auto channel = [a](uint32_t c) { return a == 0 ? 0u : std::min(255u, (c * 255 + a / 2) / a); };
            (*pixels)[static_cast<size_t>(y) * w + x] = (a << 24) | (channel((p >> 16) & 0xFF) << 16) |
                                                        (channel((p >> 8) & 0xFF) << 8) | channel(p & 0xFF);
        }
    }
    *width = w;
    *height = h;
    return true;
}

void MvDrawIcon(HDC hdc, HICON icon, int x, int y, int width, int height) {
    if (width <= 0 || height <= 0) return;
    DrawScope scope(hdc);
    if (!scope.ok()) return;
    Icon* ic = FindAs<Icon>(icon, Kind::Icon);
    if (!ic) return;
    // The larger variant when the screen has more pixels; sizes are in program pixels.
    cairo_surface_t* source = ic->drawn ? ic->drawn : ic->surface;
    int iw = 0, ih = 0;
    SurfaceLogicalSize(source, &iw, &ih);
    const Target& target = scope.dst();
    cairo_t* cr = CreateContext(target);
    AddDeviceAlignedRect(cr, target, x, y, width, height);
    cairo_clip(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, static_cast<double>(width) / iw, static_cast<double>(height) / ih);
    cairo_set_source_surface(cr, source, 0, 0);
    if (iw != width || ih != height || SurfaceScale(source) != target.scale)
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    const Target& t = scope.dst();
    scope.Touched(RECT{t.ox + x, t.oy + y, t.ox + x + width, t.oy + y + height});
}
