#include "tools/artwork/art_history.h"

#include <cmath>

#include "tools/artwork/art_canvas.h"

using namespace ArtPalette;

void DrawTab(cairo_t* cr, TabPosition position, TabLook look) {
    const double x = 0.5;
    const double y = 0.5;
    const double w = TAB_WIDTH - 1;
    const double h = TAB_HEIGHT - 1;
    const double r = 14;
    const double left = position == TabPosition::Left ? r : 0;
    const double right = position == TabPosition::Right ? r : 0;
    ArtRoundedRectCorners(cr, x, y, w, h, left, right, right, left);
    switch (look) {
        case TabLook::Normal:
            ArtFillVertical(cr, y, y + h, ArtRgb(0xE3E8ED), ArtRgb(0xA9B3BD), true);
            ArtStroke(cr, ArtRgb(0x5E6A77), 1);
            break;
        case TabLook::Focused:
            ArtFillVertical(cr, y, y + h, ArtRgb(0x1CB8EC), ArtRgb(0x007DA8), true);
            ArtStroke(cr, ArtRgb(kAccentLight), 1);
            break;
        case TabLook::Pressed:
            ArtFillVertical(cr, y, y + h, ArtRgb(0x00658A), ArtRgb(0x00435B), true);
            ArtStroke(cr, ArtRgb(0x2C9CC4), 1);
            break;
    }
    cairo_save(cr);
    ArtRoundedRectCorners(cr, x + 1, y + 1, w - 2, h - 2, left, right, right, left);
    cairo_clip(cr);
    if (look == TabLook::Pressed) {
        cairo_rectangle(cr, 0, 0, TAB_WIDTH, 12);
        ArtFillVertical(cr, 0, 12, ArtRgb(0x000000, 0.4), ArtRgb(0x000000, 0));
    } else {
        cairo_rectangle(cr, 0, 0, TAB_WIDTH, TAB_HEIGHT / 2.0);
        ArtFillVertical(cr, 0, TAB_HEIGHT / 2.0, ArtRgb(0xFFFFFF, 0.28), ArtRgb(0xFFFFFF, 0.04));
    }
    cairo_restore(cr);
}

void DrawSpinArrow(cairo_t* cr, bool right, bool pressed) {
    // Centred on the touch area, which lies 1..39 across and 11..49 down the image.
    const double cx = SPIN_WIDTH / 2.0;
    const double cy = 27;
    const double radius = 18;
    if (!pressed) {
        cairo_arc(cr, cx, cy + 2, radius, 0, 2 * M_PI);
        ArtSetColor(cr, ArtRgb(0x000000, 0.5));
        cairo_fill(cr);
    }
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    if (pressed) {
        ArtFillVertical(cr, cy - radius, cy + radius, ArtRgb(0x1CB8EC), ArtRgb(0x006E94), true);
        ArtStroke(cr, ArtRgb(kAccentLight), 1.5);
    } else {
        ArtFillVertical(cr, cy - radius, cy + radius, ArtRgb(0x2A3440), ArtRgb(0x151B22), true);
        ArtStroke(cr, ArtRgb(0x4A5866), 1.5);
    }
    const double d = right ? 1 : -1;
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, cx - 4 * d, cy - 8);
    cairo_line_to(cr, cx + 4 * d, cy);
    cairo_line_to(cr, cx - 4 * d, cy + 8);
    ArtStroke(cr, pressed ? ArtRgb(0xFFFFFF) : ArtRgb(kAccent), 3.5);
    cairo_restore(cr);
}

namespace {

// The bubble is one pill 50 high; each piece draws the part of it that falls in its own width.
// start is where the pill begins relative to the piece, width its full width.
void BubblePart(cairo_t* cr, double start, double width, double pieceWidth) {
    const double top = 3.5;
    const double height = BUBBLE_HEIGHT - 8;
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, pieceWidth, BUBBLE_HEIGHT);
    cairo_clip(cr);
    ArtRoundedRect(cr, start, top + 3, width, height, 10);
    ArtSetColor(cr, ArtRgb(0x000000, 0.45));
    cairo_fill(cr);
    ArtRoundedRect(cr, start, top, width, height, 10);
    ArtFillVertical(cr, top, top + height, ArtRgb(0x22BCEE), ArtRgb(0x0079A3), true);
    ArtStroke(cr, ArtRgb(kAccentLight), 1);
    ArtRoundedRect(cr, start + 1.5, top + 1.5, width - 3, height / 2 - 1, 8.5);
    ArtFillVertical(cr, top, top + height / 2, ArtRgb(0xFFFFFF, 0.22), ArtRgb(0xFFFFFF, 0.03));
    cairo_restore(cr);
}

}  // namespace

void DrawBubbleLeft(cairo_t* cr) {
    BubblePart(cr, 0.5, 400, BUBBLE_LEFT_WIDTH);
}

void DrawBubbleMiddle(cairo_t* cr) {
    BubblePart(cr, -200, 600, BUBBLE_MIDDLE_WIDTH);
}

void DrawBubbleRight(cairo_t* cr) {
    BubblePart(cr, BUBBLE_RIGHT_WIDTH - 0.5 - 400, 400, BUBBLE_RIGHT_WIDTH);
}

void DrawGraphBox(cairo_t* cr) {
    ArtRoundedRect(cr, 1, 1, GRAPH_BOX_WIDTH - 2, GRAPH_BOX_HEIGHT - 2, 10);
    ArtFillVertical(cr, 0, GRAPH_BOX_HEIGHT, ArtRgb(kSurface), ArtRgb(kSurfaceLow), true);
    ArtStroke(cr, ArtRgb(kEdge), 1.5);
}

void DrawSolidRect(cairo_t* cr, int width, int height, unsigned rgb) {
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_rectangle(cr, 0, 0, width, height);
    ArtSetColor(cr, ArtRgb(rgb));
    cairo_fill(cr);
    cairo_restore(cr);
}

void DrawChartMarker(cairo_t* cr) {
    DrawSolidRect(cr, 5, 5, 0xFFFFFF);
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    ArtSetColor(cr, ArtRgb(0x00FF00));
    const int corners[4][2] = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
    for (const auto& corner : corners) {
        cairo_rectangle(cr, corner[0], corner[1], 1, 1);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}
