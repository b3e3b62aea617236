// Drawing helpers shared by the shell chrome: fonts, gradients, lines.
#include "platform/shell_internal.h"
#include "platform/windows.h"

HFONT MvShellCreateFont(int height, bool bold) {
    LOGFONTW lf = {};
    lf.lfHeight = height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = HANGUL_CHARSET;
    lf.lfQuality = 5;
    const wchar_t* face = MV_KOREAN_UI_FONT;
    for (int i = 0; i < LF_FACESIZE - 1 && face[i] != 0; ++i) lf.lfFaceName[i] = face[i];
    return CreateFontIndirectW(&lf);
}

void MvShellFillSolid(HDC hdc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void MvShellFillGradient(HDC hdc, const RECT& rect, COLORREF top, COLORREF bottom) {
    const int height = rect.bottom - rect.top;
    if (height <= 0) return;
    // Bands of a few rows keep the number of brushes small while the steps stay invisible.
    const int kBand = 2;
    for (int y = 0; y < height; y += kBand) {
        const int span = height > 1 ? height - 1 : 1;
        auto mix = [&](int a, int b) { return a + (b - a) * y / span; };
        COLORREF color = RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                             mix(GetBValue(top), GetBValue(bottom)));
        RECT band = {rect.left, rect.top + y, rect.right, rect.top + y + kBand};
        if (band.bottom > rect.bottom) band.bottom = rect.bottom;
        MvShellFillSolid(hdc, band, color);
    }
}

void MvShellHLine(HDC hdc, int x0, int x1, int y, COLORREF color) {
    RECT line = {x0, y, x1, y + 1};
    MvShellFillSolid(hdc, line, color);
}

void MvShellVLine(HDC hdc, int x, int y0, int y1, COLORREF color) {
    RECT line = {x, y0, x + 1, y1};
    MvShellFillSolid(hdc, line, color);
}

bool MvPointInRect(const RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}
