// Shared pieces of the shell chrome (task bar, soft-key bars, input panel, message box, edit
// control): class names, registration, look, and the helpers the chrome windows share.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <functional>
#include <string>

#include "platform/mv_platform.h"
#include "platform/win_types.h"
#include "platform/win_window.h"

// Window classes of the shell.
#define MV_TASKBAR_CLASS L"HHTaskBar"
#define MV_MENUBAR_CLASS L"menu_worker"
#define MV_EDIT_CLASS L"edit"
#define MV_SIP_CLASS L"SipWndClass"

// Colours of the chrome (COLORREF, 0x00BBGGRR).
#define MV_CHROME_TOP RGB(0x3A, 0x3F, 0x47)
#define MV_CHROME_BOTTOM RGB(0x12, 0x14, 0x18)
#define MV_CHROME_PRESSED_TOP RGB(0x2E, 0x6E, 0xC8)
#define MV_CHROME_PRESSED_BOTTOM RGB(0x1A, 0x4A, 0x90)
#define MV_CHROME_LINE RGB(0x55, 0x5B, 0x66)
#define MV_CHROME_TEXT RGB(0xFF, 0xFF, 0xFF)

// Class registration, one per chrome window kind (called by MvShellInit).
bool MvRegisterTaskBarClass(HINSTANCE hInstance);
bool MvRegisterMenuBarClass(HINSTANCE hInstance);
bool MvRegisterEditClass(HINSTANCE hInstance);
bool MvRegisterMessageBoxClass(HINSTANCE hInstance);
bool MvRegisterInputPanelClass(HINSTANCE hInstance);
// Registers a chrome window class that paints all of its client area itself (no background brush).
bool MvShellRegisterClass(HINSTANCE hInstance, WNDPROC proc, LPCWSTR className);

// The instance handle given to MvShellInit.
HINSTANCE MvShellInstance();

// True for the top-level windows the shell owns (task bar, soft-key bars, message boxes, input panel).
bool MvIsShellWindow(HWND hWnd);
// The top-level ancestor of a window.
HWND MvTopLevelOf(HWND hWnd);
// The program's main window: the foreground top-level window, or else the first visible top-level
// window not owned by the shell found on the screen. NULL when there is none.
HWND MvShellMainWindow();

// Task bar: creates the window (rows 0-51) and asks it to redraw (notification changes).
HWND MvCreateTaskBar(HINSTANCE hInstance);
void MvTaskBarRefresh();
// The task bar's "ok" button in screen coordinates; empty when it is not shown.
RECT MvTaskBarOkRect();

// Notification icons, in the order they were added (their count: mv_platform.h).
HICON MvNotificationIcon(int index);

// Message box: the active box's buttons in screen coordinates (the box itself: mv_platform.h).
bool MvMessageBoxButtonRect(int result, RECT* rect);

// The screen rectangle of the input panel's key that types ch (L'\b' for backspace); the panel's
// window: mv_platform.h.
bool MvInputPanelKeyRect(wchar_t ch, RECT* rect);

// Asks the task bar to expose a screen rectangle once the current message is done (a window being
// destroyed still covers its rectangle); without a task bar it exposes at once.
#define MV_WM_SHELL_EXPOSE (WM_APP + 0x2F1)
void MvShellExposeLater(const RECT& screenRect);

// After a shell window went away: repaints what lies below the screen rectangle (windows there
// are invalidated; uncovered screen is painted black).
void MvShellExposeRect(const RECT& screenRect);

// Drawing helpers shared by the chrome.
HFONT MvShellCreateFont(int height, bool bold);
// Vertical gradient from top to bottom colour over a rectangle.
void MvShellFillGradient(HDC hdc, const RECT& rect, COLORREF top, COLORREF bottom);
void MvShellFillSolid(HDC hdc, const RECT& rect, COLORREF color);
// A button's face: the pressed gradient while it is held down, else its own gradient.
void MvShellFillButton(HDC hdc, const RECT& rect, bool down, COLORREF top, COLORREF bottom);
void MvShellHLine(HDC hdc, int x0, int x1, int y, COLORREF color);
void MvShellVLine(HDC hdc, int x, int y0, int y1, COLORREF color);
bool MvPointInRect(const RECT& rect, int x, int y);

// Answers WM_PAINT by composing the window's width x height client area off screen and copying it
// in at once, so that the chrome never shows half-drawn. Without compose it only validates.
void MvShellPaintOffscreen(HWND hWnd, int width, int height, const std::function<void(HDC)>& compose);

// A stylus stroke over a row of buttons: down on a button presses it, sliding off and back shows it
// released and pressed again, and lifting it over the button it went down on is a tap.
struct MvShellPress {
    int pressed = -1;     // button the stylus went down on, -1 when none
    bool inside = false;  // the held stylus is over that button
    bool Shows(int index) const { return pressed == index && inside; }
};
// Follows one stylus message; `over` is the button under the stylus that can be pressed (-1 for
// none). Invalidates hWnd when the look changes; returns the tapped button on the lift, else -1.
int MvShellTrackPress(HWND hWnd, MvShellPress* press, UINT message, int over);
