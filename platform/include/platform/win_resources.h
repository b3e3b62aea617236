// Resources compiled into the executable: strings, menu bars, accelerators, icons and bitmaps.
// resources/ fills an MV_RESOURCE_MODULE and registers it before WinMain runs.
#pragma once

#include "platform/win_types.h"

#define FVIRTKEY 0x01
#define FNOINVERT 0x02
#define FSHIFT 0x04
#define FCONTROL 0x08
#define FALT 0x10

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

struct MV_RES_STRING {
    UINT id;
    const wchar_t* text;
};

// A menu-bar (SHMENUBAR) block: menu id, button count, then per button seven WORDs:
// image (0xFFFE none), command id, state, style, label string id, 0, sub-menu (0xFFFF none).
struct MV_RES_MENUBAR {
    UINT id;
    const WORD* words;
    int wordCount;
};

struct MV_RES_ACCELTABLE {
    UINT id;
    const ACCEL* entries;
    int count;
};

// Icons and bitmaps are stored PNG-encoded.
struct MV_RES_IMAGE {
    UINT id;
    const unsigned char* png;
    size_t size;
    // The same image drawn at twice and three times its size, for screens of more pixels (null
    // when there is none; then the one above is resampled).
    const unsigned char* png2x = nullptr;
    size_t size2x = 0;
    const unsigned char* png3x = nullptr;
    size_t size3x = 0;
};

struct MV_RESOURCE_MODULE {
    const MV_RES_STRING* strings;
    int stringCount;
    const MV_RES_MENUBAR* menuBars;
    int menuBarCount;
    const MV_RES_ACCELTABLE* accelTables;
    int accelTableCount;
    const MV_RES_IMAGE* icons;
    int iconCount;
    const MV_RES_IMAGE* bitmaps;
    int bitmapCount;
};

void MvRegisterResources(const MV_RESOURCE_MODULE* module);
const MV_RESOURCE_MODULE* MvGetResources();

int LoadStringW(HINSTANCE hInstance, UINT id, LPWSTR buffer, int bufferMax);
HICON LoadIconW(HINSTANCE hInstance, LPCWSTR name);
HBITMAP LoadBitmapW(HINSTANCE hInstance, LPCWSTR name);
HACCEL LoadAcceleratorsW(HINSTANCE hInstance, LPCWSTR name);
// Turns a matching WM_KEYDOWN into WM_COMMAND (first matching entry wins); returns non-zero if so.
int TranslateAcceleratorW(HWND hWnd, HACCEL accel, LPMSG msg);
BOOL DestroyIcon(HICON icon);
