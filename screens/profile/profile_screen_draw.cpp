// The profile view's drawing: the two input rows, the language choice, and the fields'
// backgrounds (a slice of the focused or the plain input bitmap behind each field).
#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "resources/resource_ids.h"
#include "screens/profile/profile_layout.h"
#include "screens/profile/profile_screen.h"

namespace {

// The top-left part (width x height) of a bitmap resource as a pattern brush.
HBRUSH MakeFieldBrush(int bitmapId, int width, int height) {
    HBITMAP source = LoadBitmapW(GetAppInstance(), MAKEINTRESOURCEW(bitmapId));
    if (!source) return nullptr;
    HDC screen = GetDC(nullptr);
    HDC sourceDC = CreateCompatibleDC(screen);
    HDC sliceDC = CreateCompatibleDC(screen);
    HBITMAP slice = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldSource = SelectObject(sourceDC, source);
    HGDIOBJ oldSlice = SelectObject(sliceDC, slice);
    BitBlt(sliceDC, 0, 0, width, height, sourceDC, 0, 0, SRCCOPY);
    SelectObject(sliceDC, oldSlice);
    SelectObject(sourceDC, oldSource);
    DeleteDC(sliceDC);
    DeleteDC(sourceDC);
    ReleaseDC(nullptr, screen);
    DeleteObject(source);
    HBRUSH brush = slice ? CreatePatternBrush(slice) : nullptr;
    if (slice) DeleteObject(slice);
    return brush;
}

void ReplaceFieldBrush(HWND field, HBRUSH* brush) {
    if (*brush) DeleteObject(*brush);
    *brush = nullptr;
    if (!field) return;
    RECT rect = {};
    GetClientRect(field, &rect);
    const int bitmapId = GetFocus() == field ? IDB_INPUT_SMALL_FOCUS : IDB_INPUT_SMALL;
    *brush = MakeFieldBrush(bitmapId, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace

void CProfileScreen::UpdateFieldBrushes() {
    ReplaceFieldBrush(m_hHeight, &m_hHeightBrush);
    ReplaceFieldBrush(m_hWeight, &m_hWeightBrush);
    ReplaceFieldBrush(m_hGoal, &m_hGoalBrush);
}

HBRUSH CProfileScreen::OnCtlColorEdit(HDC hdc, HWND hEdit) {
    SetBkMode(hdc, TRANSPARENT);
    if (hEdit && hEdit == m_hHeight) return m_hHeightBrush;
    if (hEdit && hEdit == m_hWeight) return m_hWeightBrush;
    if (hEdit && hEdit == m_hGoal) return m_hGoalBrush;
    return nullptr;
}

void CProfileScreen::OnPaint(HDC) {
    FullRepaint();
}

void CProfileScreen::FullRepaint() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    HDC hdc = canvas.hMemDC;
    DrawField(hdc, m_hHeight, PROFILE_TEXT_HEIGHT, L"cm", kProfileHeightBoxTop, kProfileUnitX);
    DrawField(hdc, m_hWeight, PROFILE_TEXT_WEIGHT, L"kg", kProfileWeightBoxTop, kProfileUnitX);
    DrawLanguageChoice(hdc);
    DrawField(hdc, m_hGoal, TEXT_GOAL_LABEL, TextTable[TEXT_GOAL_UNIT + m_View.nTextOffset],
              kProfileGoalBoxTop, kProfileGoalUnitX);
    if (m_nShift > 0 && m_nShift < canvas.nHeight) {
        // Moved up for the input panel: the rows under the content stay as the canvas has them
        // (blank), and the panel covers them.
        BitBlt(canvas.hWindowDC, 0, 0, canvas.nWidth, canvas.nHeight - m_nShift, hdc, 0, m_nShift, SRCCOPY);
        BitBlt(canvas.hWindowDC, 0, canvas.nHeight - m_nShift, canvas.nWidth, m_nShift, hdc, 0,
               canvas.nHeight - m_nShift, SRCCOPY);
        EndOffscreen(m_View.hWnd, &canvas, 0, 0, 0, 0);
        return;
    }
    EndOffscreen(m_View.hWnd, &canvas, 0, 0, canvas.nWidth, canvas.nHeight);
}

void CProfileScreen::DrawField(HDC hdc, HWND hField, int labelCell, const wchar_t* unit, int top, int unitX) {
    const bool focused = hField && GetFocus() == hField;
    DrawBitmapAt(hdc, focused ? IDB_INPUT_LARGE_FOCUS : IDB_INPUT_LARGE, kProfileBoxX, top, kProfileBoxWidth,
                 kProfileBoxHeight);
    const RECT label = {15, top - kProfileLabelOffset, 450, top - kProfileLabelOffset + 40};
    DrawTextCell(hdc, TextTable[labelCell + m_View.nTextOffset], label, PROFILE_FONT, PROFILE_TEXT_COLOR,
                 DT_LEFT);
    const int fieldTop = top + kProfileFieldOffset;
    const RECT unitRect = {unitX, fieldTop, 480, fieldTop + kProfileFieldHeight};
    DrawTextCell(hdc, unit, unitRect, PROFILE_FONT, PROFILE_TEXT_COLOR, DT_LEFT);
    const int leftCap = focused ? PROFILE_IMAGE_LEFT_CAP_FOCUS : PROFILE_IMAGE_LEFT_CAP;
    const int rightCap = focused ? PROFILE_IMAGE_RIGHT_CAP_FOCUS : PROFILE_IMAGE_RIGHT_CAP;
    DrawImageAt(m_View.hMain, hdc, kProfileLeftCapX, top, ImageTable[leftCap + m_View.nImageOffset]);
    DrawImageAt(m_View.hMain, hdc, kProfileRightCapX, top, ImageTable[rightCap + m_View.nImageOffset]);
}

void CProfileScreen::DrawLanguageChoice(HDC hdc) {
    DrawTextCell(hdc, TextTable[PROFILE_TEXT_LANGUAGE + m_View.nTextOffset], kProfileLanguageLabel,
                 PROFILE_FONT, PROFILE_TEXT_COLOR, DT_LEFT);
    DrawTextCell(hdc, TextTable[PROFILE_TEXT_KOREAN + m_View.nTextOffset], kProfileKoreanChoice, PROFILE_FONT,
                 PROFILE_TEXT_COLOR, DT_CENTER | DT_VCENTER);
    DrawTextCell(hdc, TextTable[PROFILE_TEXT_ENGLISH], kProfileEnglishChoice, PROFILE_FONT,
                 PROFILE_TEXT_COLOR, DT_CENTER | DT_VCENTER);
    DrawImageAt(m_View.hMain, hdc, kProfileKoreanBox.x, kProfileKoreanBox.y,
                ImageTable[PROFILE_IMAGE_CHOICE]);
    DrawImageAt(m_View.hMain, hdc, kProfileEnglishBox.x, kProfileEnglishBox.y,
                ImageTable[PROFILE_IMAGE_CHOICE]);
    if (m_nSelection == 0)
        DrawImageAt(m_View.hMain, hdc, kProfileKoreanSelected.x, kProfileKoreanSelected.y,
                    ImageTable[PROFILE_IMAGE_CHOICE_SELECTED]);
    else if (m_nSelection == 1)
        DrawImageAt(m_View.hMain, hdc, kProfileEnglishSelected.x, kProfileEnglishSelected.y,
                    ImageTable[PROFILE_IMAGE_CHOICE_SELECTED]);
}
