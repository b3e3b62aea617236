// Touch areas, step digits and value texts of the main view.
#include "screens/main/main_layout.h"

#include <cwchar>

namespace {

// Touch areas of the three buttons, inclusive bounds.
constexpr int kTouchTop = 589;
constexpr int kTouchBottom = 695;
struct Span {
    int left;
    int right;
    MainButton button;
};
constexpr Span kTouchSpans[] = {
    {2, 158, MAIN_BUTTON_START_STOP},
    {162, 318, MAIN_BUTTON_RESET},
    {322, 478, MAIN_BUTTON_LOG},
};

// Writes text into out; a text that does not fit leaves out empty rather than half-written.
void PutText(wchar_t* out, size_t size, int written) {
    if (written < 0 || (size_t)written >= size) out[0] = L'\0';
}

}  // namespace

MainButton MainButtonAt(int x, int y) {
    if (y < kTouchTop || y > kTouchBottom) return MAIN_BUTTON_NONE;
    for (const Span& span : kTouchSpans)
        if (x >= span.left && x <= span.right) return span.button;
    return MAIN_BUTTON_NONE;
}

int SplitStepDigits(int64_t total, int digits[MAIN_MAX_DIGITS]) {
    if (total < 0) total = 0;
    int64_t power = 1;
    for (int i = 0; i < MAIN_MAX_DIGITS; ++i) {
        digits[i] = (int)((total % (power * 10)) / power);
        power *= 10;
    }
    int count = MAIN_MAX_DIGITS;
    while (count > 1 && digits[count - 1] == 0) --count;
    return count;
}

int StepDigitX(int count, int i) {
    return (485 - 47 * count) / 2 + 49 * i;
}

void FormatTimeText(int64_t seconds, wchar_t* out, size_t size) {
    if (!out || size == 0) return;
    long long hours = seconds / 3600;
    int minutes = (int)((seconds % 3600) / 60);
    int secs = (int)(seconds % 60);
    PutText(out, size, swprintf(out, size, L"%02lld : %02d : %02d ", hours, minutes, secs));
}

int GoalBarWidth(int64_t steps, int goal, int trackWidth) {
    if (goal <= 0 || steps <= 0 || trackWidth <= 0) return 0;
    if (steps >= goal) return trackWidth;
    return static_cast<int>(steps * trackWidth / goal);
}

void FormatGoalBandText(int64_t steps, int goal, const wchar_t* toGoFormat, const wchar_t* reachedText,
                        wchar_t* out, size_t size) {
    if (!out || size == 0) return;
    if (steps >= goal) {
        PutText(out, size, swprintf(out, size, L"%ls", reachedText));
        return;
    }
    const int64_t toGo = goal - (steps > 0 ? steps : 0);
    PutText(out, size, swprintf(out, size, toGoFormat, static_cast<int>(toGo)));
}

void FormatCaloriesText(double kcal, wchar_t* out, size_t size) {
    if (!out || size == 0) return;
    PutText(out, size, swprintf(out, size, L"%.2lf Kcal", kcal));
}

int64_t TodayStepTotal(int32_t stored, int32_t workout) {
    const int64_t total = int64_t{stored} + workout;
    if (total > INT32_MAX) return INT32_MAX;
    return total < 0 ? 0 : total;
}
