// The "edit" control: one line of text with a caret and a selection, typed into with WM_CHAR.
// Colours come from the parent through WM_CTLCOLOREDIT; changes of focus and text are reported
// to the parent as WM_COMMAND notifications.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/shell/shell_internal.h"
#include "platform/windows.h"

namespace {

const int kMargin = 2;
const int kCaretWidth = 2;
const int kDefaultFontHeight = 24;
const int kNoLimit = 0x7FFFFFFE;
const WPARAM kVkEnd = 0x23;
const WPARAM kVkHome = 0x24;
const COLORREF kHighlight = RGB(0x2E, 0x6E, 0xC8);

struct Edit {
    std::wstring text;
    int anchor = 0;  // selection runs from anchor to caret
    int caret = 0;
    int limit = kNoLimit;
    HFONT font = nullptr;
    bool focused = false;
};

std::map<HWND, Edit> g_edits;

Edit* FindEdit(HWND hWnd) {
    auto it = g_edits.find(hWnd);
    return it == g_edits.end() ? nullptr : &it->second;
}

DWORD StyleOf(HWND hWnd) {
    return static_cast<DWORD>(GetWindowLongW(hWnd, GWL_STYLE));
}

int SelectionStart(const Edit& edit) {
    return std::min(edit.anchor, edit.caret);
}
int SelectionEnd(const Edit& edit) {
    return std::max(edit.anchor, edit.caret);
}

void Notify(HWND hWnd, WORD code) {
    HWND parent = GetParent(hWnd);
    if (parent == nullptr) return;
    SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), code), (LPARAM)hWnd);
}

// Keeps the window manager's copy of the text in step with the control's own.
void StoreText(HWND hWnd, const Edit& edit) {
    DefWindowProcW(hWnd, WM_SETTEXT, 0, (LPARAM)edit.text.c_str());
}

int TextWidth(HDC hdc, const std::wstring& text, int count) {
    if (count <= 0) return 0;
    RECT rect = {0, 0, 0, 0};
    DrawTextW(hdc, text.c_str(), count, &rect, DT_CALCRECT | DT_SINGLELINE);
    return rect.right - rect.left;
}

// Left edge of the text for the control's alignment.
int TextOrigin(HWND hWnd, HDC hdc, const Edit& edit, const RECT& client) {
    const int width = TextWidth(hdc, edit.text, static_cast<int>(edit.text.size()));
    const DWORD style = StyleOf(hWnd);
    if (style & ES_RIGHT) return client.right - kMargin - kCaretWidth - width;
    if (style & ES_CENTER) return (client.left + client.right - width) / 2;
    return client.left + kMargin;
}

UINT VerticalFormat(HWND hWnd) {
    return (StyleOf(hWnd) & ES_MULTILINE) ? DT_TOP : DT_VCENTER;
}

void Paint(HWND hWnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (hdc == nullptr) return;
    RECT client;
    GetClientRect(hWnd, &client);
    HWND parent = GetParent(hWnd);
    HBRUSH brush = nullptr;
    if (parent != nullptr) brush = (HBRUSH)SendMessageW(parent, WM_CTLCOLOREDIT, (WPARAM)hdc, (LPARAM)hWnd);
    if (brush != nullptr) {
        FillRect(hdc, &client, brush);
    } else {
        // No colours from the parent: the default look, black on white.
        FillRect(hdc, &client, (HBRUSH)GetStockObject(WHITE_BRUSH));
        SetTextColor(hdc, RGB(0, 0, 0));
    }
    const Edit* edit = FindEdit(hWnd);  // looked up again: the parent may have changed things
    if (edit == nullptr) {
        EndPaint(hWnd, &ps);
        return;
    }
    SetBkMode(hdc, TRANSPARENT);
    HFONT ownFont = edit->font == nullptr ? MvShellCreateFont(kDefaultFontHeight, false) : nullptr;
    HGDIOBJ oldFont = SelectObject(hdc, edit->font != nullptr ? edit->font : ownFont);
    const COLORREF textColor = SetTextColor(hdc, RGB(0, 0, 0));
    SetTextColor(hdc, textColor);

    const int x0 = TextOrigin(hWnd, hdc, *edit, client);
    const UINT format = DT_LEFT | DT_SINGLELINE | VerticalFormat(hWnd);
    const int length = static_cast<int>(edit->text.size());
    const int selStart = SelectionStart(*edit);
    const int selEnd = SelectionEnd(*edit);
    const bool showSelection = edit->focused && selStart != selEnd;
    if (showSelection) {
        RECT highlight = {x0 + TextWidth(hdc, edit->text, selStart), client.top + kMargin,
                          x0 + TextWidth(hdc, edit->text, selEnd), client.bottom - kMargin};
        MvShellFillSolid(hdc, highlight, kHighlight);
    }
    RECT textRect = {x0, client.top, client.right, client.bottom};
    DrawTextW(hdc, edit->text.c_str(), length, &textRect, format);
    if (showSelection) {
        // The selected part again, white on the highlight.
        SetTextColor(hdc, RGB(0xFF, 0xFF, 0xFF));
        RECT selRect = {x0 + TextWidth(hdc, edit->text, selStart), client.top, client.right, client.bottom};
        DrawTextW(hdc, edit->text.c_str() + selStart, selEnd - selStart, &selRect, format);
        SetTextColor(hdc, textColor);
    } else if (edit->focused) {
        const int x = x0 + TextWidth(hdc, edit->text, edit->caret);
        RECT caret = {x, client.top + kMargin + 1, x + kCaretWidth, client.bottom - kMargin - 1};
        MvShellFillSolid(hdc, caret, textColor);
    }
    SelectObject(hdc, oldFont);
    if (ownFont != nullptr) DeleteObject(ownFont);
    EndPaint(hWnd, &ps);
}

// Character position nearest to x (client coordinates).
int PositionAt(HWND hWnd, const Edit& edit, int x) {
    HDC hdc = GetDC(hWnd);
    if (hdc == nullptr) return static_cast<int>(edit.text.size());
    HFONT ownFont = edit.font == nullptr ? MvShellCreateFont(kDefaultFontHeight, false) : nullptr;
    HGDIOBJ oldFont = SelectObject(hdc, edit.font != nullptr ? edit.font : ownFont);
    RECT client;
    GetClientRect(hWnd, &client);
    const int x0 = TextOrigin(hWnd, hdc, edit, client);
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i <= static_cast<int>(edit.text.size()); ++i) {
        const int distance = std::abs(x0 + TextWidth(hdc, edit.text, i) - x);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    SelectObject(hdc, oldFont);
    if (ownFont != nullptr) DeleteObject(ownFont);
    ReleaseDC(hWnd, hdc);
    return best;
}

// Replaces the selection with text; false when the result would pass the limit.
bool ReplaceSelection(Edit* edit, const std::wstring& insert) {
    const int start = SelectionStart(*edit);
    const int end = SelectionEnd(*edit);
    const size_t newLength = edit->text.size() - static_cast<size_t>(end - start) + insert.size();
    if (!insert.empty() && newLength > static_cast<size_t>(edit->limit)) return false;
    edit->text.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), insert);
    edit->caret = edit->anchor = start + static_cast<int>(insert.size());
    return true;
}

void OnChar(HWND hWnd, wchar_t ch) {
    Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return;
    WORD notification = 0;
    if (ch == L'\b') {
        if (SelectionStart(*edit) == SelectionEnd(*edit)) {
            if (edit->caret == 0) return;
            edit->anchor = edit->caret - 1;
        }
        ReplaceSelection(edit, std::wstring());
        notification = EN_CHANGE;
    } else {
        if (ch < 0x20) return;
        if ((StyleOf(hWnd) & ES_NUMBER) && (ch < L'0' || ch > L'9')) return;
        notification = ReplaceSelection(edit, std::wstring(1, ch)) ? EN_CHANGE : EN_MAXTEXT;
    }
    if (notification == EN_CHANGE) {
        StoreText(hWnd, *edit);
        InvalidateRect(hWnd, nullptr, FALSE);
    }
    Notify(hWnd, notification);
}

void OnKeyDown(HWND hWnd, WPARAM key) {
    Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return;
    const int length = static_cast<int>(edit->text.size());
    switch (key) {
        case VK_LEFT:
            edit->caret = edit->anchor = SelectionStart(*edit) != SelectionEnd(*edit)
                                             ? SelectionStart(*edit)
                                             : std::max(0, edit->caret - 1);
            break;
        case VK_RIGHT:
            edit->caret = edit->anchor = SelectionStart(*edit) != SelectionEnd(*edit)
                                             ? SelectionEnd(*edit)
                                             : std::min(length, edit->caret + 1);
            break;
        case kVkHome:
            edit->caret = edit->anchor = 0;
            break;
        case kVkEnd:
            edit->caret = edit->anchor = length;
            break;
        case VK_DELETE:
            if (SelectionStart(*edit) == SelectionEnd(*edit)) {
                if (edit->caret >= length) return;
                edit->anchor = edit->caret + 1;
            }
            ReplaceSelection(edit, std::wstring());
            StoreText(hWnd, *edit);
            InvalidateRect(hWnd, nullptr, FALSE);
            Notify(hWnd, EN_CHANGE);
            return;
        default:
            return;
    }
    InvalidateRect(hWnd, nullptr, FALSE);
}

LRESULT OnSetText(HWND hWnd, LPCWSTR text) {
    Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return DefWindowProcW(hWnd, WM_SETTEXT, 0, (LPARAM)text);
    edit->text = text != nullptr ? text : L"";
    edit->caret = edit->anchor = 0;
    StoreText(hWnd, *edit);
    InvalidateRect(hWnd, nullptr, FALSE);
    // As with Win32 edits, only single-line controls report a change made by WM_SETTEXT.
    if ((StyleOf(hWnd) & ES_MULTILINE) == 0) Notify(hWnd, EN_CHANGE);
    return TRUE;
}

LRESULT OnGetText(HWND hWnd, WPARAM capacity, LPWSTR buffer) {
    const Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return DefWindowProcW(hWnd, WM_GETTEXT, capacity, (LPARAM)buffer);
    if (buffer == nullptr || capacity == 0) return 0;
    const size_t count = std::min(edit->text.size(), static_cast<size_t>(capacity - 1));
    std::copy_n(edit->text.c_str(), count, buffer);
    buffer[count] = 0;
    return static_cast<LRESULT>(count);
}

void OnSetSel(HWND hWnd, int start, int end) {
    Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return;
    const int length = static_cast<int>(edit->text.size());
    if (start == -1) {
        edit->anchor = edit->caret;  // removes the selection, the caret stays
    } else {
        if (end < 0 || end > length) end = length;
        edit->anchor = std::clamp(start, 0, length);
        edit->caret = end;
    }
    InvalidateRect(hWnd, nullptr, FALSE);
}

LRESULT OnGetSel(HWND hWnd, DWORD* start, DWORD* end) {
    const Edit* edit = FindEdit(hWnd);
    if (edit == nullptr) return 0;
    const DWORD s = static_cast<DWORD>(SelectionStart(*edit));
    const DWORD e = static_cast<DWORD>(SelectionEnd(*edit));
    if (start != nullptr) *start = s;
    if (end != nullptr) *end = e;
    return static_cast<LRESULT>(MAKELONG(std::min<DWORD>(s, 0xFFFF), std::min<DWORD>(e, 0xFFFF)));
}

void OnFocus(HWND hWnd, bool focused) {
    Edit* edit = FindEdit(hWnd);
    if (edit == nullptr || edit->focused == focused) return;
    edit->focused = focused;
    InvalidateRect(hWnd, nullptr, FALSE);
    Notify(hWnd, focused ? EN_SETFOCUS : EN_KILLFOCUS);
}

LRESULT CALLBACK EditProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            Edit edit;
            const CREATESTRUCTW* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            if (cs != nullptr && cs->lpszName != nullptr) edit.text = cs->lpszName;
            g_edits[hWnd] = edit;
            return 0;
        }
        case WM_DESTROY:
            g_edits.erase(hWnd);
            return 0;
        case WM_PAINT:
            Paint(hWnd);
            return 0;
        case WM_SETTEXT:
            return OnSetText(hWnd, reinterpret_cast<LPCWSTR>(lParam));
        case WM_GETTEXT:
            return OnGetText(hWnd, wParam, reinterpret_cast<LPWSTR>(lParam));
        case WM_GETTEXTLENGTH: {
            const Edit* edit = FindEdit(hWnd);
            return edit != nullptr ? static_cast<LRESULT>(edit->text.size()) : 0;
        }
        case WM_SETFONT: {
            Edit* edit = FindEdit(hWnd);
            if (edit != nullptr) edit->font = (HFONT)wParam;
            if (LOWORD(lParam)) InvalidateRect(hWnd, nullptr, FALSE);
            return 0;
        }
        case WM_GETFONT: {
            const Edit* edit = FindEdit(hWnd);
            return edit != nullptr ? (LRESULT)edit->font : 0;
        }
        case EM_LIMITTEXT: {
            Edit* edit = FindEdit(hWnd);
            if (edit != nullptr) {
                edit->limit = (wParam == 0 || wParam > static_cast<WPARAM>(kNoLimit))
                                  ? kNoLimit
                                  : static_cast<int>(wParam);
            }
            return 0;
        }
        case EM_SETSEL:
            OnSetSel(hWnd, static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        case EM_GETSEL:
            return OnGetSel(hWnd, reinterpret_cast<DWORD*>(wParam), reinterpret_cast<DWORD*>(lParam));
        case WM_CHAR:
            OnChar(hWnd, static_cast<wchar_t>(wParam));
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(hWnd, wParam);
            return 0;
        case WM_SETFOCUS:
            OnFocus(hWnd, true);
            return 0;
        case WM_KILLFOCUS:
            OnFocus(hWnd, false);
            return 0;
        case WM_LBUTTONDOWN: {
            if (GetFocus() != hWnd) SetFocus(hWnd);
            Edit* edit = FindEdit(hWnd);
            if (edit != nullptr) {
                edit->caret = edit->anchor = PositionAt(hWnd, *edit, static_cast<short>(LOWORD(lParam)));
                InvalidateRect(hWnd, nullptr, FALSE);
            }
            return 0;
        }
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

}  // namespace

bool MvRegisterEditClass(HINSTANCE hInstance) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = EditProc;
    wc.hInstance = hInstance;
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = MV_EDIT_CLASS;
    return RegisterClassW(&wc) != 0;
}
