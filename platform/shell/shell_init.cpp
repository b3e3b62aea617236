// Shell start-up: registers the chrome's window classes and creates the task bar; also the
// helpers that find the program's main window and repaint what a vanished chrome window uncovered.
#include <set>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

HINSTANCE g_hShellInstance = nullptr;
HWND g_hLastMain = nullptr;

bool IsShellClass(const std::wstring& name) {
    return name == MV_TASKBAR_CLASS || name == MV_MENUBAR_CLASS || name == MV_MSGBOX_CLASS ||
           name == MV_SIP_CLASS;
}

bool IsCandidateMain(HWND hWnd) {
    return hWnd != nullptr && IsWindow(hWnd) && IsWindowVisible(hWnd) && !MvIsShellWindow(hWnd);
}

}  // namespace

void MvShellInit(HINSTANCE hInstance) {
    g_hShellInstance = hInstance;
    // Registration fails harmlessly when a class already exists (a second start in one process).
    MvRegisterTaskBarClass(hInstance);
    MvRegisterMenuBarClass(hInstance);
    MvRegisterEditClass(hInstance);
    MvRegisterMessageBoxClass(hInstance);
    MvRegisterInputPanelClass(hInstance);
    MvCreateTaskBar(hInstance);
}

HINSTANCE MvShellInstance() {
    return g_hShellInstance;
}

bool MvIsShellWindow(HWND hWnd) {
    if (hWnd == nullptr) return false;
    return IsShellClass(MvWindowClassName(MvTopLevelOf(hWnd)));
}

HWND MvTopLevelOf(HWND hWnd) {
    HWND current = hWnd;
    while (current != nullptr) {
        HWND parent = GetParent(current);
        if (parent == nullptr) break;
        current = parent;
    }
    return current;
}

HWND MvShellMainWindow() {
    HWND foreground = MvTopLevelOf(GetForegroundWindow());
    if (IsCandidateMain(foreground)) {
        g_hLastMain = foreground;
        return foreground;
    }
    if (IsCandidateMain(g_hLastMain)) return g_hLastMain;
    // No usable foreground window: look at what covers the screen below the task bar.
    static const int kXs[] = {240, 20, 460};
    static const int kYs[] = {400, 80, 200, 600, 720, 780};
    for (int y : kYs) {
        for (int x : kXs) {
            HWND top = MvTopLevelOf(MvWindowFromPoint(x, y));
            if (IsCandidateMain(top)) {
                g_hLastMain = top;
                return top;
            }
        }
    }
    return nullptr;
}

void MvShellExposeRect(const RECT& screenRect) {
    const int kCell = 8;
    std::set<HWND> seen;
    std::vector<RECT> uncovered;
    for (int y = screenRect.top; y < screenRect.bottom; y += kCell) {
        for (int x = screenRect.left; x < screenRect.right; x += kCell) {
            RECT cell = {x, y, x + kCell, y + kCell};
            if (cell.right > screenRect.right) cell.right = screenRect.right;
            if (cell.bottom > screenRect.bottom) cell.bottom = screenRect.bottom;
            HWND hit = MvWindowFromPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
            if (hit == nullptr) {
                uncovered.push_back(cell);
            } else if (seen.insert(hit).second) {
                // Only the part that was covered needs painting, in the window's client coordinates.
                RECT windowRect;
                RECT dirty = screenRect;
                if (GetWindowRect(hit, &windowRect)) {
                    dirty.left -= windowRect.left;
                    dirty.right -= windowRect.left;
                    dirty.top -= windowRect.top;
                    dirty.bottom -= windowRect.top;
                    InvalidateRect(hit, &dirty, FALSE);
                } else {
                    InvalidateRect(hit, nullptr, FALSE);
                }
            }
        }
    }
    if (!uncovered.empty()) {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
            for (const RECT& cell : uncovered) FillRect(screen, &cell, black);
            ReleaseDC(nullptr, screen);
        }
    }
}
