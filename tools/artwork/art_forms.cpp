#include "tools/artwork/art_forms.h"

#include <cmath>

#include "tools/artwork/art_canvas.h"

using namespace ArtPalette;

void DrawPopupTitle(cairo_t* cr) {
    const double w = POPUP_WIDTH;
    const double h = POPUP_TITLE_HEIGHT;
    cairo_rectangle(cr, 0, 0, w, h);
    ArtFillVertical(cr, 0, h, ArtRgb(0x14ADE0), ArtRgb(0x00789F));
    // Gloss on the upper half.
    cairo_rectangle(cr, 0, 0, w, h / 2);
    ArtFillVertical(cr, 0, h / 2, ArtRgb(0xFFFFFF, 0.16), ArtRgb(0xFFFFFF, 0.02));
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h);
    ArtStroke(cr, ArtRgb(kAccentLight), 1);
    cairo_rectangle(cr, 0, h - 2, w, 2);
    ArtSetColor(cr, ArtRgb(0x004A63));
    cairo_fill(cr);
}

void DrawPopupBody(cairo_t* cr) {
    const double w = POPUP_WIDTH;
    const double h = POPUP_BODY_HEIGHT;
    cairo_rectangle(cr, 0, 0, w, h);
    ArtFillVertical(cr, 0, h, ArtRgb(0x222B36), ArtRgb(0x12171D));
    // Shadow cast by the title band.
    cairo_rectangle(cr, 0, 0, w, 8);
    ArtFillVertical(cr, 0, 8, ArtRgb(0x000000, 0.45), ArtRgb(0x000000, 0));
    // Frame on three sides; the title band closes the top.
    cairo_move_to(cr, 0.5, 0);
    cairo_line_to(cr, 0.5, h - 0.5);
    cairo_line_to(cr, w - 0.5, h - 0.5);
    cairo_line_to(cr, w - 0.5, 0);
    ArtStroke(cr, ArtRgb(0x4A5866), 1);
    // A quiet divider above the buttons.
    cairo_rectangle(cr, 18, 100, w - 36, 1);
    ArtSetColor(cr, ArtRgb(0xFFFFFF, 0.08));
    cairo_fill(cr);
}

void DrawPopupButton(cairo_t* cr, PopupButtonLook look) {
    const double x = 2.5;
    const double y = 2.5;
    const double w = POPUP_BUTTON_WIDTH - 5;
    const double h = POPUP_BUTTON_HEIGHT - 6;
    if (look == PopupButtonLook::Press) {
        ArtRoundedRect(cr, x, y + 1, w, h, 12);
        ArtFillVertical(cr, y, y + h, ArtRgb(0x0090BF), ArtRgb(0x005775), true);
        ArtStroke(cr, ArtRgb(kAccentLight), 1.5);
        cairo_save(cr);
        ArtRoundedRect(cr, x, y + 1, w, h, 12);
        cairo_clip(cr);
        cairo_rectangle(cr, x, y + 1, w, 9);
        ArtFillVertical(cr, y + 1, y + 10, ArtRgb(0x000000, 0.35), ArtRgb(0x000000, 0));
        cairo_restore(cr);
        return;
    }
    ArtRoundedRect(cr, x, y + 3, w, h, 12);
    ArtSetColor(cr, ArtRgb(0x000000, 0.5));
    cairo_fill(cr);
    ArtRoundedRect(cr, x, y, w, h, 12);
    ArtFillVertical(cr, y, y + h, ArtRgb(0xF7FAFC), ArtRgb(0xC4CED8), true);
    ArtStroke(cr, ArtRgb(0x7F8C99), 1.2);
    ArtRoundedRect(cr, x + 2, y + 2, w - 4, h / 2 - 2, 10);
    ArtFillVertical(cr, y, y + h / 2, ArtRgb(0xFFFFFF, 0.6), ArtRgb(0xFFFFFF, 0.1));
    if (look == PopupButtonLook::Focus) {
        ArtRoundedRect(cr, x + 1, y + 1, w - 2, h - 2, 11);
        ArtStroke(cr, ArtRgb(kAccent), 3);
    }
}

namespace {

// The whole 450 x 62 input frame (caps and bitmap together) with its left edge at x = -offset.
void InputFrame(cairo_t* cr, bool focused, double offset) {
    const double totalWidth = INPUT_BOX_WIDTH + 2 * INPUT_CAP_WIDTH;
    cairo_save(cr);
    cairo_translate(cr, -offset, 0);
    // Corner radius 8 from x = 1: the curves stay inside the 10-pixel caps, so the bitmap's
    // columns are all straight and the joins are seamless.
    ArtRoundedRect(cr, 1, 1.5, totalWidth - 2, INPUT_BOX_HEIGHT - 3, 8);
    if (focused) {
        ArtFillVertical(cr, 0, INPUT_BOX_HEIGHT, ArtRgb(0x133345), ArtRgb(0x0B1E29), true);
        ArtStroke(cr, ArtRgb(kAccent), 2);
    } else {
        ArtFillVertical(cr, 0, INPUT_BOX_HEIGHT, ArtRgb(0x1D242D), ArtRgb(0x131920), true);
        ArtStroke(cr, ArtRgb(0x4A5866), 1.5);
    }
    cairo_restore(cr);
}

}  // namespace

void DrawInputBox(cairo_t* cr, bool focused) {
    InputFrame(cr, focused, INPUT_CAP_WIDTH);
}

void DrawInputFill(cairo_t* cr, bool focused) {
    // The edit field sits at (2, 11) inside the box bitmap: its background brush must continue the
    // box's own fill there.
    cairo_save(cr);
    cairo_translate(cr, 0, -11);
    InputFrame(cr, focused, INPUT_CAP_WIDTH + 2);
    cairo_restore(cr);
}

void DrawInputCap(cairo_t* cr, bool right, bool focused) {
    InputFrame(cr, focused, right ? INPUT_CAP_WIDTH + INPUT_BOX_WIDTH : 0);
}

void DrawChoiceBox(cairo_t* cr) {
    ArtRoundedRect(cr, 1.5, 1.5, CHOICE_BOX_WIDTH - 3, CHOICE_BOX_HEIGHT - 3, 12);
    ArtSetColor(cr, ArtRgb(0xFFFFFF, 0.04));
    cairo_fill_preserve(cr);
    ArtStroke(cr, ArtRgb(0x4A5866), 1.5);
}

void DrawChoiceMark(cairo_t* cr) {
    ArtRoundedRect(cr, 1, 7, CHOICE_MARK_WIDTH - 2, CHOICE_BOX_HEIGHT - 14, 10);
    ArtSetColor(cr, ArtRgb(kAccent, 0.24));
    cairo_fill_preserve(cr);
    ArtStroke(cr, ArtRgb(kAccent), 2);
    // A check badge at the right end.
    const double cx = CHOICE_MARK_WIDTH - 18;
    const double cy = CHOICE_BOX_HEIGHT / 2.0;
    cairo_arc(cr, cx, cy, 9.5, 0, 2 * M_PI);
    ArtSetColor(cr, ArtRgb(kAccent));
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, cx - 4.5, cy + 0.5);
    cairo_line_to(cr, cx - 1, cy + 4);
    cairo_line_to(cr, cx + 5, cy - 3.5);
    ArtStroke(cr, ArtRgb(0xFFFFFF), 2.4);
}

void DrawSelectorBox(cairo_t* cr) {
    cairo_arc(cr, 15, SELECTOR_HEIGHT / 2.0, 8, 0, 2 * M_PI);
    ArtStroke(cr, ArtRgb(0x8A96A3), 2);
    cairo_rectangle(cr, 4, SELECTOR_HEIGHT - 2, SELECTOR_WIDTH - 8, 1);
    ArtSetColor(cr, ArtRgb(0xFFFFFF, 0.12));
    cairo_fill(cr);
}

void DrawSelectorMark(cairo_t* cr) {
    // Drawn 5 pixels above the box, so its centre row is 30.
    const double cy = SELECTOR_MARK_HEIGHT / 2.0;
    cairo_arc(cr, 15, cy, 9, 0, 2 * M_PI);
    ArtStroke(cr, ArtRgb(kAccent), 2.5);
    cairo_arc(cr, 15, cy, 4.5, 0, 2 * M_PI);
    ArtSetColor(cr, ArtRgb(kAccentLight));
    cairo_fill(cr);
    ArtRoundedRect(cr, 4, SELECTOR_MARK_HEIGHT - 8, SELECTOR_WIDTH - 8, 3, 1.5);
    ArtSetColor(cr, ArtRgb(kAccent));
    cairo_fill(cr);
}
