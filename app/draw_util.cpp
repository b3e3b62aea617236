// Drawing conventions shared by the views: images through the main window's image drawer,
// bitmaps from the resources, one font per text, and off-screen composition.
#include "app/draw_util.h"

#include <cstring>
#include <cwchar>

#include "app/app_path.h"
#include "app/view_common.h"
#include "common/messages.h"

void DrawImageAt(HWND hMain, HDC hdc, int x, int y, const wchar_t* fileName) {
    SendMessageW(hMain, UM_SET_IMAGE_POS, (WPARAM)x, (LPARAM)y);
    SendMessageW(hMain, UM_DRAW_IMAGE, (WPARAM)hdc, (LPARAM)fileName);
    SendMessageW(hMain, UM_RELEASE_IMAGE, 0, 0);
}

bool GetImageSize(const wchar_t* fileName, SIZE* size) {
    if (!fileName || !size) return false;
    const std::wstring path = CAppPath().GetImageDir() + fileName;
    if (path.size() >= MAX_PATH) return false;
    CoInitializeEx(nullptr, 0);
    IImagingFactory* factory = nullptr;
    IImage* image = nullptr;
    bool ok = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IImagingFactory,
                                   (LPVOID*)&factory)) &&
        factory && SUCCEEDED(factory->CreateImageFromFile(path.c_str(), &image)) && image) {
        ImageInfo info = {};
        if (SUCCEEDED(image->GetImageInfo(&info))) {
            size->cx = (LONG)info.Width;
            size->cy = (LONG)info.Height;
            ok = true;
        }
    }
    if (image) image->Release();
    if (factory) factory->Release();
    CoUninitialize();
    return ok;
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

namespace {

// The smallest font a text is shrunk to; below it a text is no longer read anyway.
constexpr int kSmallestFontHeight = 8;

HFONT CreateCellFont(int fontHeight) {
    LOGFONTW font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = fontHeight;
    wcsncpy(font.lfFaceName, MV_KOREAN_UI_FONT, LF_FACESIZE - 1);
    return CreateFontIndirectW(&font);
}

// Width the text takes in the font selected into hdc (its widest line). Measured with the
// alignment it is drawn with, which leaves the width as it is, so that the text is laid out once
// for the measure and the draw that follows.
int TextWidth(HDC hdc, const wchar_t* text, UINT format) {
    RECT need = {0, 0, 0, 0};
    DrawTextW(hdc, text, -1, &need, (format & (DT_SINGLELINE | DT_CENTER | DT_RIGHT)) | DT_CALCRECT);
    return need.right - need.left;
}

// Whether the text, placed in the box as DrawTextW places it, shows whole. A text wider than the
// box may still show all of its ink: blanks at either end and the blank sides of the outer
// characters may stick out (a centred "100 : 00 : 00 " does).
bool ShowsWhole(HDC hdc, const wchar_t* text, const RECT& rect, UINT format) {
    const int boxWidth = rect.right - rect.left;
    const int width = TextWidth(hdc, text, format);
    if (width <= boxWidth) return true;
    if (!(format & DT_SINGLELINE) && wcschr(text, L'\n')) return false;
    const size_t length = wcslen(text);
    size_t first = 0;
    while (first < length && text[first] == L' ') ++first;
    size_t end = length;
    while (end > first && text[end - 1] == L' ') --end;
    if (first == end) return true;
    wchar_t part[100] = {};
    wcsncpy(part, text, end);
    const int visibleEnd = TextWidth(hdc, part, format);
    part[first] = L'\0';
    const int visibleStart = first > 0 ? TextWidth(hdc, part, format) : 0;
    ABC head = {}, tail = {};
    if (!GetCharABCWidthsW(hdc, text[first], text[first], &head)) head = ABC{};
    if (!GetCharABCWidthsW(hdc, text[end - 1], text[end - 1], &tail)) tail = ABC{};
    int x = rect.left;
    if (format & DT_CENTER)
        x = rect.left + (boxWidth - width) / 2;
    else if (format & DT_RIGHT)
        x = rect.right - width;
    return x + visibleStart + head.abcA >= rect.left && x + visibleEnd - tail.abcC <= rect.right;
}

}  // namespace

void DrawTextCell(HDC hdc, const wchar_t* text, const RECT& rect, int fontHeight, COLORREF color,
                  UINT format) {
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, color);
    HFONT hFont = CreateCellFont(fontHeight);
    HGDIOBJ oldFont = hFont ? SelectObject(hdc, hFont) : nullptr;

    // The drawing buffer holds 99 units and the terminator; longer texts are cut there.
    wchar_t buffer[100] = {};
    if (text) wcsncpy(buffer, text, 99);

    // A text wider than its box would be cut at the box's edge: it is drawn a pixel smaller at a
    // time until it fits, in the same box with the same alignment. Texts that fit are untouched.
    if (hFont && !(format & DT_WORDBREAK) && buffer[0] != L'\0') {
        int height = fontHeight;
        while (height > kSmallestFontHeight && !ShowsWhole(hdc, buffer, rect, format)) {
            HFONT smaller = CreateCellFont(--height);
            if (!smaller) break;
            SelectObject(hdc, smaller);
            DeleteObject(hFont);
            hFont = smaller;
        }
    }
    RECT area = rect;
    DrawTextW(hdc, buffer, -1, &area, format);

    if (hFont) {
        SelectObject(hdc, oldFont);
        DeleteObject(hFont);
    }
}

namespace {

// The window's DC, a memory DC and a bitmap of canvas->nWidth x nHeight selected into it.
bool MakeOffscreen(HWND hView, OffscreenCanvas* canvas) {
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

}  // namespace

bool BeginOffscreen(HWND hView, OffscreenCanvas* canvas) {
    if (!canvas) return false;
    *canvas = OffscreenCanvas{};
    RECT rect = {};
    if (!GetWindowRect(hView, &rect)) return false;
    canvas->nWidth = rect.right;
    canvas->nHeight = rect.bottom - 52;
    return MakeOffscreen(hView, canvas);
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
