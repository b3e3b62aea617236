// Drawing conventions shared by the views: images through the image drawer's three messages,
// bitmaps from the resources, one font per text.
#pragma once

#include "platform/windows.h"

// UM_SET_IMAGE_POS, UM_DRAW_IMAGE, UM_RELEASE_IMAGE to the main window: the PNG from the
// image folder at its natural size, alpha respected; nothing when the file is missing.
void DrawImageAt(HWND hMain, HDC hdc, int x, int y, const wchar_t* fileName);
// The natural size of a PNG of the image folder; false when it is missing or unreadable.
bool GetImageSize(const wchar_t* fileName, SIZE* size);
// LoadBitmapW(id), selected into a memory DC, BitBlt SRCCOPY at (x, y), all freed again.
void DrawBitmapAt(HDC hdc, int bitmapId, int x, int y, int width, int height);
// SetBkMode(TRANSPARENT), a font of fontHeight pixels in the Korean Gothic UI face, the colour,
// the text copied into a 100-unit buffer, DrawTextW, font restored and deleted.
void DrawTextCell(HDC hdc, const wchar_t* text, const RECT& rect, int fontHeight, COLORREF color,
                  UINT format);

// Off-screen composition of a full view: a memory DC with a black bitmap of the view window's
// size (GetWindowRect: width = right, height = bottom - 52).
struct OffscreenCanvas {
    HDC hWindowDC = nullptr;
    HDC hMemDC = nullptr;
    HBITMAP hBitmap = nullptr;
    HGDIOBJ hOldBitmap = nullptr;
    int nWidth = 0;
    int nHeight = 0;
};
bool BeginOffscreen(HWND hView, OffscreenCanvas* canvas);
// Copies (srcX, srcY, width, height) of the canvas to the same place in the window, then frees all.
void EndOffscreen(HWND hView, OffscreenCanvas* canvas, int x, int y, int width, int height);
