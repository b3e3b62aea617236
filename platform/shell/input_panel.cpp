// The input panel: an on-screen numeric keypad just above the soft-key bar. Its keys type into
// the focused window with WM_CHAR; the panel itself never takes the focus.
#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

const int kColumns = 3;
const int kRows = 4;
const int kKeyHeight = 60;
const int kPanelHeight = kRows * kKeyHeight;
const int kGap = 3;
const wchar_t kHideKey = 0;  // lowers the panel

// Keys in reading order: digits, then hide, 0 and backspace.
const wchar_t kKeys[kRows * kColumns] = {L'1', L'2', L'3', L'4',     L'5', L'6',
                                         L'7', L'8', L'9', kHideKey, L'0', L'\b'};

HWND g_hPanel = nullptr;
MvShellPress g_press;

RECT PanelRect() {
    const int bottom = MV_SCREEN_HEIGHT - MV_MENUBAR_HEIGHT;
    return RECT{0, bottom - kPanelHeight, MV_SCREEN_WIDTH, bottom};
}

RECT KeyRect(int index) {
    const int column = index % kColumns;
    const int row = index / kColumns;
    const int left = column * MV_SCREEN_WIDTH / kColumns;
    const int right = (column + 1) * MV_SCREEN_WIDTH / kColumns;
    return RECT{left + kGap, row * kKeyHeight + kGap, right - kGap, (row + 1) * kKeyHeight - kGap};
}

int KeyAt(int x, int y) {
    for (int i = 0; i < kRows * kColumns; ++i) {
        const RECT key = KeyRect(i);
        // Gaps belong to the nearest key so that no tap falls between keys.
        const RECT hit = {key.left - kGap, key.top - kGap, key.right + kGap, key.bottom + kGap};
        if (MvPointInRect(hit, x, y)) return i;
    }
    return -1;
}

// A left-pointing arrow with a cross: the backspace glyph, drawn with fills.
void DrawBackspace(HDC hdc, const RECT& key, COLORREF color) {
    const int cx = (key.left + key.right) / 2;
    const int cy = (key.top + key.bottom) / 2;
    const int half = 12;
    for (int dx = 0; dx <= half; ++dx) {
        const int x = cx - 18 + dx;
        MvShellVLine(hdc, x, cy - dx, cy + dx + 1, color);
    }
    RECT body = {cx - 6, cy - half, cx + 22, cy + half + 1};
    MvShellFillSolid(hdc, body, color);
    // A cross cut into the body.
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(0x30, 0x34, 0x3B));
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    MoveToEx(hdc, cx + 2, cy - 6, nullptr);
    LineTo(hdc, cx + 14, cy + 6);
    MoveToEx(hdc, cx + 14, cy - 6, nullptr);
    LineTo(hdc, cx + 2, cy + 6);
    SelectObject(hdc, oldPen);
    DeleteObject(pen);
}

// A downward triangle over a bar: lowers the panel.
void DrawHide(HDC hdc, const RECT& key, COLORREF color) {
    const int cx = (key.left + key.right) / 2;
    const int cy = (key.top + key.bottom) / 2 - 4;
    for (int dy = 0; dy < 12; ++dy) MvShellHLine(hdc, cx - 14 + dy, cx + 15 - dy, cy - 6 + dy, color);
    RECT bar = {cx - 14, cy + 10, cx + 15, cy + 13};
    MvShellFillSolid(hdc, bar, color);
}

void Compose(HDC hdc) {
    RECT all = {0, 0, MV_SCREEN_WIDTH, kPanelHeight};
    MvShellFillSolid(hdc, all, RGB(0x1A, 0x1C, 0x20));
    MvShellHLine(hdc, 0, MV_SCREEN_WIDTH, 0, MV_CHROME_LINE);
    HFONT font = MvShellCreateFont(34, true);
    HGDIOBJ oldFont = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, MV_CHROME_TEXT);
    for (int i = 0; i < kRows * kColumns; ++i) {
        RECT key = KeyRect(i);
        const bool down = g_press.Shows(i);
        const bool digit = kKeys[i] >= L'0' && kKeys[i] <= L'9';
        // Digits are lighter than the hide and backspace keys.
        MvShellFillButton(hdc, key, down, digit ? RGB(0x4E, 0x55, 0x60) : RGB(0x36, 0x3B, 0x43),
                          digit ? RGB(0x34, 0x39, 0x41) : RGB(0x24, 0x28, 0x2E));
        MvShellHLine(hdc, key.left, key.right, key.top, RGB(0x70, 0x78, 0x84));
        if (digit) {
            DrawTextW(hdc, &kKeys[i], 1, &key, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        } else if (kKeys[i] == L'\b') {
            DrawBackspace(hdc, key, MV_CHROME_TEXT);
        } else {
            DrawHide(hdc, key, MV_CHROME_TEXT);
        }
    }
    SelectObject(hdc, oldFont);
    DeleteObject(font);
}

void Press(int index) {
    const wchar_t key = kKeys[index];
    if (key == kHideKey) {
        SipShowIM(SIPF_OFF);
        return;
    }
    HWND focus = GetFocus();
    if (focus != nullptr) PostMessageW(focus, WM_CHAR, key, 1);
}

void OnStylus(HWND hWnd, UINT message, LPARAM lParam) {
    const int over = KeyAt(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
    const int tapped = MvShellTrackPress(hWnd, &g_press, message, over);
    if (tapped >= 0) Press(tapped);
}

LRESULT CALLBACK InputPanelProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            MvShellPaintOffscreen(hWnd, MV_SCREEN_WIDTH, kPanelHeight, Compose);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            OnStylus(hWnd, message, lParam);
            return 0;
        case WM_DESTROY:
            if (g_hPanel == hWnd) g_hPanel = nullptr;
            g_press = MvShellPress();
            return 0;
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

// The foreground window learns that the panel went up or down, as the shell tells every window.
void AnnounceChange() {
    HWND foreground = GetForegroundWindow();
    if (foreground != nullptr) PostMessageW(foreground, WM_SETTINGCHANGE, SPI_SETSIPINFO, 0);
}

bool PanelUp() {
    return g_hPanel != nullptr && IsWindow(g_hPanel) && IsWindowVisible(g_hPanel);
}

}  // namespace

bool MvRegisterInputPanelClass(HINSTANCE hInstance) {
    return MvShellRegisterClass(hInstance, InputPanelProc, MV_SIP_CLASS);
}

BOOL SipShowIM(DWORD flags) {
    if (flags & SIPF_ON) {
        if (g_hPanel == nullptr || !IsWindow(g_hPanel)) {
            const RECT rect = PanelRect();
            g_hPanel = CreateWindowExW(0, MV_SIP_CLASS, L"", 0, rect.left, rect.top, rect.right - rect.left,
                                       rect.bottom - rect.top, nullptr, nullptr, MvShellInstance(), nullptr);
            if (g_hPanel == nullptr) return FALSE;
        }
        if (!IsWindowVisible(g_hPanel)) {
            BringWindowToTop(g_hPanel);
            ShowWindow(g_hPanel, SW_SHOW);
            UpdateWindow(g_hPanel);
            AnnounceChange();
        }
        return TRUE;
    }
    if (PanelUp()) {
        g_press = MvShellPress();
        ShowWindow(g_hPanel, SW_HIDE);
        MvShellExposeRect(PanelRect());
        AnnounceChange();
    }
    return TRUE;
}

BOOL SipGetInfo(SIPINFO* info) {
    if (info == nullptr || info->cbSize < sizeof(SIPINFO)) return FALSE;
    const RECT panel = PanelRect();
    const bool up = PanelUp();
    info->fdwFlags = up ? SIPF_ON : SIPF_OFF;
    info->rcSipRect = panel;
    info->rcVisibleDesktop = RECT{0, MV_TASKBAR_HEIGHT, MV_SCREEN_WIDTH, up ? panel.top : panel.bottom};
    info->dwImDataSize = 0;
    info->pvImData = nullptr;
    return TRUE;
}

HWND MvInputPanelWindow() {
    return g_hPanel != nullptr && IsWindow(g_hPanel) ? g_hPanel : nullptr;
}

bool MvInputPanelKeyRect(wchar_t ch, RECT* rect) {
    if (rect == nullptr || ch == kHideKey) return false;
    for (int i = 0; i < kRows * kColumns; ++i) {
        if (kKeys[i] != ch) continue;
        *rect = KeyRect(i);
        const RECT panel = PanelRect();
        rect->top += panel.top;
        rect->bottom += panel.top;
        return true;
    }
    return false;
}
