// Pieces of the history view: period tabs, page arrows, the total bubble and the chart bitmaps.
#pragma once

#include <cairo.h>

enum class TabPosition { Left, Middle, Right };
enum class TabLook { Normal, Focused, Pressed };

#define TAB_WIDTH 151
#define TAB_HEIGHT 66
#define SPIN_WIDTH 41
#define SPIN_HEIGHT 50
#define BUBBLE_HEIGHT 50
#define BUBBLE_LEFT_WIDTH 11
#define BUBBLE_MIDDLE_WIDTH 15
#define BUBBLE_RIGHT_WIDTH 76
#define GRAPH_BOX_WIDTH 120
#define GRAPH_BOX_HEIGHT 60

void DrawTab(cairo_t* cr, TabPosition position, TabLook look);
void DrawSpinArrow(cairo_t* cr, bool right, bool pressed);
void DrawBubbleLeft(cairo_t* cr);
void DrawBubbleMiddle(cairo_t* cr);
void DrawBubbleRight(cairo_t* cr);
void DrawGraphBox(cairo_t* cr);

// Chart bitmaps, exact colours: 131 (1 x 438) and 132 (375 x 1) light grey, 133 (375 x 1) dark
// grey, 143 (5 x 5) a white marker whose four corners are the transparent green.
void DrawSolidRect(cairo_t* cr, int width, int height, unsigned rgb);
void DrawChartMarker(cairo_t* cr);
