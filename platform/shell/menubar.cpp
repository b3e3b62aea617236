// Soft-key bars: two buttons along the bottom 52 rows, made from a menu-bar resource. A tap on a
// button (lifted over the button it went down on) sends its command to the bar's parent.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

const WORD kStateEnabled = 0x04;
const int kWordsPerButton = 7;
const int kMaxButtons = 2;

struct SoftKey {
    WORD command = 0;
    bool enabled = false;
    std::wstring label;
};

struct MenuBar {
    HWND parent = nullptr;
    int buttonCount = 0;
    SoftKey buttons[kMaxButtons];
    MvShellPress press;
};

std::map<HWND, MenuBar> g_bars;
std::vector<HWND> g_barOrder;  // creation order, newest last

const MV_RES_MENUBAR* FindMenuBarResource(UINT id) {
    const MV_RESOURCE_MODULE* module = MvGetResources();
    if (module == nullptr || module->menuBars == nullptr) return nullptr;
    for (int i = 0; i < module->menuBarCount; ++i) {
        if (module->menuBars[i].id == id) return &module->menuBars[i];
    }
    return nullptr;
}

// Reads the SHMENUBAR word block; false when it is malformed.
bool ParseMenuBar(const MV_RES_MENUBAR& resource, HINSTANCE hInstance, MenuBar* bar) {
    if (resource.words == nullptr || resource.wordCount < 2) return false;
    const int count = resource.words[1];
    if (count < 0 || resource.wordCount < 2 + count * kWordsPerButton) return false;
    bar->buttonCount = count < kMaxButtons ? count : kMaxButtons;
    for (int i = 0; i < bar->buttonCount; ++i) {
        const WORD* words = resource.words + 2 + i * kWordsPerButton;
        SoftKey& key = bar->buttons[i];
        key.command = words[1];
        key.enabled = (words[2] & kStateEnabled) != 0;
        wchar_t label[64] = {};
        int length = LoadStringW(hInstance, words[4], label, 64);
        if (length > 0) key.label.assign(label, static_cast<size_t>(length));
    }
    return true;
}

MenuBar* FindBar(HWND hWnd) {
    auto it = g_bars.find(hWnd);
    return it == g_bars.end() ? nullptr : &it->second;
}

RECT ButtonRect(int index) {
    const int half = MV_SCREEN_WIDTH / 2;
    return RECT{index * half, 0, (index + 1) * half, MV_MENUBAR_HEIGHT};
}

int ButtonAt(const MenuBar& bar, int x, int y) {
    for (int i = 0; i < bar.buttonCount; ++i) {
        if (MvPointInRect(ButtonRect(i), x, y)) return i;
    }
    return -1;
}

void SendCommand(const MenuBar& bar, int index) {
    if (index < 0 || index >= bar.buttonCount || !bar.buttons[index].enabled) return;
    // Posted, so that the parent may destroy this bar while handling the command.
    if (bar.parent != nullptr)
        PostMessageW(bar.parent, WM_COMMAND, MAKEWPARAM(bar.buttons[index].command, 0), 0);
}

void Compose(HDC hdc, const MenuBar& bar) {
    RECT all = {0, 0, MV_SCREEN_WIDTH, MV_MENUBAR_HEIGHT};
    MvShellFillGradient(hdc, all, MV_CHROME_TOP, MV_CHROME_BOTTOM);
    HFONT font = MvShellCreateFont(28, true);
    HGDIOBJ oldFont = SelectObject(hdc, font);
    SetBkMode(hdc, TRANSPARENT);
    for (int i = 0; i < bar.buttonCount; ++i) {
        RECT rect = ButtonRect(i);
        if (bar.press.Shows(i)) {
            MvShellFillGradient(hdc, rect, MV_CHROME_PRESSED_TOP, MV_CHROME_PRESSED_BOTTOM);
        }
        const SoftKey& key = bar.buttons[i];
        SetTextColor(hdc, key.enabled ? MV_CHROME_TEXT : RGB(0x80, 0x86, 0x90));
        DrawTextW(hdc, key.label.c_str(), static_cast<int>(key.label.size()), &rect,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(hdc, oldFont);
    DeleteObject(font);
    MvShellHLine(hdc, 0, MV_SCREEN_WIDTH, 0, RGB(0x5C, 0x63, 0x6E));
    if (bar.buttonCount > 1) {
        const int half = MV_SCREEN_WIDTH / 2;
        MvShellVLine(hdc, half - 1, 10, MV_MENUBAR_HEIGHT - 10, RGB(0x08, 0x09, 0x0B));
        MvShellVLine(hdc, half, 10, MV_MENUBAR_HEIGHT - 10, MV_CHROME_LINE);
    }
}

void Paint(HWND hWnd) {
    MvShellPaintOffscreen(hWnd, MV_SCREEN_WIDTH, MV_MENUBAR_HEIGHT, [hWnd](HDC hdc) {
        static const MenuBar kEmpty;
        const MenuBar* bar = FindBar(hWnd);
        Compose(hdc, bar != nullptr ? *bar : kEmpty);
    });
}

void OnStylus(HWND hWnd, UINT message, LPARAM lParam) {
    MenuBar* bar = FindBar(hWnd);
    if (bar == nullptr) return;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    // A disabled button cannot be pressed, so it counts as no button.
    int over = ButtonAt(*bar, x, y);
    if (over >= 0 && !bar->buttons[over].enabled) over = -1;
    const int tapped = MvShellTrackPress(hWnd, &bar->press, message, over);
    if (tapped >= 0) SendCommand(*bar, tapped);
}

void Forget(HWND hWnd) {
    g_bars.erase(hWnd);
    for (auto it = g_barOrder.begin(); it != g_barOrder.end(); ++it) {
        if (*it == hWnd) {
            g_barOrder.erase(it);
            break;
        }
    }
}

// TB_GETBUTTONINFOW / TB_SETBUTTONINFOW: a button's label; its index, or -1.
LRESULT ButtonInfo(HWND hWnd, UINT message, WPARAM wParam, TBBUTTONINFOW* info) {
    MenuBar* bar = FindBar(hWnd);
    if (bar == nullptr || info == nullptr || info->cbSize < sizeof(TBBUTTONINFOW)) return -1;
    int index = -1;
    if (info->dwMask & TBIF_BYINDEX) {
        index = static_cast<int>(wParam) < bar->buttonCount ? static_cast<int>(wParam) : -1;
    } else {
        for (int i = 0; i < bar->buttonCount; ++i)
            if (bar->buttons[i].command == wParam) index = i;
    }
    if (index < 0 || (info->dwMask & TBIF_TEXT) == 0) return index;
    SoftKey& key = bar->buttons[index];
    if (message == TB_SETBUTTONINFOW) {
        key.label = info->pszText != nullptr ? info->pszText : L"";
        InvalidateRect(hWnd, nullptr, FALSE);
    } else if (info->pszText != nullptr && info->cchText > 0) {
        const size_t n = std::min(key.label.size(), static_cast<size_t>(info->cchText - 1));
        key.label.copy(info->pszText, n);
        info->pszText[n] = L'\0';
    }
    return index;
}

LRESULT CALLBACK MenuBarProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case TB_GETBUTTONINFOW:
        case TB_SETBUTTONINFOW:
            return ButtonInfo(hWnd, message, wParam, reinterpret_cast<TBBUTTONINFOW*>(lParam));
        case WM_PAINT:
            Paint(hWnd);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            OnStylus(hWnd, message, lParam);
            return 0;
        case WM_DESTROY: {
            RECT rect;
            // The style bit, not IsWindowVisible: a window being destroyed no longer counts as visible.
            const bool shown = (static_cast<DWORD>(GetWindowLongW(hWnd, GWL_STYLE)) & WS_VISIBLE) != 0;
            if (shown && GetWindowRect(hWnd, &rect)) MvShellExposeLater(rect);
            Forget(hWnd);
            return 0;
        }
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

// The bar that is on top at a button's place: the one hit there, else the newest visible bar.
HWND TopmostBar(int which) {
    const int x = which == 0 ? MV_SCREEN_WIDTH / 4 : MV_SCREEN_WIDTH * 3 / 4;
    HWND hit = MvTopLevelOf(MvWindowFromPoint(x, MV_SCREEN_HEIGHT - MV_MENUBAR_HEIGHT / 2));
    if (hit != nullptr && FindBar(hit) != nullptr) return hit;
    for (auto it = g_barOrder.rbegin(); it != g_barOrder.rend(); ++it) {
        if (IsWindow(*it) && IsWindowVisible(*it)) return *it;
    }
    return nullptr;
}

}  // namespace

bool MvRegisterMenuBarClass(HINSTANCE hInstance) {
    return MvShellRegisterClass(hInstance, MenuBarProc, MV_MENUBAR_CLASS);
}

BOOL SHCreateMenuBar(SHMENUBARINFO* info) {
    if (info == nullptr) return FALSE;
    info->hwndMB = nullptr;
    MenuBar bar;
    bar.parent = info->hwndParent;
    if ((info->dwFlags & SHCMBF_EMPTYBAR) == 0) {
        const MV_RES_MENUBAR* resource = FindMenuBarResource(info->nToolBarId);
        if (resource == nullptr || !ParseMenuBar(*resource, info->hInstRes, &bar)) return FALSE;
    }
    const DWORD style = (info->dwFlags & SHCMBF_HIDDEN) ? 0 : WS_VISIBLE;
    HINSTANCE hInstance = MvShellInstance() != nullptr ? MvShellInstance() : info->hInstRes;
    HWND hWnd = CreateWindowExW(0, MV_MENUBAR_CLASS, L"", style, 0, MV_SCREEN_HEIGHT - MV_MENUBAR_HEIGHT,
                                MV_SCREEN_WIDTH, MV_MENUBAR_HEIGHT, nullptr, nullptr, hInstance, nullptr);
    if (hWnd == nullptr) return FALSE;
    g_bars[hWnd] = bar;
    g_barOrder.push_back(hWnd);
    InvalidateRect(hWnd, nullptr, FALSE);
    UpdateWindow(hWnd);
    info->hwndMB = hWnd;
    // A program usually makes its first bar while creating its main window: show its title.
    MvTaskBarRefresh();
    return TRUE;
}

HWND SHFindMenuBar(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    for (auto it = g_barOrder.rbegin(); it != g_barOrder.rend(); ++it) {
        const MenuBar* bar = FindBar(*it);
        if (bar != nullptr && bar->parent == hwnd && IsWindow(*it) && IsWindowVisible(*it)) return *it;
    }
    return nullptr;
}

bool MvShellPressSoftKey(int which) {
    if (which != 0 && which != 1) return false;
    // A message box takes the soft keys while it is open: left is its OK, right its Cancel.
    if (MvMessageBoxActive()) return MvMessageBoxEnd(which == 0 ? IDOK : IDCANCEL);
    // A modal popup of its own (a dialog with focus) gets the soft keys as their keys, F1 and F2,
    // as a phone's soft-key buttons are, instead of the bar below it acting.
    HWND focus = GetFocus();
    if (focus != nullptr && (GetWindowLongW(focus, GWL_STYLE) & WS_POPUP) != 0) {
        PostMessageW(focus, WM_KEYDOWN, which == 0 ? VK_F1 : VK_F2, 0);
        return true;
    }
    HWND hWnd = TopmostBar(which);
    MenuBar* bar = FindBar(hWnd);
    if (bar == nullptr || which >= bar->buttonCount || !bar->buttons[which].enabled) return false;
    SendCommand(*bar, which);
    return true;
}
