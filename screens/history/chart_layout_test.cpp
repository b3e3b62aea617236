#include "screens/history/chart_layout.h"

#include <gtest/gtest.h>

#include <climits>

TEST(ChartLayout, RoundHalfAwayRoundsBothSigns) {
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(2.49), 2);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(-0.4), 0);
}

TEST(ChartLayout, StepsScaleKeepsMaximumUnderTopLine) {
    EXPECT_EQ(GetStepsScale(0), 1200);
    EXPECT_EQ(GetStepsScale(5000), 1200);
    EXPECT_EQ(GetStepsScale(5001), 1200);
    EXPECT_EQ(GetStepsScale(6000), 1200);
    EXPECT_EQ(GetStepsScale(6001), 1600);
    EXPECT_EQ(GetStepsScale(8000), 1600);
    EXPECT_EQ(GetStepsScale(123457), 24800);
}

TEST(ChartLayout, AmountScaleForCaloriesAndDistance) {
    EXPECT_EQ(GetAmountScale(25040, 2), 60);
    EXPECT_EQ(GetAmountScale(25100, 2), 100);
    EXPECT_EQ(GetAmountScale(46000, 2), 100);
    EXPECT_EQ(GetAmountScale(50100, 2), 120);
    EXPECT_EQ(GetAmountScale(375000, 3), 900);
    EXPECT_EQ(GetAmountScale(675000, 3), 1500);
    EXPECT_EQ(GetAmountScale(675100, 3), 1500);  // 6751 -> 7500 / 5
    EXPECT_EQ(GetAmountScale(900100, 3), 2100);  // 9001 -> 10500 / 5
}

TEST(ChartLayout, PointRowsFollowTheGrid) {
    int32_t tick[7] = {}, tickY[7] = {};
    FillChartGrid(1200, tick, tickY);
    EXPECT_EQ(tick[5], 6000);
    EXPECT_EQ(tickY[5], 248);
    EXPECT_EQ(ChartPointRow(0, tick, tickY, 1200), 648);
    EXPECT_EQ(ChartPointRow(2400, tick, tickY, 1200), 488);  // exactly on a grid line
    EXPECT_EQ(ChartPointRow(600, tick, tickY, 1200), 608);
    EXPECT_EQ(ChartPointRow(1201, tick, tickY, 1200), 568);  // 0.07 px rounds away
    // Above the top line (a rounded maximum may exceed the last grid value): clamped, not lost.
    EXPECT_EQ(ChartPointRow(6000.3, tick, tickY, 1200), 248);
}

TEST(ChartLayout, BubbleClampsAndGrowsWithText) {
    BubbleLayout b = LayoutBubble(0, 0, 1);
    EXPECT_EQ(b.x, 105);
    EXPECT_EQ(b.y, 300);
    EXPECT_EQ(b.segments, 1);
    EXPECT_EQ(LayoutBubble(200, 700, 5).segments, 1);
    EXPECT_EQ(LayoutBubble(200, 700, 7).segments, 3);
    b = LayoutBubble(390, 400, 8);  // 390 + 60 + 68 > 479: moved left to end at 479
    EXPECT_EQ(b.x, 413 - 60);
    EXPECT_EQ(b.y, 400);
}

TEST(ChartLayout, LargestStepsMaximumKeepsGridValuesInRange) {
    int32_t tick[7] = {}, tickY[7] = {};
    const int32_t step = GetStepsScale(INT32_MAX);
    FillChartGrid(step, tick, tickY);
    EXPECT_EQ(tick[4], 4 * step);
    EXPECT_EQ(tick[5], INT32_MAX);
    EXPECT_EQ(ChartPointRow((double)INT32_MAX, tick, tickY, step), 248);
}
