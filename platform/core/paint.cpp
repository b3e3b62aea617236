// Invalid areas and painting. Nothing is erased: a window shows what was on the screen until it
// paints (the program's classes use NULL_BRUSH).
#include <algorithm>

#include "platform/core/core_state.h"
#include "platform/win_gdi.h"
#include "platform/win_window.h"

using namespace mv;

BOOL InvalidateRect(HWND hWnd, const RECT* rect, BOOL) {
    Core& g = CoreState();
    Lock lk(g.mutex);
    if (hWnd == nullptr) {
        for (auto& entry : g.windows)
            if (VisibleLocked(entry.second.get())) InvalidateLocked(entry.second.get(), nullptr, false);
        WakeUiLocked();
        return TRUE;
    }
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    InvalidateLocked(w, rect, false);
    WakeUiLocked();
    return TRUE;
}

BOOL ValidateRect(HWND hWnd, const RECT* rect) {
    Lock lk(CoreState().mutex);
    Window* w = WindowLocked(hWnd);
    if (w == nullptr) return FALSE;
    if (!w->invalid) return TRUE;
    if (rect == nullptr || (rect->left <= w->invalidRect.left && rect->top <= w->invalidRect.top &&
                            rect->right >= w->invalidRect.right && rect->bottom >= w->invalidRect.bottom)) {
        w->invalid = false;
        w->invalidRect = RECT{0, 0, 0, 0};
    }
    return TRUE;
}

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* ps) {
    if (ps == nullptr) return nullptr;
    *ps = PAINTSTRUCT{};
    {
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return nullptr;
        ps->rcPaint = w->invalid ? w->invalidRect
                                 : RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        w->invalid = false;
        w->invalidRect = RECT{0, 0, 0, 0};
    }
    ps->fErase = FALSE;
    ps->hdc = GetDC(hWnd);
    return ps->hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* ps) {
    if (ps == nullptr) return FALSE;
    if (ps->hdc != nullptr) ReleaseDC(hWnd, ps->hdc);
    return TRUE;
}

BOOL UpdateWindow(HWND hWnd) {
    {
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr) return FALSE;
        if (!w->invalid || !VisibleLocked(w)) return TRUE;
    }
    SendMessageW(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}
