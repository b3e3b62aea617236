// Where the main view puts things (view pixels, origin top-left; rectangles left, top, right,
// bottom), its touch areas, the step digits and the texts of its two value boxes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/windows.h"

// Image cells of the main view (ImageTable, before the language's image offset).
#define MAIN_IMAGE_RUNNER_FIRST 0
#define MAIN_IMAGE_DIGIT_FIRST 9
#define MAIN_IMAGE_START 19
#define MAIN_IMAGE_START_PRESSED 20
#define MAIN_IMAGE_STOP 21
#define MAIN_IMAGE_STOP_PRESSED 22
#define MAIN_IMAGE_RESET 23
#define MAIN_IMAGE_RESET_PRESSED 24
#define MAIN_IMAGE_LOG 25
#define MAIN_IMAGE_LOG_PRESSED 26
#define MAIN_IMAGE_NOTICE_ICON 27
#define MAIN_IMAGE_RUNNER_REST 41

// Text cells (TextTable, before the language's text offset).
#define MAIN_TEXT_NOTICE 0
#define MAIN_TEXT_STEPS 23
#define MAIN_TEXT_CALORIES 24
#define MAIN_TEXT_TIME 25

#define MAIN_RUNNER_FRAMES 9
#define MAIN_MAX_DIGITS 8
#define MAIN_LABEL_COLOR 0x00D6A100  // RGB(0, 161, 214)
#define MAIN_VALUE_COLOR 0x00FFFFFF
#define MAIN_LABEL_FONT 30
#define MAIN_VALUE_FONT 45
#define MAIN_NOTICE_FONT 32

// Backgrounds: bitmap 129 over the upper area, bitmap 130 behind the buttons.
constexpr int kMainUpperWidth = 480;
constexpr int kMainUpperHeight = 352;
constexpr int kMainStripTop = 588;
constexpr int kMainStripHeight = 108;

constexpr RECT kMainStepsLabel = {32, 250, 100, 328};
constexpr RECT kMainCaloriesLabel = {32, 422, 120, 453};
constexpr RECT kMainTimeLabel = {32, 511, 100, 548};
constexpr RECT kMainCaloriesBox = {120, 413, 360, 463};
constexpr RECT kMainTimeBox = {120, 503, 360, 553};
constexpr RECT kMainNoticeText = {0, 123, 480, 628};

// The daily goal's band between the digits and the calories (drawn only with a goal): a track
// with a bar in proportion to today's steps, and the steps still to go (or "reached") beside it.
constexpr RECT kMainGoalBand = {32, 344, 448, 392};
constexpr RECT kMainGoalTrack = {32, 358, 272, 382};
constexpr RECT kMainGoalText = {284, 352, 448, 390};
#define MAIN_GOAL_TRACK_COLOR 0x00404040  // RGB(64, 64, 64)
#define MAIN_GOAL_FONT 26

// The part of the window that the value-box repaint copies.
constexpr RECT kMainValueCopy = {120, 418, 120 + 241, 418 + 141};

constexpr POINT kMainRunnerPos = {187, 80};
constexpr POINT kMainNoticeIconPos = {207, 50};
constexpr int kMainDigitTop = 243;
constexpr POINT kMainStartStopPos = {1, 588};
constexpr POINT kMainResetPos = {161, 588};
constexpr POINT kMainLogPos = {321, 588};

enum MainButton { MAIN_BUTTON_NONE = 0, MAIN_BUTTON_START_STOP, MAIN_BUTTON_RESET, MAIN_BUTTON_LOG };

// The button whose touch area (inclusive bounds: y 589-695; x 2-158, 162-318, 322-478) holds
// the point.
MainButton MainButtonAt(int x, int y);

// Splits a step total into its lowest eight decimal digits, least significant first, and returns
// how many are shown: leading zeros are dropped, but at least one digit remains. A total below
// zero shows as 0 (there is no sign among the digit images).
int SplitStepDigits(int64_t total, int digits[MAIN_MAX_DIGITS]);
// Today's steps as shown: the stored total plus the workout's, at most the largest count a day's
// row keeps (2,147,483,647), as the next save will store it.
int64_t TodayStepTotal(int32_t stored, int32_t workout);
// Left edge of digit i (most significant first) of a group of `count` digits.
int StepDigitX(int count, int i);

// "%02d : %02d : %02d " of hours, minutes and seconds (note the trailing blank); hours take
// as many digits as they need.
void FormatTimeText(int64_t seconds, wchar_t* out, size_t size);
// Width of the goal bar in a track `trackWidth` wide: steps / goal of it, full at or past the goal.
int GoalBarWidth(int64_t steps, int goal, int trackWidth);
// The band's text: the steps still to go by `toGoFormat` ("%d"), or `reachedText` at or past the goal.
void FormatGoalBandText(int64_t steps, int goal, const wchar_t* toGoFormat, const wchar_t* reachedText,
                        wchar_t* out, size_t size);

// "%.2lf Kcal".
void FormatCaloriesText(double kcal, wchar_t* out, size_t size);
