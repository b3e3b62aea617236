// The confirmation popup's pieces and the input boxes of the profile and history views.
#pragma once

#include <cairo.h>

#define POPUP_WIDTH 445
#define POPUP_TITLE_HEIGHT 60
#define POPUP_BODY_HEIGHT 190
#define POPUP_BUTTON_WIDTH 196
#define POPUP_BUTTON_HEIGHT 62

#define INPUT_BOX_WIDTH 430  // bitmaps 145/146
#define INPUT_BOX_HEIGHT 62
#define INPUT_FILL_HEIGHT 40  // bitmaps 147/148
#define INPUT_CAP_WIDTH 10
#define CHOICE_BOX_WIDTH 220
#define CHOICE_BOX_HEIGHT 62
#define CHOICE_MARK_WIDTH 200
#define SELECTOR_WIDTH 151
#define SELECTOR_HEIGHT 50
#define SELECTOR_MARK_HEIGHT 60

enum class PopupButtonLook { Normal, Focus, Press };

void DrawPopupTitle(cairo_t* cr);
void DrawPopupBody(cairo_t* cr);
void DrawPopupButton(cairo_t* cr, PopupButtonLook look);

// The profile's input frame runs from the left cap through the 430-pixel bitmap to the right cap.
void DrawInputBox(cairo_t* cr, bool focused);              // bitmaps 145 (no) / 146 (yes)
void DrawInputFill(cairo_t* cr, bool focused);             // bitmaps 148 (no) / 147 (yes)
void DrawInputCap(cairo_t* cr, bool right, bool focused);  // inputbox_01_{left,right}[_dim]
void DrawChoiceBox(cairo_t* cr);                           // Inputbox_03_normal
void DrawChoiceMark(cairo_t* cr);                          // Inputbox_03_dim (selected)
void DrawSelectorBox(cairo_t* cr);                         // Inputbox_02_normal
void DrawSelectorMark(cairo_t* cr);                        // Inputbox_02_dim (selected)
