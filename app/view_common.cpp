// What every view shares: its child window over the main window, the Show pattern with the
// title-bar OK button and the soft-key bar, and the language offsets.
#include "app/view_common.h"

#include <cstring>

#include "app/text_tables.h"

namespace {
// Height of the platform task bar: view windows start that far below the main window's top.
constexpr int kTaskBarHeight = 52;
constexpr DWORD kCaptionOkButton = 0x80000000u;

void ApplyCaptionOk(HWND hMain, CaptionOk caption) {
    if (caption == CaptionOk::Leave || !hMain) return;
    DWORD style = (DWORD)GetWindowLongW(hMain, GWL_EXSTYLE);
    if (caption == CaptionOk::Set)
        style |= kCaptionOkButton;
    else
        style &= ~kCaptionOkButton;
    SetWindowLongW(hMain, GWL_EXSTYLE, (LONG)style);
    // Hiding and re-showing the task bar makes it redraw with or without its OK button.
    HWND hTaskBar = FindWindowW(L"HHTaskBar", nullptr);
    if (hTaskBar) {
        ShowWindow(hTaskBar, SW_HIDE);
        ShowWindow(hTaskBar, SW_SHOW);
    }
}
}  // namespace

BOOL CreateViewWindow(ViewCommon& view, HWND parent, int index) {
    view.hMain = parent;
    view.nIndex = index;
    RECT rect = {};
    GetWindowRect(parent, &rect);
    view.hWnd = CreateWindowExW(0, L"Simple", L"Simple", WS_CHILD | WS_VISIBLE, rect.left,
                                rect.top - kTaskBarHeight, rect.right, rect.bottom - kTaskBarHeight, parent,
                                (HMENU)(intptr_t)index, GetAppInstance(), nullptr);
    return view.hWnd != nullptr;
}

void ShowViewCommon(ViewCommon& view, bool show, int other, CaptionOk caption, UINT barKorean,
                    UINT barEnglish) {
    if (!view.hWnd) return;
    if (show) {
        ApplyCaptionOk(view.hMain, caption);
        // A bar left over from an earlier showing would stay on screen forever: drop it.
        if (view.hMenuBar) {
            DestroyWindow(view.hMenuBar);
            view.hMenuBar = nullptr;
        }
        SHMENUBARINFO info;
        memset(&info, 0, sizeof(info));
        info.cbSize = sizeof(info);
        info.hwndParent = view.hMain;
        info.dwFlags = SHCMBF_HIDESIPBUTTON;
        info.nToolBarId = view.nTextOffset != 0 ? barEnglish : barKorean;
        info.hInstRes = GetAppInstance();
        view.hMenuBar = SHCreateMenuBar(&info) ? info.hwndMB : nullptr;
        view.bShown = true;
        view.nOther = other;
        ShowWindow(view.hWnd, SW_SHOW);
        UpdateWindow(view.hWnd);
    } else {
        if (view.hMenuBar) {
            DestroyWindow(view.hMenuBar);
            view.hMenuBar = nullptr;
        }
        view.bShown = false;
        ShowWindow(view.hWnd, SW_HIDE);
        UpdateWindow(view.hWnd);
    }
}

void SetLanguageOffsets(ViewCommon& view, int languageIndex) {
    bool english = languageIndex == LANGUAGE_ENGLISH;
    view.nTextOffset = english ? TEXT_OFFSET_ENGLISH : 0;
    view.nImageOffset = english ? IMAGE_OFFSET_ENGLISH : 0;
}
