// GDI subset on cairo and pango: device contexts on the one 480x800 framebuffer, memory DCs,
// bitmaps, brushes, pens, fonts and text.
#pragma once

#include "platform/win_types.h"

#define SRCCOPY 0x00CC0020u

#define CLR_INVALID 0xFFFFFFFFu

#define TRANSPARENT 1
#define OPAQUE 2

// Stock objects
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13

// Pens
#define PS_SOLID 0
#define PS_DASH 1
#define PS_NULL 5

// DrawTextW
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400

// ExtTextOutW
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define LF_FACESIZE 32
#define FW_NORMAL 400
#define FW_BOLD 700
#define DEFAULT_CHARSET 1
#define HANGUL_CHARSET 129

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};

// Widths of a character: blank before its ink, the ink, blank after it (abcA + abcB + abcC is
// its advance).
struct ABC {
    int abcA;
    UINT abcB;
    int abcC;
};
typedef ABC* LPABC;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

// The face name of the platform's Korean Gothic UI font (rendered with NanumGothic).
#define MV_KOREAN_UI_FONT L"Nanum Gothic"

// Device contexts. A window DC draws into the framebuffer with its origin at the window's
// top-left, clipped to the window minus visible children and siblings above it.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hdc);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
// A new bitmap is opaque black.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ GetStockObject(int index);
int GetObjectW(HGDIOBJ obj, int size, LPVOID out);
// Moves the DC's origin: logical (0, 0) lands on device (x, y) (the MM_TEXT mapping).
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous);
// Narrows where the DC draws to its clip and the rectangle (logical coordinates). A DC starts
// without a clip of its own and keeps it until released or deleted. Returns NULLREGION,
// SIMPLEREGION or ERROR.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop);
// Copies every source pixel except those of the key colour.
BOOL TransparentImage(HDC dst, int x, int y, int width, int height, HANDLE src, int srcX, int srcY,
                      int srcWidth, int srcHeight, COLORREF transparentKey);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
HPEN CreatePen(int style, int width, COLORREF color);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
BOOL LineTo(HDC hdc, int x, int y);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);

HFONT CreateFontIndirectW(const LOGFONTW* lf);
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF SetBkColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
// Width and height of a single line of text in the DC's font.
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size);
// ABC widths of the characters first..last in the DC's font.
BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, LPABC abc);
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx);
