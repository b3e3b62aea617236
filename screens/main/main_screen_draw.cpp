// The main view's drawing: backgrounds, labels, the two value boxes, the runner, the battery
// notice, the step digits and the buttons, composed off-screen for each of the three repaints.
#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "resources/resource_ids.h"
#include "screens/main/main_layout.h"
#include "screens/main/main_screen.h"

void CMainScreen::OnPaint(HDC) {
    FullRepaint();
}

void CMainScreen::FullRepaint() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    HDC hdc = canvas.hMemDC;
    DrawBitmapAt(hdc, IDB_MAIN_TOP, 0, 0, kMainUpperWidth, kMainUpperHeight);
    DrawBitmapAt(hdc, IDB_MAIN_BUTTONS, 0, kMainStripTop, kMainUpperWidth, kMainStripHeight);
    DrawLabel(hdc, MAIN_TEXT_STEPS, kMainStepsLabel);
    DrawLabel(hdc, MAIN_TEXT_CALORIES, kMainCaloriesLabel);
    DrawLabel(hdc, MAIN_TEXT_TIME, kMainTimeLabel);
    DrawValueBoxes(hdc);
    if (m_nRunState == MAIN_STARTING) DrawNotice(hdc);
    DrawRunner(hdc);
    DrawStepDigits(hdc);
    DrawButtons(hdc);
    EndOffscreen(m_View.hWnd, &canvas, 0, 0, canvas.nWidth, canvas.nHeight);
}

void CMainScreen::RepaintValueBoxes() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    DrawValueBoxes(canvas.hMemDC);
    EndOffscreen(m_View.hWnd, &canvas, kMainValueCopy.left, kMainValueCopy.top,
                 kMainValueCopy.right - kMainValueCopy.left, kMainValueCopy.bottom - kMainValueCopy.top);
}

void CMainScreen::RepaintUpperArea() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    HDC hdc = canvas.hMemDC;
    DrawBitmapAt(hdc, IDB_MAIN_TOP, 0, 0, kMainUpperWidth, kMainUpperHeight);
    if (m_nRunState == MAIN_RUNNING) DrawRunner(hdc);
    DrawStepDigits(hdc);
    if (m_nRunState == MAIN_STARTING) DrawNotice(hdc);
    DrawLabel(hdc, MAIN_TEXT_STEPS, kMainStepsLabel);
    EndOffscreen(m_View.hWnd, &canvas, 0, 0, kMainUpperWidth, kMainUpperHeight);
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

void CMainScreen::DrawValueBoxes(HDC hdc) {
    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wchar_t text[64];

    FillRect(hdc, &kMainCaloriesBox, black);
    FormatCaloriesText(m_dTodayCalories + m_dWorkoutCalories, text, 64);
    DrawTextCell(hdc, text, kMainCaloriesBox, MAIN_VALUE_FONT, MAIN_VALUE_COLOR, DT_CENTER);

    FillRect(hdc, &kMainTimeBox, black);
    FormatTimeText(int64_t{m_nTodaySeconds} + m_nWorkoutSeconds, text, 64);
    DrawTextCell(hdc, text, kMainTimeBox, MAIN_VALUE_FONT, MAIN_VALUE_COLOR, DT_CENTER);
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

void CMainScreen::DrawStepDigits(HDC hdc) {
    int digits[MAIN_MAX_DIGITS];
    int count = SplitStepDigits(int64_t{m_nTodaySteps} + m_nWorkoutSteps, digits);
    m_nDigitCount = count;
    for (int i = 0; i < count; ++i)
        DrawImageAt(m_View.hMain, hdc, StepDigitX(count, i), kMainDigitTop,
                    m_szDigits[digits[count - 1 - i]]);
}

void CMainScreen::DrawButtons(HDC hdc) {
    DrawImageCell(hdc, m_nRunState == MAIN_STOPPED ? MAIN_IMAGE_START : MAIN_IMAGE_STOP, kMainStartStopPos.x,
                  kMainStartStopPos.y);
    DrawImageCell(hdc, MAIN_IMAGE_RESET, kMainResetPos.x, kMainResetPos.y);
    DrawImageCell(hdc, MAIN_IMAGE_LOG, kMainLogPos.x, kMainLogPos.y);
}
