// Pieces of the main view: background bitmaps, step digits, control buttons, the battery-notice
// icon, the runner images, and the program's icons.
#pragma once

#include <cairo.h>

enum class ControlKind { Start, Stop, Reset, Log };

#define DIGIT_WIDTH 47
#define DIGIT_HEIGHT 70
#define CONTROL_WIDTH 158
#define CONTROL_HEIGHT 108
#define NOTICE_ICON_SIZE 66

void DrawUpperBackground(cairo_t* cr);                                             // bitmap 129, 480 x 352
void DrawButtonStrip(cairo_t* cr);                                                 // bitmap 130, 480 x 108
void DrawDigit(cairo_t* cr, int digit);                                            // 47 x 70
void DrawControlButton(cairo_t* cr, ControlKind kind, bool pressed, bool korean);  // 158 x 108
void DrawNoticeIcon(cairo_t* cr);                                                  // 66 x 66
void DrawRunnerFrame(cairo_t* cr, int frame);                                      // 106 x 150
void DrawRunnerResting(cairo_t* cr);                                               // 106 x 150
// Icon 101 (64) and 136 (32) on the dark task bar; without inkCorners the corners outside the
// rounded square stay transparent (the desktop icon).
void DrawAppIcon(cairo_t* cr, int size, bool inkCorners = true);
