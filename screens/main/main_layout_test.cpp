// Step digits, value texts and touch areas of the main view.
#include "screens/main/main_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The shown digits, most significant first, as a string.
std::string Shown(int64_t total) {
    int digits[MAIN_MAX_DIGITS];
    int count = SplitStepDigits(total, digits);
    std::string out;
    for (int i = count - 1; i >= 0; --i) out += (char)('0' + digits[i]);
    return out;
}

TEST(MainLayoutTest, StepTotalsShowTheirLowestEightDigitsWithoutLeadingZeros) {
    EXPECT_EQ(Shown(0), "0");
    EXPECT_EQ(Shown(7), "7");
    EXPECT_EQ(Shown(1020), "1020");
    EXPECT_EQ(Shown(10000000), "10000000");
    EXPECT_EQ(Shown(99999999), "99999999");
    EXPECT_EQ(Shown(123456789), "23456789");
    // 100,000,005: the lowest eight digits are 00000005, shown as one digit.
    EXPECT_EQ(Shown(100000005), "5");
    // No digit image for a sign: a negative total (a damaged row) shows as zero.
    EXPECT_EQ(Shown(-42), "0");
    EXPECT_EQ(Shown(int64_t{INT32_MAX} + INT32_MAX), "94967294");
}

TEST(MainLayoutTest, DigitGroupIsCentredAndSpaced49Apart) {
    EXPECT_EQ(StepDigitX(1, 0), 219);
    EXPECT_EQ(StepDigitX(4, 0), 148);
    EXPECT_EQ(StepDigitX(7, 0), 78);
    EXPECT_EQ(StepDigitX(7, 6), 78 + 6 * 49);
    EXPECT_EQ(StepDigitX(8, 0), 54);
    EXPECT_EQ(StepDigitX(8, 7), 397);
}

TEST(MainLayoutTest, TimeTextHasATrailingBlankAndWidensPast99Hours) {
    wchar_t text[64];
    FormatTimeText(0, text, 64);
    EXPECT_STREQ(text, L"00 : 00 : 00 ");
    FormatTimeText(3661, text, 64);
    EXPECT_STREQ(text, L"01 : 01 : 01 ");
    FormatTimeText(359999, text, 64);
    EXPECT_STREQ(text, L"99 : 59 : 59 ");
    FormatTimeText(360000, text, 64);
    EXPECT_STREQ(text, L"100 : 00 : 00 ");
    // A buffer too small for the text stays empty instead of holding a cut text.
    FormatTimeText(3661, text, 8);
    EXPECT_STREQ(text, L"");
}

TEST(MainLayoutTest, CaloriesTextHasTwoDecimals) {
    wchar_t text[64];
    FormatCaloriesText(0, text, 64);
    EXPECT_STREQ(text, L"0.00 Kcal");
    FormatCaloriesText(57.316, text, 64);
    EXPECT_STREQ(text, L"57.32 Kcal");
    FormatCaloriesText(1234.5, text, 64);
    EXPECT_STREQ(text, L"1234.50 Kcal");
}

TEST(MainLayoutTest, GoalBarGrowsWithTheStepsAndStopsFullAtTheGoal) {
    EXPECT_EQ(GoalBarWidth(0, 8000, 240), 0);
    EXPECT_EQ(GoalBarWidth(33, 8000, 240), 0);  // less than a pixel's worth
    EXPECT_EQ(GoalBarWidth(4000, 8000, 240), 120);
    EXPECT_EQ(GoalBarWidth(7999, 8000, 240), 239);
    EXPECT_EQ(GoalBarWidth(8000, 8000, 240), 240);
    EXPECT_EQ(GoalBarWidth(int64_t{99999999} * 10, 100, 240), 240);
    EXPECT_EQ(GoalBarWidth(-5, 8000, 240), 0);
    EXPECT_EQ(GoalBarWidth(500, 0, 240), 0);  // no goal
}

TEST(MainLayoutTest, GoalBandTextCountsDownThenSaysReached) {
    wchar_t text[64];
    FormatGoalBandText(0, 8000, L"%d to go", L"Goal reached", text, 64);
    EXPECT_STREQ(text, L"8000 to go");
    FormatGoalBandText(7999, 8000, L"%d to go", L"Goal reached", text, 64);
    EXPECT_STREQ(text, L"1 to go");
    FormatGoalBandText(8000, 8000, L"%d to go", L"Goal reached", text, 64);
    EXPECT_STREQ(text, L"Goal reached");
    FormatGoalBandText(12000, 8000, L"%d\uAC78\uC74C \uB0A8\uC74C", L"\uBAA9\uD45C \uB2EC\uC131", text, 64);
    EXPECT_STREQ(text, L"\uBAA9\uD45C \uB2EC\uC131");
}

TEST(MainLayoutTest, TheGoalBandLiesBetweenTheDigitsAndTheCaloriesBelowTheUpperArea) {
    // The band's drawing stays out of the upper area's and the value boxes' repaints.
    EXPECT_GE(kMainGoalTrack.top, kMainUpperHeight);
    EXPECT_GE(kMainGoalText.top, kMainUpperHeight);
    EXPECT_LE(kMainGoalTrack.bottom, kMainValueCopy.top);
    EXPECT_LE(kMainGoalText.bottom, kMainValueCopy.top);
    for (const RECT& r : {kMainGoalTrack, kMainGoalText}) {
        EXPECT_GE(r.left, kMainGoalBand.left);
        EXPECT_LE(r.right, kMainGoalBand.right);
        EXPECT_GE(r.top, kMainGoalBand.top);
        EXPECT_LE(r.bottom, kMainGoalBand.bottom);
    }
}

TEST(MainLayoutTest, TouchAreasHaveInclusiveBoundsAndGapsBetween) {
    EXPECT_EQ(MainButtonAt(2, 589), MAIN_BUTTON_START_STOP);
    EXPECT_EQ(MainButtonAt(158, 695), MAIN_BUTTON_START_STOP);
    EXPECT_EQ(MainButtonAt(162, 600), MAIN_BUTTON_RESET);
    EXPECT_EQ(MainButtonAt(318, 600), MAIN_BUTTON_RESET);
    EXPECT_EQ(MainButtonAt(322, 600), MAIN_BUTTON_LOG);
    EXPECT_EQ(MainButtonAt(478, 600), MAIN_BUTTON_LOG);
    for (int x : {0, 1, 159, 160, 161, 319, 320, 321, 479})
        EXPECT_EQ(MainButtonAt(x, 640), MAIN_BUTTON_NONE) << x;
    for (int y : {0, 588, 696, 800}) EXPECT_EQ(MainButtonAt(80, y), MAIN_BUTTON_NONE) << y;
}

}  // namespace
