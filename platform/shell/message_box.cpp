// MessageBoxW: a modal box centred on the screen with its own nested message loop. While it is
// open, stylus-down and keys meant for other windows are held back, so the program underneath
// sees nothing until the box is answered.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/mv_platform.h"
#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

const int kBoxWidth = 432;
const int kCaptionHeight = 50;
const int kPadding = 24;
const int kButtonWidth = 150;
const int kButtonHeight = 56;
const int kButtonGap = 24;
const int kTextFont = 27;
const int kCaptionFont = 27;
const int kButtonFont = 27;

struct Box {
    HWND hWnd = nullptr;
    std::wstring text;
    std::wstring caption;
    bool okCancel = false;
    int width = 0;
    int height = 0;
    RECT textRect = {};
    int buttonCount = 1;
    RECT buttons[2] = {};  // client coordinates: OK, then Cancel
    MvShellPress press;
    int result = 0;  // 0 while the box is open
};

std::vector<Box*> g_boxes;  // open boxes, innermost last

Box* FindBox(HWND hWnd) {
    for (Box* box : g_boxes) {
        if (box->hWnd == hWnd) return box;
    }
    return nullptr;
}

int ButtonResult(int index) {
    return index == 0 ? IDOK : IDCANCEL;
}

// Sizes the box for its text: the text wraps within the box width and the box grows to fit,
// up to the space between the two bars.
void Layout(Box* box) {
    const int textWidth = kBoxWidth - 2 * kPadding;
    RECT measure = {0, 0, textWidth, 0};
    HDC screen = GetDC(nullptr);
    HFONT font = MvShellCreateFont(kTextFont, false);
    HGDIOBJ oldFont = SelectObject(screen, font);
    DrawTextW(screen, box->text.c_str(), static_cast<int>(box->text.size()), &measure,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    SelectObject(screen, oldFont);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);

    const int maxHeight = MV_SCREEN_HEIGHT - MV_TASKBAR_HEIGHT - MV_MENUBAR_HEIGHT;
    const int fixed = kCaptionHeight + 2 * kPadding + kButtonHeight + kPadding;
    int textHeight = std::max<int>(measure.bottom - measure.top, kTextFont);
    textHeight = std::min(textHeight, maxHeight - fixed);
    box->width = kBoxWidth;
    box->height = fixed + textHeight;
    box->textRect = RECT{kPadding, kCaptionHeight + kPadding, kBoxWidth - kPadding,
                         kCaptionHeight + kPadding + textHeight};
    box->buttonCount = box->okCancel ? 2 : 1;
    const int buttonsWidth = box->buttonCount * kButtonWidth + (box->buttonCount - 1) * kButtonGap;
    int left = (kBoxWidth - buttonsWidth) / 2;
    const int top = box->textRect.bottom + kPadding;
    for (int i = 0; i < box->buttonCount; ++i) {
        box->buttons[i] = RECT{left, top, left + kButtonWidth, top + kButtonHeight};
        left += kButtonWidth + kButtonGap;
    }
}

void DrawFrame(HDC hdc, const RECT& rect, COLORREF light, COLORREF dark) {
    MvShellHLine(hdc, rect.left, rect.right, rect.top, light);
    MvShellVLine(hdc, rect.left, rect.top, rect.bottom, light);
    MvShellHLine(hdc, rect.left, rect.right, rect.bottom - 1, dark);
    MvShellVLine(hdc, rect.right - 1, rect.top, rect.bottom, dark);
}

void Compose(HDC hdc, const Box& box) {
    RECT all = {0, 0, box.width, box.height};
    MvShellFillSolid(hdc, all, RGB(0xF4, 0xF5, 0xF7));
    RECT caption = {0, 0, box.width, kCaptionHeight};
    MvShellFillGradient(hdc, caption, MV_CHROME_PRESSED_TOP, MV_CHROME_PRESSED_BOTTOM);
    DrawFrame(hdc, all, RGB(0x9A, 0xA2, 0xAE), RGB(0x30, 0x34, 0x3A));

    SetBkMode(hdc, TRANSPARENT);
    HFONT captionFont = MvShellCreateFont(kCaptionFont, true);
    HGDIOBJ oldFont = SelectObject(hdc, captionFont);
    SetTextColor(hdc, MV_CHROME_TEXT);
    RECT captionText = {kPadding - 8, 0, box.width - kPadding + 8, kCaptionHeight};
    DrawTextW(hdc, box.caption.c_str(), static_cast<int>(box.caption.size()), &captionText,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE);

    HFONT textFont = MvShellCreateFont(kTextFont, false);
    SelectObject(hdc, textFont);
    SetTextColor(hdc, RGB(0x1E, 0x22, 0x28));
    RECT textRect = box.textRect;
    DrawTextW(hdc, box.text.c_str(), static_cast<int>(box.text.size()), &textRect, DT_WORDBREAK | DT_CENTER);

    HFONT buttonFont = MvShellCreateFont(kButtonFont, true);
    SelectObject(hdc, buttonFont);
    static const wchar_t* const kLabels[2] = {L"OK", L"Cancel"};
    for (int i = 0; i < box.buttonCount; ++i) {
        RECT rect = box.buttons[i];
        const bool down = box.press.Shows(i);
        MvShellFillButton(hdc, rect, down, RGB(0xFF, 0xFF, 0xFF), RGB(0xD8, 0xDC, 0xE2));
        if (down) {
            DrawFrame(hdc, rect, RGB(0x6F, 0xA8, 0xF0), RGB(0x10, 0x30, 0x60));
            SetTextColor(hdc, MV_CHROME_TEXT);
        } else {
            DrawFrame(hdc, rect, RGB(0xB8, 0xBF, 0xC9), RGB(0x7C, 0x84, 0x90));
            SetTextColor(hdc, RGB(0x1E, 0x22, 0x28));
        }
        DrawTextW(hdc, kLabels[i], -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(hdc, oldFont);
    DeleteObject(captionFont);
    DeleteObject(textFont);
    DeleteObject(buttonFont);
}

void Paint(HWND hWnd) {
    const Box* box = FindBox(hWnd);
    if (box == nullptr) {
        MvShellPaintOffscreen(hWnd, 0, 0, nullptr);
        return;
    }
    MvShellPaintOffscreen(hWnd, box->width, box->height, [box](HDC hdc) { Compose(hdc, *box); });
}

void End(Box* box, int result) {
    if (box->result != 0) return;
    box->result = box->okCancel ? result : IDOK;
    // Wakes the nested loop if it is waiting for a message.
    PostMessageW(box->hWnd, WM_NULL, 0, 0);
}

void OnStylus(Box* box, UINT message, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    int over = -1;
    for (int i = 0; i < box->buttonCount; ++i) {
        if (MvPointInRect(box->buttons[i], x, y)) over = i;
    }
    const int tapped = MvShellTrackPress(box->hWnd, &box->press, message, over);
    if (tapped >= 0) End(box, ButtonResult(tapped));
}

LRESULT CALLBACK MessageBoxProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Box* box = FindBox(hWnd);
    switch (message) {
        case WM_PAINT:
            Paint(hWnd);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
            if (box != nullptr) OnStylus(box, message, lParam);
            return 0;
        case WM_KEYDOWN:
            if (box != nullptr && wParam == VK_RETURN) End(box, IDOK);
            if (box != nullptr && wParam == VK_ESCAPE) End(box, IDCANCEL);
            return 0;
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

bool IsKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_SYSKEYDOWN ||
           message == WM_SYSKEYUP;
}

// Decides whether a message taken by the nested loop may be dispatched. Keys are the box's
// wherever they were aimed; a stylus going down elsewhere is dropped, while the rest of a stroke
// that began before the box opened may finish.
bool Admit(Box* box, MSG* msg) {
    if (IsKeyMessage(msg->message)) {
        if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
            End(box, msg->wParam == VK_RETURN ? IDOK : IDCANCEL);
        }
        return msg->hwnd == box->hWnd;
    }
    if (msg->message == WM_LBUTTONDOWN) return MvTopLevelOf(msg->hwnd) == box->hWnd;
    return true;
}

}  // namespace

bool MvRegisterMessageBoxClass(HINSTANCE hInstance) {
    return MvShellRegisterClass(hInstance, MessageBoxProc, MV_MSGBOX_CLASS);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    Box* box = new Box;
    box->text = text != nullptr ? text : L"";
    box->caption = caption != nullptr ? caption : L"Error";
    box->okCancel = (type & MB_TYPEMASK) == MB_OKCANCEL;
    Layout(box);
    const int x = (MV_SCREEN_WIDTH - box->width) / 2;
    const int y = (MV_SCREEN_HEIGHT - box->height) / 2;
    box->hWnd = CreateWindowExW(0, MV_MSGBOX_CLASS, box->caption.c_str(), WS_VISIBLE, x, y, box->width,
                                box->height, nullptr, nullptr, MvShellInstance(), nullptr);
    if (box->hWnd == nullptr) {
        delete box;
        return 0;
    }
    g_boxes.push_back(box);
    HWND previousFocus = GetFocus();
    SetFocus(box->hWnd);
    UpdateWindow(box->hWnd);

    MSG msg = {};
    MSG deferredClose = {};  // a close of another window, carried out once the box is gone
    while (box->result == 0) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            // The program is ending: leave the quit for the outer loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            box->result = box->okCancel ? IDCANCEL : IDOK;
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd != box->hWnd) {
            // Closing the program underneath would free what the box's caller still uses: the
            // box ends as cancelled and the close waits until the caller is back.
            deferredClose = msg;
            End(box, IDCANCEL);
            break;
        }
        if (!Admit(box, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    const int result = box->result;
    RECT rect;
    const bool hadRect = GetWindowRect(box->hWnd, &rect) != 0;
    g_boxes.erase(std::find(g_boxes.begin(), g_boxes.end(), box));
    DestroyWindow(box->hWnd);
    delete box;
    if (hadRect) MvShellExposeRect(rect);
    if (previousFocus != nullptr && IsWindow(previousFocus)) SetFocus(previousFocus);
    if (deferredClose.hwnd != nullptr)
        PostMessageW(deferredClose.hwnd, WM_CLOSE, deferredClose.wParam, deferredClose.lParam);
    (void)owner;
    return result;
}

bool MvMessageBoxActive() {
    return !g_boxes.empty();
}

bool MvMessageBoxButtonRect(int result, RECT* rect) {
    if (g_boxes.empty() || rect == nullptr) return false;
    Box* box = g_boxes.back();
    const int index = result == IDCANCEL ? 1 : 0;
    if (index >= box->buttonCount) return false;
    RECT window;
    if (!GetWindowRect(box->hWnd, &window)) return false;
    *rect = box->buttons[index];
    rect->left += window.left;
    rect->right += window.left;
    rect->top += window.top;
    rect->bottom += window.top;
    return true;
}

bool MvMessageBoxEnd(int result) {
    if (g_boxes.empty()) return false;
    End(g_boxes.back(), result);
    return true;
}
