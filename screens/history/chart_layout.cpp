// Scale, rows and bubble placement of the history chart.
#include "screens/history/chart_layout.h"

#include <climits>

int32_t RoundHalfAway(double x) {
    return x >= 0 ? (int32_t)(x + 0.5) : (int32_t)(x - 0.5);
}

int32_t GetStepsScale(int32_t maxSteps) {
    if (maxSteps <= 5000) return 1200;
    int64_t top = ((int64_t)maxSteps + 1999) / 2000 * 2000;
    return (int32_t)(top / 5);
}

int32_t GetAmountScale(double maxHundredths, int32_t category) {
    double v = (double)RoundHalfAway(maxHundredths * 0.01);
    if (category == 3) {
        if (v <= 3750) return 900;
        if (v <= 6750) return 1500;
        int64_t top = ((int64_t)v + 1499) / 1500 * 1500;
        return (int32_t)(top / 5);
    }
    if (v <= 250) return 60;
    if (v <= 450) return 100;
    int64_t top = ((int64_t)v + 99) / 100 * 100;
    return (int32_t)(top / 5);
}

void FillChartGrid(int32_t step, int32_t tick[7], int32_t tickY[7]) {
    for (int k = 0; k <= 5; ++k) {
        // Huge step totals are clamped rather than overflowing the grid values.
        const int64_t value = (int64_t)k * step;
        tick[k] = value > INT32_MAX ? INT32_MAX : (int32_t)value;
        tickY[k] = kChartBaseY - kChartGridPitch * k;
    }
}

int32_t ChartPointRow(double value, const int32_t tick[7], const int32_t tickY[7], int32_t step) {
    if (value <= 0 || step <= 0) return kChartBaseY;
    for (int k = 0; k <= 5; ++k) {
        if (value > tick[k]) continue;
        if (value == tick[k]) return tickY[k];
        return tickY[k - 1] - RoundHalfAway((value - tick[k - 1]) * (double)kChartGridPitch / step);
    }
    return tickY[5];
}

BubbleLayout LayoutBubble(int32_t anchorX, int32_t anchorY, int32_t textLength) {
    BubbleLayout b;
    b.segments = textLength <= 5 ? 1 : textLength - 4;
    b.x = anchorX < 105 ? 105 : (anchorX > 390 ? 390 : anchorX);
    b.y = anchorY < 300 ? 300 : (anchorY > 605 ? 605 : anchorY);
    if (b.x + 15 * b.segments + 68 > 479) b.x = 413 - 15 * b.segments;
    return b;
}
