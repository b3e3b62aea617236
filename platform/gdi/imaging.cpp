// COM start-up and the imaging library subset: PNG files decoded by cairo and drawn with their
// alpha. Decoded images are kept by path and file identity (modification time, size, inode), so the
// program can ask for a decode on every draw at the cost of a stat(). On a screen of more device
// pixels than program pixels, "name@2x.png" or "name@3x.png" beside "name.png" (the same image
// drawn at that factor) is taken when there is one: the smallest factor not below the screen's.
#include <sys/stat.h>

#include <atomic>
#include <string>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"
#include "platform/win_imaging.h"
#include "platform/windows.h"

const CLSID CLSID_ImagingFactory = {
    0x327ABDA8, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
const IID IID_IImagingFactory = {
    0x327ABDA7, 0x072B, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

namespace mvgdi {

std::string ToUtf8(const wchar_t* text, size_t count) {
    // The one conversion of the platform, as the program reaches it too.
    if (count == 0) return std::string();
    const int wideCount = static_cast<int>(count);
    int size = WideCharToMultiByte(CP_UTF8, 0, text, wideCount, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wideCount, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace mvgdi

using namespace mvgdi;

namespace {

constexpr size_t kImageCacheLimit = 256;
constexpr int kPixelFormat32bppARGB = 0x0026200A;
constexpr UINT kImageFlagsHasAlpha = 0x0002;
// The PNG raw data format of the imaging library.
const GUID kImageFormatPNG = {0xB96B3CAF, 0x0728, 0x11D3, {0x9D, 0x7B, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

thread_local int t_comInitCount = 0;

// Decoded pixels kept at most, in bytes: every image of the program fits at scale 1 (about 3 MB);
// at 2 (four times the pixels) the least recently drawn go first, so a view's images stay.
constexpr size_t kImageCacheBytes = 6u << 20;

struct CachedImage {
    int64_t mtimeSec = 0;
    int64_t mtimeNsec = 0;
    int64_t size = 0;
    uint64_t inode = 0;
    cairo_surface_t* surface = nullptr;  // one reference held by the cache
    size_t bytes = 0;
    uint64_t lastUse = 0;
};

struct ImageCacheState {
    std::unordered_map<std::string, CachedImage> images;
    size_t bytes = 0;
    uint64_t uses = 0;
};

ImageCacheState& ImageCache() {
    static auto* cache = new ImageCacheState();
    return *cache;
}

void ForgetImage(ImageCacheState& cache, std::unordered_map<std::string, CachedImage>::iterator it) {
    cairo_surface_destroy(it->second.surface);
    cache.bytes -= it->second.bytes;
    cache.images.erase(it);
}

// Makes room for `bytes` more: the least recently used images go until they fit the budget.
void MakeRoom(ImageCacheState& cache, size_t bytes) {
    while (!cache.images.empty() && cache.bytes + bytes > kImageCacheBytes) {
        auto oldest = cache.images.begin();
        for (auto it = cache.images.begin(); it != cache.images.end(); ++it)
            if (it->second.lastUse < oldest->second.lastUse) oldest = it;
        ForgetImage(cache, oldest);
    }
}

}  // namespace

void mvgdi::ForgetDecodedImages() {
    auto& cache = ImageCache();
    for (auto& entry : cache.images) cairo_surface_destroy(entry.second.surface);
    cache.images.clear();
    cache.bytes = 0;
}

namespace {

// The decoded file at path (a new reference at the device scale), or null when it is missing or
// unreadable. factor: the device pixels per program pixel the file was drawn at.
cairo_surface_t* LoadFile(const std::string& path, double factor) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    auto& cache = ImageCache();
    auto it = cache.images.find(path);
    if (it != cache.images.end()) {
        CachedImage& c = it->second;
        if (c.mtimeSec == st.st_mtim.tv_sec && c.mtimeNsec == st.st_mtim.tv_nsec && c.size == st.st_size &&
            c.inode == st.st_ino) {
            c.lastUse = ++cache.uses;
            return cairo_surface_reference(c.surface);
        }
        ForgetImage(cache, it);
    }
    cairo_surface_t* decoded = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(decoded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(decoded);
        return nullptr;
    }
    cairo_surface_t* s = ImageAtDeviceScale(decoded, factor);
    cairo_surface_destroy(decoded);
    if (cache.images.size() >= kImageCacheLimit) ForgetDecodedImages();
    CachedImage c;
    c.mtimeSec = st.st_mtim.tv_sec;
    c.mtimeNsec = st.st_mtim.tv_nsec;
    c.size = st.st_size;
    c.inode = st.st_ino;
    c.surface = cairo_surface_reference(s);
    c.bytes = static_cast<size_t>(cairo_image_surface_get_stride(s)) * cairo_image_surface_get_height(s);
    c.lastUse = ++cache.uses;
    MakeRoom(cache, c.bytes);
    cache.bytes += c.bytes;
    cache.images.emplace(path, c);
    return s;
}

// "dir/name.png" as "dir/name@2x.png".
std::string VariantPath(const std::string& path, int factor) {
    const size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
    return path.substr(0, dot) + "@" + std::to_string(factor) + "x" + path.substr(dot);
}

// The image at path as the screen wants it: a variant drawn at 2x or 3x where the device scale
// is above 1 and the file exists, else the file itself.
cairo_surface_t* LoadPng(const std::string& path) {
    const double scale = DeviceScale();
    if (scale > 1.0) {
        // The smallest factor not below the scale first, then the larger ones, then the smaller.
        int order[2] = {2, 3};
        if (scale > 2.0) std::swap(order[0], order[1]);
        for (int factor : order)
            if (cairo_surface_t* s = LoadFile(VariantPath(path, factor), factor)) return s;
    }
    return LoadFile(path, 1.0);
}

class CImage final : public IImage {
public:
    explicit CImage(cairo_surface_t* surface) : m_pSurface(surface) {}

    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override {
        ULONG n = --m_nRef;
        if (n == 0) delete this;
        return n;
    }

    HRESULT GetImageInfo(ImageInfo* info) override {
        if (!info) return E_POINTER;
        *info = ImageInfo{};
        info->RawDataFormat = kImageFormatPNG;
        info->PixelFormat = kPixelFormat32bppARGB;
        int w = 0, h = 0;
        SurfaceLogicalSize(m_pSurface, &w, &h);  // program pixels, whichever file was read
        info->Width = static_cast<UINT>(w);
        info->Height = static_cast<UINT>(h);
        info->Xdpi = info->Ydpi = 96.0;
        if (cairo_image_surface_get_format(m_pSurface) == CAIRO_FORMAT_ARGB32)
            info->Flags = kImageFlagsHasAlpha;
        return S_OK;
    }

    HRESULT Draw(HDC hdc, const RECT* dst, const RECT* src) override {
        if (!dst) return E_POINTER;
        int iw = 0, ih = 0;
        SurfaceLogicalSize(m_pSurface, &iw, &ih);
        const RECT whole{0, 0, iw, ih};
        const RECT s = src ? *src : whole;
        const int dw = dst->right - dst->left, dh = dst->bottom - dst->top;
        const int sw = s.right - s.left, sh = s.bottom - s.top;
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return E_FAIL;
        DrawScope scope(hdc);
        if (!scope.ok()) return E_FAIL;
        Target& t = scope.dst();
        cairo_t* cr = CreateContext(t);
        AddDeviceAlignedRect(cr, t, dst->left, dst->top, dw, dh);
        cairo_clip(cr);
        // The image's corner on a whole device pixel, as the edges of fills and copies are.
        const double left = t.Dev(t.ox + dst->left) / t.scale - t.ox;
        const double top = t.Dev(t.oy + dst->top) / t.scale - t.oy;
        cairo_translate(cr, left, top);
        const bool scaled = dw != sw || dh != sh;
        if (scaled) cairo_scale(cr, static_cast<double>(dw) / sw, static_cast<double>(dh) / sh);
        cairo_set_source_surface(cr, m_pSurface, -s.left, -s.top);
        const bool resampled = scaled || SurfaceScale(m_pSurface) != t.scale;
        cairo_pattern_set_filter(cairo_get_source(cr), resampled ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_destroy(cr);
        scope.Touched(RECT{t.ox + dst->left, t.oy + dst->top, t.ox + dst->right, t.oy + dst->bottom});
        return S_OK;
    }

private:
    ~CImage() override { cairo_surface_destroy(m_pSurface); }

    std::atomic<ULONG> m_nRef{1};
    cairo_surface_t* m_pSurface;
};

class CImagingFactory final : public IImagingFactory {
public:
    ULONG AddRef() override { return ++m_nRef; }
    ULONG Release() override {
        ULONG n = --m_nRef;
        if (n == 0) delete this;
        return n;
    }

    HRESULT CreateImageFromFile(LPCWSTR fileName, IImage** image) override {
        if (!image) return E_POINTER;
        *image = nullptr;
        if (!fileName) return E_POINTER;
        std::string path = ToUtf8(fileName, std::wcslen(fileName));
        for (char& c : path)
            if (c == '\\') c = '/';  // Windows-style separators name the same folders here
        cairo_surface_t* s = LoadPng(path);
        if (!s) return E_FAIL;
        *image = new CImage(s);
        return S_OK;
    }

private:
    ~CImagingFactory() override = default;

    std::atomic<ULONG> m_nRef{1};
};

}  // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) {
    return t_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (t_comInitCount > 0) --t_comInitCount;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPVOID outer, DWORD context, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!(clsid == CLSID_ImagingFactory)) return REGDB_E_CLASSNOTREG;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!(iid == IID_IImagingFactory)) return E_NOINTERFACE;
    *out = static_cast<IImagingFactory*>(new CImagingFactory());
    return S_OK;
}
