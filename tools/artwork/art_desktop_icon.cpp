#include "tools/artwork/art_desktop_icon.h"

#include <cairo-svg.h>

#include <filesystem>

#include "tools/artwork/art_canvas.h"
#include "tools/artwork/art_catalog.h"
#include "tools/artwork/art_main_view.h"

namespace {

// The SVG is drawn at this size in pixels; launchers scale it.
constexpr int kSvgSize = 256;

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

bool RenderSvg(std::string* svg) {
    cairo_surface_t* surface = cairo_svg_surface_create_for_stream(AppendBytes, svg, kSvgSize, kSvgSize);
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
    cairo_t* cr = cairo_create(surface);
    DrawAppIcon(cr, kSvgSize, false);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok && !svg->empty();
}

bool Write(const std::string& folder, const std::string& file, const std::string& bytes, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        *error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    return ArtWriteFileIfChanged(folder + "/" + file, bytes, error);
}

}  // namespace

const std::vector<int>& ArtDesktopIconSizes() {
    static const std::vector<int> sizes{48, 128, 256};
    return sizes;
}

bool ArtWriteDesktopIcons(const std::string& dir, const std::string& appId, std::string* error) {
    std::string svg;
    if (!RenderSvg(&svg)) {
        *error = "cannot draw the scalable icon";
        return false;
    }
    if (!Write(dir + "/hicolor/scalable/apps", appId + ".svg", svg, error)) return false;
    for (int size : ArtDesktopIconSizes()) {
        CArtCanvas canvas(size, size, false);
        DrawAppIcon(canvas.Cr(), size, false);
        std::vector<unsigned char> png;
        if (!canvas.EncodePng(&png)) {
            *error = "cannot draw the " + std::to_string(size) + " px icon";
            return false;
        }
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        if (!Write(dir + "/hicolor/" + name + "/apps", appId + ".png", std::string(png.begin(), png.end()),
                   error))
            return false;
    }
    return true;
}
