#include "tools/artwork/art_canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

ArtColor ArtRgb(unsigned rgb, double alpha) {
    ArtColor c;
    c.r = ((rgb >> 16) & 0xFF) / 255.0;
    c.g = ((rgb >> 8) & 0xFF) / 255.0;
    c.b = (rgb & 0xFF) / 255.0;
    c.a = alpha;
    return c;
}

ArtColor ArtMix(const ArtColor& from, const ArtColor& to, double t) {
    ArtColor c;
    c.r = from.r + (to.r - from.r) * t;
    c.g = from.g + (to.g - from.g) * t;
    c.b = from.b + (to.b - from.b) * t;
    c.a = from.a + (to.a - from.a) * t;
    return c;
}

CArtCanvas::CArtCanvas(int width, int height, bool opaque, int scale)
    : m_nWidth(width), m_nHeight(height), m_bOpaque(opaque) {
    m_pSurface = cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width * scale,
                                            height * scale);
    m_pCr = cairo_create(m_pSurface);
    if (scale != 1) cairo_scale(m_pCr, scale, scale);
    // A fresh surface is all zero: black for RGB24, transparent for ARGB32.
    cairo_set_antialias(m_pCr, CAIRO_ANTIALIAS_GRAY);
}

CArtCanvas::~CArtCanvas() {
    cairo_destroy(m_pCr);
    cairo_surface_destroy(m_pSurface);
}

static cairo_status_t AppendPngBytes(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<unsigned char>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

bool CArtCanvas::EncodePng(std::vector<unsigned char>* png) const {
    png->clear();
    if (cairo_status(m_pCr) != CAIRO_STATUS_SUCCESS) return false;
    cairo_surface_flush(m_pSurface);
    return cairo_surface_write_to_png_stream(m_pSurface, AppendPngBytes, png) == CAIRO_STATUS_SUCCESS &&
           !png->empty();
}

void ArtSetColor(cairo_t* cr, const ArtColor& color) {
    cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
}

void ArtRoundedRectCorners(cairo_t* cr, double x, double y, double w, double h, double topLeft,
                           double topRight, double bottomRight, double bottomLeft) {
    const double limit = std::min(w, h) / 2.0;
    topLeft = std::min(topLeft, limit);
    topRight = std::min(topRight, limit);
    bottomRight = std::min(bottomRight, limit);
    bottomLeft = std::min(bottomLeft, limit);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - topRight, y + topRight, topRight, -M_PI / 2, 0);
    cairo_arc(cr, x + w - bottomRight, y + h - bottomRight, bottomRight, 0, M_PI / 2);
    cairo_arc(cr, x + bottomLeft, y + h - bottomLeft, bottomLeft, M_PI / 2, M_PI);
    cairo_arc(cr, x + topLeft, y + topLeft, topLeft, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void ArtRoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    ArtRoundedRectCorners(cr, x, y, w, h, r, r, r, r);
}

void ArtFillVertical(cairo_t* cr, double y0, double y1, const ArtColor& top, const ArtColor& bottom,
                     bool preserve) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(gradient, 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(gradient, 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, gradient);
    if (preserve) {
        cairo_fill_preserve(cr);
    } else {
        cairo_fill(cr);
    }
    cairo_pattern_destroy(gradient);
}

void ArtStroke(cairo_t* cr, const ArtColor& color, double width, bool preserve) {
    ArtSetColor(cr, color);
    cairo_set_line_width(cr, width);
    if (preserve) {
        cairo_stroke_preserve(cr);
    } else {
        cairo_stroke(cr);
    }
}

// A layout with fixed font options, so that the output never depends on desktop settings.
static PangoLayout* MakeLayout(cairo_t* cr, const std::string& utf8, const ArtFont& font) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_layout_context_changed(layout);

    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.family);
    pango_font_description_set_weight(desc, static_cast<PangoWeight>(font.weight));
    pango_font_description_set_absolute_size(desc, font.pixelSize * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, utf8.c_str(), -1);
    return layout;
}

static void InkRect(PangoLayout* layout, PangoRectangle* ink) {
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, ink, &logical);
}

void ArtTextInk(const std::string& utf8, const ArtFont& font, double* width, double* height) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = MakeLayout(cr, utf8, font);
    PangoRectangle ink;
    InkRect(layout, &ink);
    *width = ink.width;
    *height = ink.height;
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void ArtDrawText(cairo_t* cr, const std::string& utf8, const ArtFont& font, const ArtColor& color, double x,
                 double y, double w, double h, ArtAlign align) {
    PangoLayout* layout = MakeLayout(cr, utf8, font);
    PangoRectangle ink;
    InkRect(layout, &ink);
    double left = x;
    if (align == ArtAlign::Center) left = x + (w - ink.width) / 2.0;
    if (align == ArtAlign::Right) left = x + w - ink.width;
    const double top = y + (h - ink.height) / 2.0;
    cairo_save(cr);
    ArtSetColor(cr, color);
    cairo_move_to(cr, std::round(left - ink.x), std::round(top - ink.y));
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

void ArtTextPathCentred(cairo_t* cr, const std::string& utf8, const ArtFont& font, double x, double y,
                        double w, double h) {
    PangoLayout* layout = MakeLayout(cr, utf8, font);
    PangoRectangle ink;
    InkRect(layout, &ink);
    cairo_move_to(cr, x + (w - ink.width) / 2.0 - ink.x, y + (h - ink.height) / 2.0 - ink.y);
    pango_cairo_layout_path(cr, layout);
    g_object_unref(layout);
}

void ArtDrawTextBlock(cairo_t* cr, const std::string& utf8, const ArtFont& font, const ArtColor& color,
                      double x, double y, double w, ArtAlign align) {
    PangoLayout* layout = MakeLayout(cr, utf8, font);
    pango_layout_set_width(layout, static_cast<int>(w * PANGO_SCALE));
    pango_layout_set_alignment(layout, align == ArtAlign::Center  ? PANGO_ALIGN_CENTER
                                       : align == ArtAlign::Right ? PANGO_ALIGN_RIGHT
                                                                  : PANGO_ALIGN_LEFT);
    cairo_save(cr);
    ArtSetColor(cr, color);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}
