// Drawing conventions shared by the views: images through the main window's image drawer,
// bitmaps from the resources, one font per text, and off-screen composition.
#include "app/draw_util.h"

#include <cstring>
#include <cwchar>

#include "common/messages.h"
#include "app/view_common.h"

void DrawImageAt(HWND hMain, HDC hdc, int x, int y, const wchar_t* fileName) {
    SendMessageW(hMain, UM_SET_IMAGE_POS, (WPARAM)x, (LPARAM)y);
    SendMessageW(hMain, UM_DRAW_IMAGE, (WPARAM)hdc, (LPARAM)fileName);
    SendMessageW(hMain, UM_RELEASE_IMAGE, 0, 0);
}

void DrawBitmapAt(HDC hdc, int bitmapId, int x, int y, int width, int height) {
    HBITMAP bitmap = LoadBitmapW(GetAppInstance(), MAKEINTRESOURCEW(bitmapId));
    if (!bitmap) return;
    HDC memDC = CreateCompatibleDC(hdc);
    if (memDC) {
        HGDIOBJ old = SelectObject(memDC, bitmap);
        BitBlt(hdc, x, y, width, height, memDC, 0, 0, SRCCOPY);
        SelectObject(memDC, old);
        DeleteDC(memDC);
    }
    DeleteObject(bitmap);
}

void DrawTextCell(HDC hdc, const wchar_t* text, const RECT& rect, int fontHeight, COLORREF color,
                  UINT format) {
    SetBkMode(hdc, TRANSPARENT);
    LOGFONTW font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = fontHeight;
    wcsncpy(font.lfFaceName, MV_KOREAN_UI_FONT, LF_FACESIZE - 1);
    SetTextColor(hdc, color);
    HFONT hFont = CreateFontIndirectW(&font);
    HGDIOBJ oldFont = hFont ? SelectObject(hdc, hFont) : nullptr;

    // The drawing buffer holds 99 units and the terminator; longer texts are cut there.
    wchar_t buffer[100] = {};
    if (text) wcsncpy(buffer, text, 99);
    RECT area = rect;
    DrawTextW(hdc, buffer, -1, &area, format);

    if (hFont) {
        SelectObject(hdc, oldFont);
        DeleteObject(hFont);
    }
}

bool BeginOffscreen(HWND hView, OffscreenCanvas* canvas) {
    if (!canvas) return false;
    *canvas = OffscreenCanvas{};
    RECT rect = {};
    if (!GetWindowRect(hView, &rect)) return false;
    canvas->nWidth = rect.right;
    canvas->nHeight = rect.bottom - 52;
    canvas->hWindowDC = GetDC(hView);
    if (!canvas->hWindowDC) return false;
    canvas->hMemDC = CreateCompatibleDC(canvas->hWindowDC);
    canvas->hBitmap = CreateCompatibleBitmap(canvas->hWindowDC, canvas->nWidth, canvas->nHeight);
    if (!canvas->hMemDC || !canvas->hBitmap) {
        EndOffscreen(hView, canvas, 0, 0, 0, 0);
        return false;
    }
    canvas->hOldBitmap = SelectObject(canvas->hMemDC, canvas->hBitmap);
    return true;
}

void EndOffscreen(HWND hView, OffscreenCanvas* canvas, int x, int y, int width, int height) {
    if (!canvas) return;
    if (canvas->hWindowDC && canvas->hMemDC && canvas->hBitmap && width > 0 && height > 0)
        BitBlt(canvas->hWindowDC, x, y, width, height, canvas->hMemDC, x, y, SRCCOPY);
    if (canvas->hMemDC) {
        if (canvas->hOldBitmap) SelectObject(canvas->hMemDC, canvas->hOldBitmap);
        DeleteDC(canvas->hMemDC);
    }
    if (canvas->hBitmap) DeleteObject(canvas->hBitmap);
    if (canvas->hWindowDC) ReleaseDC(hView, canvas->hWindowDC);
    *canvas = OffscreenCanvas{};
}
