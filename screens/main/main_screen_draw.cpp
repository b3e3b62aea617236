// The main view's drawing: backgrounds, labels, the two value boxes, the runner, the battery
// notice, the step digits and the buttons, drawn in order straight onto the window: the screen
// shows the window only between messages, never half drawn. The animation and value repaints
// remember what they left on the window and draw only inside the rectangles whose pixels change;
// the runner's rectangle is copied from a layer kept for each frame.
#include <algorithm>
#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "resources/resource_ids.h"
#include "screens/main/main_layout.h"
#include "screens/main/main_screen.h"

namespace {

static_assert(CRunnerLayers::kFrames == MAIN_RUNNER_FRAMES);
// The steps label lies in the band of the digits, which the runner's layers stay out of.
static_assert(kMainStepsLabel.top >= kMainDigitTop && kMainStepsLabel.bottom <= kMainUpperHeight);

constexpr RECT kUpperArea = {0, 0, kMainUpperWidth, kMainUpperHeight};
// The value-box copy split at the gap between the boxes: the calories part and the time part.
constexpr RECT kCaloriesPart = {kMainValueCopy.left, kMainValueCopy.top, kMainValueCopy.right,
                                kMainTimeBox.top};
constexpr RECT kTimePart = {kMainValueCopy.left, kMainTimeBox.top, kMainValueCopy.right,
                            kMainValueCopy.bottom};

bool IsEmptyRect(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool Overlaps(const RECT& a, const RECT& b) {
    return !IsEmptyRect(a) && !IsEmptyRect(b) && a.left < b.right && b.left < a.right && a.top < b.bottom &&
           b.top < a.bottom;
}

RECT Clip(const RECT& r, const RECT& bounds) {
    RECT c{std::max(r.left, bounds.left), std::max(r.top, bounds.top), std::min(r.right, bounds.right),
           std::min(r.bottom, bounds.bottom)};
    return IsEmptyRect(c) ? RECT{0, 0, 0, 0} : c;
}

void AddRect(RECT* total, const RECT& r) {
    if (IsEmptyRect(r)) return;
    if (IsEmptyRect(*total)) {
        *total = r;
        return;
    }
    total->left = std::min(total->left, r.left);
    total->top = std::min(total->top, r.top);
    total->right = std::max(total->right, r.right);
    total->bottom = std::max(total->bottom, r.bottom);
}

}  // namespace

// Where an image of the image folder lands when drawn at (x, y); empty when it is missing. Each
// image is measured once per repaint.
RECT CMainScreen::ImageRect(const wchar_t* fileName, int x, int y) const {
    SIZE size{0, 0};
    bool found = false;
    for (int i = 0; i < m_nMeasured && !found; ++i)
        if (m_Measured[i].pName == fileName) {
            size = m_Measured[i].size;
            found = true;
        }
    if (!found) {
        if (!GetImageSize(fileName, &size)) size = SIZE{0, 0};
        if (m_nMeasured < kMeasuredImages) m_Measured[m_nMeasured++] = MeasuredImage{fileName, size};
    }
    return RECT{x, y, x + size.cx, y + size.cy};
}

void CMainScreen::OnPaint(HDC) {
    FullRepaint();
}

void CMainScreen::ForgetDrawn() {
    m_DrawnUpper.bValid = false;
    m_DrawnValues.bValid = false;
    m_DrawnBand.bValid = false;
}

void CMainScreen::FullRepaint() {
    // Unseen, nothing is drawn: the view repaints in full when it can be seen again.
    if (m_bResting) return;
    RECT window{};
    if (!GetWindowRect(m_View.hWnd, &window)) return;
    HDC hdc = GetDC(m_View.hWnd);
    if (!hdc) return;
    // The two backgrounds cover all but the band of the value boxes, which is black.
    const RECT band{0, kMainUpperHeight, window.right, kMainStripTop};
    FillRect(hdc, &band, (HBRUSH)GetStockObject(BLACK_BRUSH));
    DrawBitmapAt(hdc, IDB_MAIN_TOP, 0, 0, kMainUpperWidth, kMainUpperHeight);
    DrawBitmapAt(hdc, IDB_MAIN_BUTTONS, 0, kMainStripTop, kMainUpperWidth, kMainStripHeight);
    DrawLabel(hdc, MAIN_TEXT_STEPS, kMainStepsLabel);
    DrawLabel(hdc, MAIN_TEXT_CALORIES, kMainCaloriesLabel);
    DrawLabel(hdc, MAIN_TEXT_TIME, kMainTimeLabel);
    DrawValueBoxes(hdc);
    if (m_nGoal > 0) {
        int bar = 0;
        wchar_t text[64];
        GoalBandState(&bar, text, 64);
        DrawGoalBar(hdc, bar);
        DrawGoalText(hdc, text);
    }
    if (m_nRunState == MAIN_STARTING) DrawNotice(hdc);
    DrawRunner(hdc);
    DrawStepDigits(hdc);
    DrawButtons(hdc);
    ReleaseDC(m_View.hWnd, hdc);
    // A full repaint layers labels, boxes and notice differently from the two smaller repaints:
    // the next of each draws its whole area once.
    ForgetDrawn();
}

void CMainScreen::RepaintValueBoxes() {
    if (m_bResting) return;
    if (m_bCompleteRepaints) m_DrawnValues.bValid = false;
    wchar_t calories[64];
    wchar_t time[64];
    FormatCaloriesText(m_dTodayCalories + m_dWorkoutCalories, calories, 64);
    FormatTimeText(int64_t{m_nTodaySeconds} + m_nWorkoutSeconds, time, 64);
    RECT damage{0, 0, 0, 0};
    const bool valid = m_DrawnValues.bValid && m_DrawnValues.nTextOffset == m_View.nTextOffset;
    if (!valid || wcscmp(calories, m_DrawnValues.szCalories) != 0) AddRect(&damage, kCaloriesPart);
    if (!valid || wcscmp(time, m_DrawnValues.szTime) != 0) AddRect(&damage, kTimePart);
    if (IsEmptyRect(damage)) return;

    // The copy of the boxes is black where the boxes leave it.
    HDC hdc = BeginArea(damage);
    if (!hdc) return;
    FillRect(hdc, &damage, (HBRUSH)GetStockObject(BLACK_BRUSH));
    if (Overlaps(damage, kMainCaloriesBox)) DrawValueBox(hdc, kMainCaloriesBox, calories);
    if (Overlaps(damage, kMainTimeBox)) DrawValueBox(hdc, kMainTimeBox, time);
    ReleaseDC(m_View.hWnd, hdc);

    m_DrawnValues.bValid = true;
    m_DrawnValues.nTextOffset = m_View.nTextOffset;
    wcscpy(m_DrawnValues.szCalories, calories);
    wcscpy(m_DrawnValues.szTime, time);
}

RECT CMainScreen::RunnerRect(int frame) const {
    return ImageRect(m_szRunnerFrames[frame], kMainRunnerPos.x, kMainRunnerPos.y);
}

RECT CMainScreen::DigitsDamage(int64_t before, int64_t after) const {
    int oldDigits[MAIN_MAX_DIGITS];
    int newDigits[MAIN_MAX_DIGITS];
    const int oldCount = SplitStepDigits(before, oldDigits);
    const int newCount = SplitStepDigits(after, newDigits);
    RECT area{0, 0, 0, 0};
    // The same number of digits: only the places whose digit changed (usually the last one).
    for (int i = 0; i < oldCount; ++i) {
        const int digit = oldDigits[oldCount - 1 - i];
        if (oldCount == newCount && digit == newDigits[newCount - 1 - i]) continue;
        AddRect(&area, ImageRect(m_szDigits[digit], StepDigitX(oldCount, i), kMainDigitTop));
    }
    for (int i = 0; i < newCount; ++i) {
        const int digit = newDigits[newCount - 1 - i];
        if (oldCount == newCount && digit == oldDigits[oldCount - 1 - i]) continue;
        AddRect(&area, ImageRect(m_szDigits[digit], StepDigitX(newCount, i), kMainDigitTop));
    }
    return area;
}

void CMainScreen::RepaintUpperArea() {
    if (m_bResting) return;
    if (m_bCompleteRepaints) m_DrawnUpper.bValid = false;
    const int64_t total = TodayStepTotal(m_nTodaySteps, m_nWorkoutSteps);
    DrawnUpper& drawn = m_DrawnUpper;
    RECT damage{0, 0, 0, 0};
    RECT runner{0, 0, 0, 0};  // copied from its kept layer
    if (!drawn.bValid || drawn.nRunState != m_nRunState || drawn.nTextOffset != m_View.nTextOffset ||
        drawn.nImageOffset != m_View.nImageOffset) {
        damage = kUpperArea;
        // The whole area measures and composes its images anew, so a changed file shows.
        m_nMeasured = 0;
        m_RunnerLayers.Forget();
    } else {
        // Only the runner (while running) and the step digits change from tick to tick.
        if (m_nRunState == MAIN_RUNNING && drawn.nFrame != m_nRunnerFrame) {
            AddRect(&runner, RunnerRect(drawn.nFrame));
            AddRect(&runner, RunnerRect(m_nRunnerFrame));
        }
        if (drawn.nTotal != total) AddRect(&damage, DigitsDamage(drawn.nTotal, total));
        damage = Clip(damage, kUpperArea);
        // A layer holds the background and the frame alone: it serves only where the frames
        // cover the same rectangle inside the area, above the band of the digits and the label.
        const RECT band = {0, kMainDigitTop, kMainUpperWidth, kMainUpperHeight};
        const bool layered = !IsEmptyRect(runner) && SameRect(runner, Clip(runner, kUpperArea)) &&
                             SameRect(runner, RunnerRect(m_nRunnerFrame)) && !Overlaps(runner, band);
        if (!layered) {
            AddRect(&damage, Clip(runner, kUpperArea));
            runner = RECT{0, 0, 0, 0};
        }
    }
    drawn.bValid = true;
    drawn.nRunState = m_nRunState;
    drawn.nFrame = m_nRunnerFrame;
    drawn.nTotal = total;
    drawn.nTextOffset = m_View.nTextOffset;
    drawn.nImageOffset = m_View.nImageOffset;
    if (!IsEmptyRect(runner) && !DrawRunnerLayer(runner)) AddRect(&damage, runner);
    if (IsEmptyRect(damage)) return;

    // The layers of the upper area in their order, each only where it meets the damage; the
    // background covers the whole area.
    HDC hdc = BeginArea(damage);
    if (!hdc) return;
    DrawBitmapAt(hdc, IDB_MAIN_TOP, 0, 0, kMainUpperWidth, kMainUpperHeight);
    if (m_nRunState == MAIN_RUNNING && Overlaps(damage, RunnerRect(m_nRunnerFrame))) DrawRunner(hdc);
    DrawStepDigits(hdc, &damage);
    if (m_nRunState == MAIN_STARTING) DrawNotice(hdc);
    if (Overlaps(damage, kMainStepsLabel)) DrawLabel(hdc, MAIN_TEXT_STEPS, kMainStepsLabel);
    ReleaseDC(m_View.hWnd, hdc);
}

void CMainScreen::GoalBandState(int* barWidth, wchar_t* text, size_t size) const {
    const int64_t total = TodayStepTotal(m_nTodaySteps, m_nWorkoutSteps);
    *barWidth = GoalBarWidth(total, m_nGoal, kMainGoalTrack.right - kMainGoalTrack.left);
    FormatGoalBandText(total, m_nGoal, TextTable[TEXT_GOAL_TO_GO + m_View.nTextOffset],
                       TextTable[TEXT_GOAL_REACHED + m_View.nTextOffset], text, size);
}

void CMainScreen::RepaintGoalBand() {
    if (m_nGoal <= 0 || m_bResting) return;
    if (m_bCompleteRepaints) m_DrawnBand.bValid = false;
    int bar = 0;
    wchar_t text[64];
    GoalBandState(&bar, text, 64);
    const bool valid = m_DrawnBand.bValid;
    // The bar and the text are apart: each is drawn again only when it changed.
    if (!valid || bar != m_DrawnBand.nBar) {
        if (HDC hdc = BeginArea(kMainGoalTrack)) {
            DrawGoalBar(hdc, bar);
            ReleaseDC(m_View.hWnd, hdc);
        }
    }
    if (!valid || wcscmp(text, m_DrawnBand.szText) != 0) {
        if (HDC hdc = BeginArea(kMainGoalText)) {
            FillRect(hdc, &kMainGoalText, (HBRUSH)GetStockObject(BLACK_BRUSH));
            DrawGoalText(hdc, text);
            ReleaseDC(m_View.hWnd, hdc);
        }
    }
    m_DrawnBand.bValid = true;
    m_DrawnBand.nBar = bar;
    wcscpy(m_DrawnBand.szText, text);
}

void CMainScreen::DrawGoalBar(HDC hdc, int barWidth) {
    HBRUSH track = CreateSolidBrush(MAIN_GOAL_TRACK_COLOR);
    FillRect(hdc, &kMainGoalTrack, track);
    DeleteObject(track);
    if (barWidth <= 0) return;
    const RECT bar = {kMainGoalTrack.left, kMainGoalTrack.top, kMainGoalTrack.left + barWidth,
                      kMainGoalTrack.bottom};
    HBRUSH fill = CreateSolidBrush(MAIN_LABEL_COLOR);
    FillRect(hdc, &bar, fill);
    DeleteObject(fill);
}

void CMainScreen::DrawGoalText(HDC hdc, const wchar_t* text) {
    DrawTextCell(hdc, text, kMainGoalText, MAIN_GOAL_FONT, MAIN_VALUE_COLOR,
                 DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

// The window's DC drawing only inside the area: a repaint draws its layers straight onto the
// window, as the full repaint does, instead of composing them in a canvas to copy.
HDC CMainScreen::BeginArea(const RECT& area) const {
    HDC hdc = GetDC(m_View.hWnd);
    if (hdc && IntersectClipRect(hdc, area.left, area.top, area.right, area.bottom) == ERROR) {
        ReleaseDC(m_View.hWnd, hdc);
        return nullptr;
    }
    return hdc;
}

bool CMainScreen::DrawRunnerLayer(const RECT& rect) {
    HDC window = GetDC(m_View.hWnd);
    if (!window) return false;
    HDC layer = m_RunnerLayers.Layer(m_nRunnerFrame, rect);
    if (!layer) {
        // Composed as the upper area composes it: background, then the frame.
        layer = m_RunnerLayers.Make(window, m_nRunnerFrame, rect);
        if (layer) {
            DrawBitmapAt(layer, IDB_MAIN_TOP, 0, 0, kMainUpperWidth, kMainUpperHeight);
            DrawRunner(layer);
        }
    }
    if (layer)
        BitBlt(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, layer, rect.left,
               rect.top, SRCCOPY);
    ReleaseDC(m_View.hWnd, window);
    return layer != nullptr;
}

void CMainScreen::OnLButtonDown(int x, int y) {
    MainButton button = MainButtonAt(x, y);
    if (button == MAIN_BUTTON_NONE) return;
    FullRepaint();
    switch (button) {
        case MAIN_BUTTON_START_STOP:
            DrawPressedButton(
                m_nRunState == MAIN_STOPPED ? MAIN_IMAGE_START_PRESSED : MAIN_IMAGE_STOP_PRESSED,
                kMainStartStopPos);
            break;
        case MAIN_BUTTON_RESET:
            DrawPressedButton(MAIN_IMAGE_RESET_PRESSED, kMainResetPos);
            break;
        default:
            DrawPressedButton(MAIN_IMAGE_LOG_PRESSED, kMainLogPos);
            break;
    }
    m_bButtonPressed = 1;
}

// The pressed image goes straight onto the window, over the repaint just made.
void CMainScreen::DrawPressedButton(int cell, POINT pos) {
    if (m_bResting) return;
    HDC hdc = GetDC(m_View.hWnd);
    if (!hdc) return;
    DrawImageCell(hdc, cell, pos.x, pos.y);
    ReleaseDC(m_View.hWnd, hdc);
}

void CMainScreen::DrawImageCell(HDC hdc, int cell, int x, int y) {
    DrawImageAt(m_View.hMain, hdc, x, y, ImageTable[cell + m_View.nImageOffset]);
}

void CMainScreen::DrawLabel(HDC hdc, int cell, const RECT& rect) {
    DrawTextCell(hdc, TextTable[cell + m_View.nTextOffset], rect, MAIN_LABEL_FONT, MAIN_LABEL_COLOR, DT_LEFT);
}

void CMainScreen::DrawValueBox(HDC hdc, const RECT& box, const wchar_t* text) {
    FillRect(hdc, &box, (HBRUSH)GetStockObject(BLACK_BRUSH));
    DrawTextCell(hdc, text, box, MAIN_VALUE_FONT, MAIN_VALUE_COLOR, DT_CENTER);
}

void CMainScreen::DrawValueBoxes(HDC hdc) {
    wchar_t text[64];
    FormatCaloriesText(m_dTodayCalories + m_dWorkoutCalories, text, 64);
    DrawValueBox(hdc, kMainCaloriesBox, text);
    FormatTimeText(int64_t{m_nTodaySeconds} + m_nWorkoutSeconds, text, 64);
    DrawValueBox(hdc, kMainTimeBox, text);
}

void CMainScreen::DrawNotice(HDC hdc) {
    DrawImageCell(hdc, MAIN_IMAGE_NOTICE_ICON, kMainNoticeIconPos.x, kMainNoticeIconPos.y);
    DrawTextCell(hdc, TextTable[MAIN_TEXT_NOTICE + m_View.nTextOffset], kMainNoticeText, MAIN_NOTICE_FONT,
                 MAIN_VALUE_COLOR, DT_CENTER);
}

void CMainScreen::DrawRunner(HDC hdc) {
    if (m_nRunState == MAIN_STOPPED)
        DrawImageCell(hdc, MAIN_IMAGE_RUNNER_REST, kMainRunnerPos.x, kMainRunnerPos.y);
    else if (m_nRunState == MAIN_RUNNING)
        DrawImageAt(m_View.hMain, hdc, kMainRunnerPos.x, kMainRunnerPos.y, m_szRunnerFrames[m_nRunnerFrame]);
}

void CMainScreen::DrawStepDigits(HDC hdc, const RECT* only) {
    int digits[MAIN_MAX_DIGITS];
    int count = SplitStepDigits(TodayStepTotal(m_nTodaySteps, m_nWorkoutSteps), digits);
    m_nDigitCount = count;
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = m_szDigits[digits[count - 1 - i]];
        const int x = StepDigitX(count, i);
        if (only && !Overlaps(*only, ImageRect(name, x, kMainDigitTop))) continue;
        DrawImageAt(m_View.hMain, hdc, x, kMainDigitTop, name);
    }
}

void CMainScreen::DrawButtons(HDC hdc) {
    DrawImageCell(hdc, m_nRunState == MAIN_STOPPED ? MAIN_IMAGE_START : MAIN_IMAGE_STOP, kMainStartStopPos.x,
                  kMainStartStopPos.y);
    DrawImageCell(hdc, MAIN_IMAGE_RESET, kMainResetPos.x, kMainResetPos.y);
    DrawImageCell(hdc, MAIN_IMAGE_LOG, kMainLogPos.x, kMainLogPos.y);
}
