#include "tools/artwork/art_main_view.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/artwork/art_canvas.h"
#include "tools/artwork/art_runner.h"

using namespace ArtPalette;

void DrawUpperBackground(cairo_t* cr) {
    const double w = 480;
    const double h = 352;
    // Deep blue-black, fading to pure black at the bottom edge where the black band begins.
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_pattern_t* base = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(base, 0.0, 0x10 / 255.0, 0x1D / 255.0, 0x2A / 255.0);
    cairo_pattern_add_color_stop_rgb(base, 0.62, 0x09 / 255.0, 0x11 / 255.0, 0x19 / 255.0);
    cairo_pattern_add_color_stop_rgb(base, 1.0, 0, 0, 0);
    cairo_set_source(cr, base);
    cairo_fill(cr);
    cairo_pattern_destroy(base);

    // A soft light behind the runner.
    cairo_pattern_t* glow = cairo_pattern_create_radial(240, 150, 0, 240, 150, 190);
    const ArtColor accent = ArtRgb(kAccent);
    cairo_pattern_add_color_stop_rgba(glow, 0, accent.r, accent.g, accent.b, 0.20);
    cairo_pattern_add_color_stop_rgba(glow, 1, accent.r, accent.g, accent.b, 0);
    cairo_set_source(cr, glow);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    // Lanes of a running track seen from the stands, faint enough to sit behind the digits.
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_clip(cr);
    for (int lane = 0; lane < 5; ++lane) {
        cairo_save(cr);
        cairo_translate(cr, 240, 470);
        cairo_scale(cr, 1.0, 0.42);
        cairo_arc(cr, 0, 0, 300 + lane * 34, M_PI, 2 * M_PI);
        cairo_restore(cr);
        ArtStroke(cr, ArtRgb(0xFFFFFF, 0.045 - lane * 0.006), 1.5);
    }
    cairo_restore(cr);

    // Fade into the black band below, whatever lies above.
    cairo_rectangle(cr, 0, 290, w, h - 290);
    ArtFillVertical(cr, 290, h, ArtRgb(0x000000, 0), ArtRgb(0x000000, 1));

    // Hairline rule above the black band.
    cairo_pattern_t* rule = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgba(rule, 0.0, accent.r, accent.g, accent.b, 0);
    cairo_pattern_add_color_stop_rgba(rule, 0.5, accent.r, accent.g, accent.b, 0.35);
    cairo_pattern_add_color_stop_rgba(rule, 1.0, accent.r, accent.g, accent.b, 0);
    cairo_set_source(cr, rule);
    cairo_rectangle(cr, 24, 338, w - 48, 1);
    cairo_fill(cr);
    cairo_pattern_destroy(rule);

    // The program's name, quietly in the top-left corner.
    ArtFont font{"NanumSquare", 700, 15};
    ArtDrawText(cr, "MOVIMETRA", font, ArtRgb(kAccent, 0.55), 18, 12, 200, 20, ArtAlign::Left);
}

void DrawButtonStrip(cairo_t* cr) {
    cairo_rectangle(cr, 0, 0, 480, 108);
    ArtFillVertical(cr, 0, 108, ArtRgb(0x18202A), ArtRgb(0x06080B));
    cairo_rectangle(cr, 0, 0, 480, 1);
    ArtSetColor(cr, ArtRgb(0x34414F));
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 1, 480, 1);
    ArtSetColor(cr, ArtRgb(0x000000));
    cairo_fill(cr);
}

void DrawDigit(cairo_t* cr, int digit) {
    const double w = DIGIT_WIDTH;
    const double h = DIGIT_HEIGHT;
    // A faint tile, split across the middle like a flip counter.
    ArtRoundedRect(cr, 0.5, 0.5, w - 1, h - 1, 8);
    ArtFillVertical(cr, 0, h, ArtRgb(0xFFFFFF, 0.11), ArtRgb(0xFFFFFF, 0.035), true);
    ArtStroke(cr, ArtRgb(0xFFFFFF, 0.13), 1);
    cairo_rectangle(cr, 2, h / 2 - 0.5, w - 4, 1);
    ArtSetColor(cr, ArtRgb(0x000000, 0.45));
    cairo_fill(cr);

    // One size for all ten digits, drawn condensed so that they stand tall in their tiles: the
    // widest fits 35 pixels, the tallest 52.
    const double condense = 0.8;
    static const double fontSize = [condense] {
        ArtFont probe{"NanumSquare", 800, 100};
        double widest = 0;
        double tallest = 0;
        for (char c = '0'; c <= '9'; ++c) {
            double inkWidth = 0;
            double inkHeight = 0;
            ArtTextInk(std::string(1, c), probe, &inkWidth, &inkHeight);
            widest = std::max(widest, inkWidth * condense);
            tallest = std::max(tallest, inkHeight);
        }
        return 100 * std::min(35 / widest, 52 / tallest);
    }();
    const std::string text(1, static_cast<char>('0' + digit % 10));
    ArtFont font{"NanumSquare", 800, fontSize};
    auto glyphPath = [&](double dy) {
        cairo_save(cr);
        cairo_scale(cr, condense, 1);
        ArtTextPathCentred(cr, text, font, 0, dy, w / condense, h);
        cairo_restore(cr);
    };
    // Shadow, then the glyph in white fading to light blue.
    glyphPath(2);
    ArtSetColor(cr, ArtRgb(0x000000, 0.55));
    cairo_fill(cr);
    glyphPath(0);
    ArtFillVertical(cr, 9, 61, ArtRgb(0xFFFFFF), ArtRgb(0xB8E9FC));
}

namespace {

unsigned KindColour(ControlKind kind) {
    switch (kind) {
        case ControlKind::Start:
            return kGo;
        case ControlKind::Stop:
            return kHalt;
        case ControlKind::Reset:
            return kAmber;
        case ControlKind::Log:
            return kAccent;
    }
    return kAccent;
}

const char* KindLabel(ControlKind kind, bool korean) {
    switch (kind) {
        case ControlKind::Start:
            return korean ? "시작" : "Start";
        case ControlKind::Stop:
            return korean ? "정지" : "Stop";
        case ControlKind::Reset:
            return korean ? "리셋" : "Reset";
        case ControlKind::Log:
            return korean ? "기록" : "Log";
    }
    return "";
}

// The symbol of each button, centred on (cx, cy), about 30 pixels across.
void DrawGlyph(cairo_t* cr, ControlKind kind, double cx, double cy, const ArtColor& colour) {
    cairo_save(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    ArtSetColor(cr, colour);
    switch (kind) {
        case ControlKind::Start:
            cairo_move_to(cr, cx - 10, cy - 15);
            cairo_line_to(cr, cx + 15, cy);
            cairo_line_to(cr, cx - 10, cy + 15);
            cairo_close_path(cr);
            cairo_set_line_width(cr, 3);
            cairo_fill_preserve(cr);
            cairo_stroke(cr);
            break;
        case ControlKind::Stop:
            ArtRoundedRect(cr, cx - 13, cy - 13, 26, 26, 5);
            cairo_fill(cr);
            break;
        case ControlKind::Reset: {
            // A ring open at the top, its arrow head turning back into the gap.
            const double radius = 12.5;
            const double start = -M_PI / 3;
            cairo_set_line_width(cr, 4.5);
            cairo_arc(cr, cx, cy + 1, radius, start, start + M_PI * 5 / 3 - 0.05);
            cairo_stroke(cr);
            const double px = cx + radius * std::cos(start);
            const double py = cy + 1 + radius * std::sin(start);
            const double dx = std::sin(start);  // tangent, against the arc's direction
            const double dy = -std::cos(start);
            const double nx = std::cos(start);  // radial
            const double ny = std::sin(start);
            cairo_move_to(cr, px + dx * 8, py + dy * 8);
            cairo_line_to(cr, px - dx * 3 + nx * 7.5, py - dy * 3 + ny * 7.5);
            cairo_line_to(cr, px - dx * 3 - nx * 7.5, py - dy * 3 - ny * 7.5);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        }
        case ControlKind::Log: {
            const double base = cy + 14;
            const double heights[] = {12, 24, 17, 29};
            for (int i = 0; i < 4; ++i) {
                ArtRoundedRect(cr, cx - 15 + i * 8, base - heights[i], 6, heights[i], 1.5);
            }
            cairo_fill(cr);
            cairo_rectangle(cr, cx - 17, base + 1, 34, 2);
            cairo_fill(cr);
            break;
        }
    }
    cairo_restore(cr);
}

}  // namespace

void DrawControlButton(cairo_t* cr, ControlKind kind, bool pressed, bool korean) {
    const double x = 5.5;
    const double y = 6.5;
    const double w = CONTROL_WIDTH - 11;
    const double h = CONTROL_HEIGHT - 13;
    const ArtColor colour = ArtRgb(KindColour(kind));
    const ArtColor white = ArtRgb(0xFFFFFF);
    const double sink = pressed ? 1.5 : 0;

    if (!pressed) {
        // Drop shadow below the raised button.
        ArtRoundedRect(cr, x, y + 2.5, w, h, 16);
        ArtSetColor(cr, ArtRgb(0x000000, 0.55));
        cairo_fill(cr);
        ArtRoundedRect(cr, x, y, w, h, 16);
        ArtFillVertical(cr, y, y + h, ArtRgb(0x2C3743), ArtRgb(0x161C24), true);
        ArtStroke(cr, ArtRgb(kEdge), 1.2);
        // Top highlight.
        ArtRoundedRect(cr, x + 1.5, y + 1.5, w - 3, h / 2, 14);
        ArtFillVertical(cr, y, y + h / 2, ArtRgb(0xFFFFFF, 0.07), ArtRgb(0xFFFFFF, 0));
        // Coloured bar along the bottom edge: the button's colour at rest.
        cairo_save(cr);
        ArtRoundedRect(cr, x, y, w, h, 16);
        cairo_clip(cr);
        cairo_rectangle(cr, x, y + h - 5, w, 5);
        ArtSetColor(cr, ArtMix(colour, ArtRgb(0x000000), 0.25));
        cairo_fill(cr);
        cairo_restore(cr);
    } else {
        ArtRoundedRect(cr, x, y + sink, w, h - sink, 16);
        ArtFillVertical(cr, y, y + h, ArtMix(colour, white, 0.12), ArtMix(colour, ArtRgb(0x000000), 0.38),
                        true);
        ArtStroke(cr, ArtMix(colour, white, 0.45), 1.5);
        // Inner shadow at the top: pushed in.
        cairo_save(cr);
        ArtRoundedRect(cr, x, y + sink, w, h - sink, 16);
        cairo_clip(cr);
        cairo_rectangle(cr, x, y + sink, w, 10);
        ArtFillVertical(cr, y + sink, y + sink + 10, ArtRgb(0x000000, 0.30), ArtRgb(0x000000, 0));
        cairo_restore(cr);
    }

    const ArtColor glyphColour = pressed ? white : colour;
    DrawGlyph(cr, kind, 79, 40 + sink, glyphColour);
    ArtFont font{"NanumGothic", 700, 22};
    const ArtColor labelColour = pressed ? white : ArtRgb(0xDCE5EE);
    if (pressed) {
        ArtDrawText(cr, KindLabel(kind, korean), font, ArtRgb(0x000000, 0.35), x, 65 + sink + 1, w, 24);
    }
    ArtDrawText(cr, KindLabel(kind, korean), font, labelColour, x, 65 + sink, w, 24);
}

void DrawNoticeIcon(cairo_t* cr) {
    const double c = NOTICE_ICON_SIZE / 2.0;
    cairo_arc(cr, c, c + 1.5, 30, 0, 2 * M_PI);
    ArtSetColor(cr, ArtRgb(0x000000, 0.45));
    cairo_fill(cr);
    cairo_arc(cr, c, c, 30, 0, 2 * M_PI);
    ArtFillVertical(cr, c - 30, c + 30, ArtRgb(kAccentLight), ArtRgb(kAccentDeep), true);
    ArtStroke(cr, ArtRgb(0xFFFFFF, 0.35), 1.5);
    ArtSetColor(cr, ArtRgb(0xFFFFFF));
    cairo_arc(cr, c, 18.5, 4.8, 0, 2 * M_PI);
    cairo_fill(cr);
    ArtRoundedRect(cr, c - 4.5, 27, 9, 25, 3);
    cairo_fill(cr);
}

void DrawRunnerFrame(cairo_t* cr, int frame) {
    DrawRunnerPose(cr, RunnerStridePose(frame), RunnerActiveLook());
}

void DrawRunnerResting(cairo_t* cr) {
    DrawRunnerPose(cr, RunnerRestingPose(), RunnerRestingLook());
}

void DrawAppIcon(cairo_t* cr, int size, bool inkCorners) {
    const double s = size;
    if (inkCorners) {
        cairo_rectangle(cr, 0, 0, s, s);
        ArtSetColor(cr, ArtRgb(kInk));
        cairo_fill(cr);
    }
    ArtRoundedRect(cr, 0, 0, s, s, s * 0.2);
    ArtFillVertical(cr, 0, s, ArtRgb(kAccentLight), ArtRgb(kAccentDeep));

    RunnerLook look;
    look.nearTop = ArtRgb(0xFFFFFF);
    look.nearBottom = ArtRgb(0xE8F8FF);
    look.far = ArtRgb(0x0B4F6B);
    look.glow = ArtRgb(0x000000, 0);
    look.outline = ArtRgb(kAccentDeep);
    look.speedLines = false;
    const double scale = s * 0.86 / RUNNER_FRAME_HEIGHT;
    cairo_save(cr);
    cairo_translate(cr, (s - RUNNER_FRAME_WIDTH * scale) / 2.0, s * 0.05);
    cairo_scale(cr, scale, scale);
    DrawRunnerPose(cr, RunnerStridePose(2), look);
    cairo_restore(cr);
}
