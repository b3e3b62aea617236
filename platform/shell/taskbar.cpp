// The task bar along the top 52 rows: the main window's title, notification icons, the clock and
// the "ok" button shown while the main window carries WS_EX_CAPTIONOKBTN.
#include <algorithm>
#include <string>

#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

const UINT_PTR kPollTimer = 1;
const UINT kPollMs = 1000;

const int kOkWidth = 76;
const int kOkMargin = 6;
const int kClockWidth = 76;
const int kIconSize = 32;
const int kIconGap = 6;
const int kTitleLeft = 14;

struct TaskBarState {
    MvShellPress press;  // the "ok" button is button 0
    // What was last drawn, so that the poll repaints only on change.
    std::wstring title;
    bool ok = false;
    int minute = -1;
    // While nobody can see the screen the clock is not polled.
    HPOWERNOTIFY displayNotify = nullptr;
    bool displayOff = false;
};

HWND g_hTaskBar = nullptr;
TaskBarState g_state;

bool MainHasOkButton(HWND main) {
    if (main == nullptr) return false;
    DWORD exStyle = static_cast<DWORD>(GetWindowLongW(main, GWL_EXSTYLE));
    return (exStyle & static_cast<DWORD>(WS_EX_CAPTIONOKBTN)) != 0;
}

std::wstring MainTitle(HWND main) {
    if (main == nullptr) return std::wstring();
    wchar_t buffer[128] = {};
    int length = GetWindowTextW(main, buffer, 128);
    if (length <= 0) return std::wstring();
    return std::wstring(buffer, static_cast<size_t>(length));
}

int MinuteOfDay() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 60 + now.wMinute;
}

RECT OkRectClient() {
    return RECT{MV_SCREEN_WIDTH - kOkMargin - kOkWidth, kOkMargin, MV_SCREEN_WIDTH - kOkMargin,
                MV_TASKBAR_HEIGHT - kOkMargin};
}

void DrawTextIn(HDC hdc, const std::wstring& text, RECT rect, HFONT font, COLORREF color, UINT format) {
    HGDIOBJ oldFont = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, color);
    DrawTextW(hdc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SelectObject(hdc, oldFont);
}

void DrawOkButton(HDC hdc, const RECT& rect, bool pressed) {
    MvShellFillButton(hdc, rect, pressed, RGB(0x5A, 0x61, 0x6C), RGB(0x2C, 0x30, 0x37));
    COLORREF edge = pressed ? RGB(0x6F, 0xA8, 0xF0) : RGB(0x78, 0x80, 0x8C);
    MvShellHLine(hdc, rect.left + 1, rect.right - 1, rect.top, edge);
    MvShellHLine(hdc, rect.left + 1, rect.right - 1, rect.bottom - 1, RGB(0x0A, 0x0B, 0x0D));
    MvShellVLine(hdc, rect.left, rect.top + 1, rect.bottom - 1, edge);
    MvShellVLine(hdc, rect.right - 1, rect.top + 1, rect.bottom - 1, RGB(0x0A, 0x0B, 0x0D));
    HFONT font = MvShellCreateFont(26, true);
    DrawTextIn(hdc, L"ok", rect, font, MV_CHROME_TEXT, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DeleteObject(font);
}

void Compose(HDC hdc) {
    HWND main = MvShellMainWindow();
    g_state.title = MainTitle(main);
    g_state.ok = MainHasOkButton(main);
    g_state.minute = MinuteOfDay();

    RECT bar = {0, 0, MV_SCREEN_WIDTH, MV_TASKBAR_HEIGHT};
    MvShellFillGradient(hdc, bar, MV_CHROME_TOP, MV_CHROME_BOTTOM);
    MvShellHLine(hdc, 0, MV_SCREEN_WIDTH, 0, RGB(0x5C, 0x63, 0x6E));
    MvShellHLine(hdc, 0, MV_SCREEN_WIDTH, MV_TASKBAR_HEIGHT - 1, RGB(0x00, 0x00, 0x00));

    int right = MV_SCREEN_WIDTH - kOkMargin;
    if (g_state.ok) {
        RECT ok = OkRectClient();
        DrawOkButton(hdc, ok, g_state.press.Shows(0));
        right = ok.left - kOkMargin;
    }

    wchar_t clock[8];
    swprintf(clock, 8, L"%02d:%02d", g_state.minute / 60, g_state.minute % 60);
    RECT clockRect = {right - kClockWidth, 0, right, MV_TASKBAR_HEIGHT};
    HFONT clockFont = MvShellCreateFont(25, false);
    DrawTextIn(hdc, clock, clockRect, clockFont, MV_CHROME_TEXT, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    DeleteObject(clockFont);
    right = clockRect.left - kIconGap;

    // Notification icons, newest nearest the clock.
    for (int i = MvNotificationCount() - 1; i >= 0; --i) {
        HICON icon = MvNotificationIcon(i);
        if (icon == nullptr) continue;
        int x = right - kIconSize;
        if (x < kTitleLeft + 40) break;
        MvDrawIcon(hdc, icon, x, (MV_TASKBAR_HEIGHT - kIconSize) / 2, kIconSize, kIconSize);
        right = x - kIconGap;
    }

    if (!g_state.title.empty()) {
        RECT titleRect = {kTitleLeft, 0, right, MV_TASKBAR_HEIGHT};
        HFONT titleFont = MvShellCreateFont(28, true);
        DrawTextIn(hdc, g_state.title, titleRect, titleFont, MV_CHROME_TEXT,
                   DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        DeleteObject(titleFont);
    }
}

void Poll(HWND hWnd) {
    HWND main = MvShellMainWindow();
    if (MainTitle(main) != g_state.title || MainHasOkButton(main) != g_state.ok ||
        MinuteOfDay() != g_state.minute) {
        InvalidateRect(hWnd, nullptr, FALSE);
    }
}

void OnStylus(HWND hWnd, UINT message, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    // The live style decides, not the last drawing: input is handled before a pending repaint.
    const bool overOk = MainHasOkButton(MvShellMainWindow()) && MvPointInRect(OkRectClient(), x, y);
    if (MvShellTrackPress(hWnd, &g_state.press, message, overOk ? 0 : -1) == 0) {
        HWND main = MvShellMainWindow();
        if (main != nullptr) PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    }
}

LRESULT CALLBACK TaskBarProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            // The bar may wait to share a wake the program has anyway.
            SetCoalescableTimer(hWnd, kPollTimer, kPollMs, nullptr, kPollMs / 2);
            g_state.displayNotify = RegisterPowerSettingNotification(hWnd, &GUID_CONSOLE_DISPLAY_STATE,
                                                                     DEVICE_NOTIFY_WINDOW_HANDLE);
            return 0;
        case WM_POWERBROADCAST: {
            const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
            if (wParam != PBT_POWERSETTINGCHANGE || setting == nullptr ||
                !(setting->PowerSetting == GUID_CONSOLE_DISPLAY_STATE))
                return TRUE;
            const bool off = setting->Data[0] == 0;
            if (off == g_state.displayOff) return TRUE;
            g_state.displayOff = off;
            if (off) {
                KillTimer(hWnd, kPollTimer);
            } else {
                Poll(hWnd);
                SetCoalescableTimer(hWnd, kPollTimer, kPollMs, nullptr, kPollMs / 2);
            }
            return TRUE;
        }
        case WM_PAINT:
            MvShellPaintOffscreen(hWnd, MV_SCREEN_WIDTH, MV_TASKBAR_HEIGHT, Compose);
            return 0;
        case WM_TIMER:
            if (wParam == kPollTimer) Poll(hWnd);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            OnStylus(hWnd, message, lParam);
            return 0;
        case MV_WM_SHELL_EXPOSE: {
            RECT rect = {LOWORD(wParam), HIWORD(wParam), LOWORD(lParam), HIWORD(lParam)};
            MvShellExposeRect(rect);
            return 0;
        }
        case WM_DESTROY:
            KillTimer(hWnd, kPollTimer);
            if (g_state.displayNotify != nullptr) UnregisterPowerSettingNotification(g_state.displayNotify);
            if (g_hTaskBar == hWnd) g_hTaskBar = nullptr;
            g_state = TaskBarState();
            return 0;
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

}  // namespace

bool MvRegisterTaskBarClass(HINSTANCE hInstance) {
    return MvShellRegisterClass(hInstance, TaskBarProc, MV_TASKBAR_CLASS);
}

HWND MvCreateTaskBar(HINSTANCE hInstance) {
    if (g_hTaskBar != nullptr && IsWindow(g_hTaskBar)) return g_hTaskBar;
    g_hTaskBar = CreateWindowExW(WS_EX_TOPMOST, MV_TASKBAR_CLASS, L"", WS_VISIBLE, 0, 0, MV_SCREEN_WIDTH,
                                 MV_TASKBAR_HEIGHT, nullptr, nullptr, hInstance, nullptr);
    if (g_hTaskBar != nullptr) UpdateWindow(g_hTaskBar);
    return g_hTaskBar;
}

void MvTaskBarRefresh() {
    if (g_hTaskBar != nullptr && IsWindow(g_hTaskBar)) InvalidateRect(g_hTaskBar, nullptr, FALSE);
}

void MvShellExposeLater(const RECT& screenRect) {
    RECT rect = {std::clamp<LONG>(screenRect.left, 0, MV_SCREEN_WIDTH),
                 std::clamp<LONG>(screenRect.top, 0, MV_SCREEN_HEIGHT),
                 std::clamp<LONG>(screenRect.right, 0, MV_SCREEN_WIDTH),
                 std::clamp<LONG>(screenRect.bottom, 0, MV_SCREEN_HEIGHT)};
    if (rect.left >= rect.right || rect.top >= rect.bottom) return;
    if (g_hTaskBar != nullptr && IsWindow(g_hTaskBar)) {
        PostMessageW(g_hTaskBar, MV_WM_SHELL_EXPOSE, MAKEWPARAM(rect.left, rect.top),
                     MAKELPARAM(rect.right, rect.bottom));
    } else {
        MvShellExposeRect(rect);
    }
}

RECT MvTaskBarOkRect() {
    RECT empty = {0, 0, 0, 0};
    if (g_hTaskBar == nullptr || !IsWindow(g_hTaskBar) || !IsWindowVisible(g_hTaskBar)) return empty;
    if (!MainHasOkButton(MvShellMainWindow())) return empty;
    RECT ok = OkRectClient();
    RECT bar;
    if (!GetWindowRect(g_hTaskBar, &bar)) return empty;
    ok.left += bar.left;
    ok.right += bar.left;
    ok.top += bar.top;
    ok.bottom += bar.top;
    return ok;
}
