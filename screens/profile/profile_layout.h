// Fixed positions of the profile view (pixels in the 480-wide view window) and its table cells.
#pragma once

#include "platform/windows.h"

// Text cells (the view's text offset applies to all but the English choice).
#define PROFILE_TEXT_HEIGHT 26
#define PROFILE_TEXT_WEIGHT 27
#define PROFILE_TEXT_HEIGHT_RANGE 28
#define PROFILE_TEXT_WEIGHT_RANGE 29
#define PROFILE_TEXT_INPUT_ERROR 30
#define PROFILE_TEXT_LANGUAGE 34
#define PROFILE_TEXT_KOREAN 35
#define PROFILE_TEXT_ENGLISH 36

// Image cells: the caps take the image offset, the choice boxes never do.
#define PROFILE_IMAGE_LEFT_CAP_FOCUS 46
#define PROFILE_IMAGE_LEFT_CAP 47
#define PROFILE_IMAGE_RIGHT_CAP_FOCUS 48
#define PROFILE_IMAGE_RIGHT_CAP 49
#define PROFILE_IMAGE_CHOICE_SELECTED 52
#define PROFILE_IMAGE_CHOICE 53

#define PROFILE_FONT 37
#define PROFILE_TEXT_COLOR 0x00FFFFFF

// Field rows: each box sits 6 pixels under its label's top + 40; the field 11 pixels into it.
constexpr int kProfileHeightBoxTop = 68;
constexpr int kProfileWeightBoxTop = 208;
constexpr int kProfileGoalBoxTop = 488;
constexpr int kProfileBoxX = 25;
constexpr int kProfileBoxWidth = 430;
constexpr int kProfileBoxHeight = 62;
constexpr int kProfileLeftCapX = 15;
constexpr int kProfileRightCapX = 455;
constexpr int kProfileFieldX = 27;
constexpr int kProfileFieldOffset = 11;  // from the box top
constexpr int kProfileFieldWidth = 60;
constexpr int kProfileFieldHeight = 40;
constexpr int kProfileUnitX = 97;
// The goal's field takes five digits: wider, and its unit further right.
constexpr int kProfileGoalFieldWidth = 120;
constexpr int kProfileGoalUnitX = 157;
constexpr int kProfileLabelOffset = 46;  // label top above the box top
// Room left between a field's box and the input panel when the content moves up for it.
constexpr int kProfileSipGap = 8;

constexpr RECT kProfileLanguageLabel = {15, 302, 450, 342};
constexpr RECT kProfileKoreanChoice = {25, 348, 205, 410};
constexpr RECT kProfileEnglishChoice = {255, 348, 435, 410};
constexpr POINT kProfileKoreanBox = {15, 348};
constexpr POINT kProfileEnglishBox = {245, 348};
constexpr POINT kProfileKoreanSelected = {25, 348};
constexpr POINT kProfileEnglishSelected = {255, 348};

// Tap areas (inclusive).
inline bool ProfileHitHeight(int x, int y) {
    return x >= 16 && x <= 449 && y >= 69 && y <= 129;
}
inline bool ProfileHitWeight(int x, int y) {
    return x >= 16 && x <= 449 && y >= 209 && y <= 269;
}
inline bool ProfileHitGoal(int x, int y) {
    return x >= 16 && x <= 449 && y >= 489 && y <= 549;
}
// 0 Korean, 1 English, -1 neither.
inline int ProfileChoiceAt(int x, int y) {
    if (y < 349 || y > 409) return -1;
    if (x >= 16 && x <= 234) return 0;
    if (x >= 246 && x <= 464) return 1;
    return -1;
}
