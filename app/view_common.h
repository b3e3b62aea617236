// What every view shares: its window, index, shown flag, the other index of the last
// Show(true, ...), its soft-key bar and its own language offsets; and the common Show pattern.
#pragma once

#include "platform/windows.h"

struct ViewCommon {
    HWND hMain = nullptr;
    HWND hWnd = nullptr;
    int nIndex = 0;
    bool bShown = false;
    int nOther = 0;
    HWND hMenuBar = nullptr;
    int nTextOffset = 0;
    int nImageOffset = 0;
};

enum class CaptionOk { Clear, Set, Leave };

// The instance handle stored by InitInstance.
HINSTANCE GetAppInstance();

// Creates the view's child window over the main window's client area (480 x 696).
BOOL CreateViewWindow(ViewCommon& view, HWND parent, int index);
// Show(true, other): caption OK button per `caption` (then the task bar is hidden and re-shown),
// soft-key bar barKorean or barEnglish by the text offset, shown flag, other index, SW_SHOW and
// UpdateWindow. Show(false, ...): bar destroyed, SW_HIDE, UpdateWindow.
void ShowViewCommon(ViewCommon& view, bool show, int other, CaptionOk caption, UINT barKorean,
                    UINT barEnglish);
// languageIndex 1: text offset 56, image offset 59; anything else 0 and 0.
void SetLanguageOffsets(ViewCommon& view, int languageIndex);
