// Pure layout arithmetic of the history chart: the vertical scale, the pixel row of a value and
// the placement of the page-total bubble.
#pragma once

#include <cstdint>

// Pixel row of the chart's baseline and the height of one grid interval.
constexpr int32_t kChartBaseY = 648;
constexpr int32_t kChartGridPitch = 80;

// Integer part of x + 0.5 (x >= 0) or of x - 0.5 (x < 0).
int32_t RoundHalfAway(double x);
// Value between two grid lines for a page's steps maximum.
int32_t GetStepsScale(int32_t maxSteps);
// Same for calories (category 2) or distance (category 3); maxHundredths is the page maximum in
// hundredths of a kcal or of a metre.
int32_t GetAmountScale(double maxHundredths, int32_t category);
// Grid values k * step and rows 648 - 80k for k = 0..5.
void FillChartGrid(int32_t step, int32_t tick[7], int32_t tickY[7]);
// Row of a value on the grid. A value above the top grid line is clamped to that line, so that a
// point is never lost off the chart.
int32_t ChartPointRow(double value, const int32_t tick[7], const int32_t tickY[7], int32_t step);

// Placement of the page-total bubble for a text of textLength characters anchored at a point.
struct BubbleLayout {
    int32_t x;  // clamped anchor
    int32_t y;
    int32_t segments;  // number of 15-pixel middle pieces
};
BubbleLayout LayoutBubble(int32_t anchorX, int32_t anchorY, int32_t textLength);
