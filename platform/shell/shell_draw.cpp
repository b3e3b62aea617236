// Helpers shared by the shell chrome: class registration, fonts, gradients, lines, off-screen
// painting and the stylus tracking of its buttons.
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

bool MvShellRegisterClass(HINSTANCE hInstance, WNDPROC proc, LPCWSTR className) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = hInstance;
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = className;
    return RegisterClassW(&wc) != 0;
}

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

void MvShellFillButton(HDC hdc, const RECT& rect, bool down, COLORREF top, COLORREF bottom) {
    if (down) {
        MvShellFillGradient(hdc, rect, MV_CHROME_PRESSED_TOP, MV_CHROME_PRESSED_BOTTOM);
    } else {
        MvShellFillGradient(hdc, rect, top, bottom);
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

void MvShellPaintOffscreen(HWND hWnd, int width, int height, const std::function<void(HDC)>& compose) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (hdc == nullptr) return;
    if (compose) {
        HDC memory = CreateCompatibleDC(hdc);
        HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        compose(memory);
        BitBlt(hdc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(hWnd, &ps);
}

int MvShellTrackPress(HWND hWnd, MvShellPress* press, UINT message, int over) {
    if (message == WM_LBUTTONDOWN) {
        press->pressed = over;
        press->inside = over >= 0;
        if (over >= 0) InvalidateRect(hWnd, nullptr, FALSE);
        return -1;
    }
    if (press->pressed < 0) return -1;
    const bool inside = over == press->pressed;
    if (message == WM_MOUSEMOVE) {
        if (inside != press->inside) {
            press->inside = inside;
            InvalidateRect(hWnd, nullptr, FALSE);
        }
        return -1;
    }
    const int pressed = press->pressed;
    *press = MvShellPress();
    InvalidateRect(hWnd, nullptr, FALSE);
    return inside ? pressed : -1;
}
