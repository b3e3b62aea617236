// CalendarPicker: a modal month-grid date picker loaded at run time by the history view.
// Entry point 2 shows it; the other entry points are placeholders. Built against the Win32
// calls of the program that loads it, which resolve when the library is loaded.
#include "picker/picker_layout.h"
#include "platform/windows.h"

#define MV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace picker;

namespace {

const wchar_t kClassName[] = L"MvCalendarPicker";

const COLORREF kBackground = RGB(0x16, 0x1A, 0x20);
const COLORREF kTitleBar = RGB(0x24, 0x2A, 0x33);
const COLORREF kButton = RGB(0x2E, 0x35, 0x40);
const COLORREF kText = RGB(0xF2, 0xF4, 0xF7);
const COLORREF kDimText = RGB(0x9A, 0xA2, 0xAE);
const COLORREF kAccent = RGB(0, 160, 212);
const COLORREF kSunday = RGB(0xF0, 0x6A, 0x6A);
const COLORREF kSaturday = RGB(0x7A, 0xB8, 0xF0);

// The picker's own words, in the calling thread's interface language.
struct Words {
    const wchar_t* months[12];
    const wchar_t* monthFormat;  // month name (or number) and year
    bool yearFirst;
    const wchar_t* weekdays[7];
    const wchar_t* ok;
    const wchar_t* cancel;
};

const Words kEnglish = {{L"January", L"February", L"March", L"April", L"May", L"June", L"July", L"August",
                         L"September", L"October", L"November", L"December"},
                        L"%s %d",
                        false,
                        {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"},
                        L"OK",
                        L"Cancel"};
const Words kKorean = {{L"1", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12"},
                       L"%d년 %s월",
                       true,
                       {L"일", L"월", L"화", L"수", L"목", L"금", L"토"},
                       L"확인",
                       L"취소"};

const Words& WordsOfThread() {
    return PRIMARYLANGID(GetThreadUILanguage()) == LANG_KOREAN ? kKorean : kEnglish;
}

struct Picker {
    HWND hWnd = nullptr;
    const Words* words = &kEnglish;
    const wchar_t* title = L"";
    int year = 2000, month = 1, day = 1;  // shown month and selected day
    int result = -1;                      // -1 while open, then 1 (OK) or 0 (Cancel)
};

Picker* g_picker = nullptr;  // the open picker (it is modal, so at most one)

bool InRect(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

void Fill(HDC hdc, int left, int top, int right, int bottom, COLORREF color) {
    RECT rect = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &rect, brush);
    DeleteObject(brush);
}

void Text(HDC hdc, const wchar_t* text, int left, int top, int right, int bottom, COLORREF color,
          UINT align) {
    RECT rect = {left, top, right, bottom};
    SetTextColor(hdc, color);
    DrawTextW(hdc, text, -1, &rect, align | DT_VCENTER | DT_SINGLELINE);
}

HFONT MakeFont(int height, bool bold) {
    LOGFONTW lf = {};
    lf.lfHeight = -height;
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    return CreateFontIndirectW(&lf);
}

void Compose(HDC hdc, const Picker& p) {
    Fill(hdc, 0, 0, kWindowW, kWindowH, kBackground);
    Fill(hdc, 0, 0, kWindowW, kTitleH, kTitleBar);
    Fill(hdc, 0, kTitleH - 2, kWindowW, kTitleH, kAccent);
    SetBkMode(hdc, TRANSPARENT);

    HFONT bold = MakeFont(28, true);
    HFONT normal = MakeFont(26, false);
    HFONT small = MakeFont(22, true);
    HGDIOBJ old = SelectObject(hdc, bold);
    Text(hdc, p.title, 24, 0, kWindowW - 24, kTitleH - 2, kText, DT_LEFT);

    // Month header with the two arrows.
    const Words& words = *p.words;
    wchar_t header[48];
    if (words.yearFirst)
        wsprintfW(header, words.monthFormat, p.year, words.months[p.month - 1]);
    else
        wsprintfW(header, words.monthFormat, words.months[p.month - 1], p.year);
    Text(hdc, header, kPrevRight, kNavTop, kNextLeft, kNavBottom, kText, DT_CENTER);
    Fill(hdc, kPrevLeft, kNavTop, kPrevRight, kNavBottom, kButton);
    Fill(hdc, kNextLeft, kNavTop, kNextRight, kNavBottom, kButton);
    Text(hdc, L"<", kPrevLeft, kNavTop, kPrevRight, kNavBottom, kAccent, DT_CENTER);
    Text(hdc, L">", kNextLeft, kNavTop, kNextRight, kNavBottom, kAccent, DT_CENTER);

    SelectObject(hdc, small);
    for (int c = 0; c < 7; ++c) {
        const COLORREF color = c == 0 ? kSunday : c == 6 ? kSaturday : kDimText;
        const int left = kGridLeft + c * kCell;
        Text(hdc, words.weekdays[c], left, kWeekdayTop, left + kCell, kWeekdayBottom, color, DT_CENTER);
    }
    Fill(hdc, kGridLeft, kWeekdayBottom + 2, kGridLeft + 7 * kCell, kWeekdayBottom + 3, kButton);

    SelectObject(hdc, normal);
    for (int cell = 0; cell < 42; ++cell) {
        const int day = DayOfCell(p.year, p.month, cell);
        if (day == 0) continue;
        const int left = kGridLeft + (cell % 7) * kCell, top = kGridTop + (cell / 7) * kCell;
        COLORREF color = cell % 7 == 0 ? kSunday : cell % 7 == 6 ? kSaturday : kText;
        if (day == p.day) {
            Fill(hdc, left + 4, top + 4, left + kCell - 4, top + kCell - 4, kAccent);
            color = kText;
        }
        wchar_t number[4];
        wsprintfW(number, L"%d", day);
        Text(hdc, number, left, top, left + kCell, top + kCell, color, DT_CENTER);
    }

    SelectObject(hdc, bold);
    Fill(hdc, kOkLeft, kButtonTop, kOkRight, kButtonBottom, kAccent);
    Text(hdc, words.ok, kOkLeft, kButtonTop, kOkRight, kButtonBottom, kText, DT_CENTER);
    Fill(hdc, kCancelLeft, kButtonTop, kCancelRight, kButtonBottom, kButton);
    Text(hdc, words.cancel, kCancelLeft, kButtonTop, kCancelRight, kButtonBottom, kText, DT_CENTER);

    SelectObject(hdc, old);
    DeleteObject(bold);
    DeleteObject(normal);
    DeleteObject(small);
}

void Paint(HWND hWnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hWnd, &ps);
    if (g_picker != nullptr) {
        // Composed off-screen so the window never shows a half-drawn grid.
        HDC memory = CreateCompatibleDC(hdc);
        HBITMAP bitmap = CreateCompatibleBitmap(hdc, kWindowW, kWindowH);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        Compose(memory, *g_picker);
        BitBlt(hdc, 0, 0, kWindowW, kWindowH, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(hWnd, &ps);
}

// Shows the month d months away; the selected day stays, cut to the month's length.
void StepMonth(Picker* p, int d) {
    p->month += d;
    if (p->month < 1) {
        p->month = 12;
        p->year -= 1;
    } else if (p->month > 12) {
        p->month = 1;
        p->year += 1;
    }
    if (p->year < 1601) p->year = 1601, p->month = 1;
    if (p->year > 9999) p->year = 9999, p->month = 12;
    const int days = DaysInMonth(p->year, p->month);
    if (p->day > days) p->day = days;
}

void Finish(Picker* p, int result) {
    p->result = result;
    PostMessageW(p->hWnd, WM_NULL, 0, 0);  // wakes the loop if it is waiting
}

void OnTap(Picker* p, int x, int y) {
    if (InRect(x, y, kPrevLeft, kNavTop, kPrevRight, kNavBottom)) {
        StepMonth(p, -1);
    } else if (InRect(x, y, kNextLeft, kNavTop, kNextRight, kNavBottom)) {
        StepMonth(p, +1);
    } else if (InRect(x, y, kGridLeft, kGridTop, kGridLeft + 7 * kCell, kGridTop + 6 * kCell)) {
        const int cell = ((y - kGridTop) / kCell) * 7 + (x - kGridLeft) / kCell;
        const int day = DayOfCell(p->year, p->month, cell);
        if (day == 0) return;
        p->day = day;
    } else if (InRect(x, y, kOkLeft, kButtonTop, kOkRight, kButtonBottom)) {
        Finish(p, 1);
        return;
    } else if (InRect(x, y, kCancelLeft, kButtonTop, kCancelRight, kButtonBottom)) {
        Finish(p, 0);
        return;
    } else {
        return;
    }
    InvalidateRect(p->hWnd, nullptr, FALSE);
}

void OnKey(Picker* p, WPARAM key) {
    switch (key) {
        case VK_RETURN:
        case VK_F1:  // the left soft key
            Finish(p, 1);
            return;
        case VK_ESCAPE:
        case VK_F2:  // the right soft key
            Finish(p, 0);
            return;
        case VK_LEFT:
            StepMonth(p, -1);
            break;
        case VK_RIGHT:
            StepMonth(p, +1);
            break;
        default:
            return;
    }
    InvalidateRect(p->hWnd, nullptr, FALSE);
}

LRESULT CALLBACK PickerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Picker* p = g_picker != nullptr && g_picker->hWnd == hWnd ? g_picker : nullptr;
    switch (message) {
        case WM_PAINT:
            Paint(hWnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONUP:
            if (p != nullptr && p->result < 0)
                OnTap(p, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_KEYDOWN:
            if (p != nullptr && p->result < 0) OnKey(p, wParam);
            return 0;
        case WM_CLOSE:
            if (p != nullptr) Finish(p, 0);
            return 0;
        default:
            return DefWindowProcW(hWnd, message, wParam, lParam);
    }
}

bool IsInput(UINT message) {
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR || message == WM_LBUTTONDOWN ||
           message == WM_LBUTTONUP || message == WM_MOUSEMOVE;
}

// The soft keys under the picker answer it (left OK, right Cancel), so while it is open they say
// so; their own labels come back when it closes.
class CSoftKeyLabels {
public:
    CSoftKeyLabels(HWND owner, const Words& words) {
        for (HWND w = owner; w != nullptr && m_hBar == nullptr; w = GetParent(w)) m_hBar = SHFindMenuBar(w);
        if (m_hBar == nullptr) return;
        const wchar_t* labels[2] = {words.ok, words.cancel};
        for (int i = 0; i < 2; ++i) {
            TBBUTTONINFOW info = Info(m_saved[i], 64);
            m_bSaved[i] = SendMessageW(m_hBar, TB_GETBUTTONINFOW, i, (LPARAM)&info) >= 0;
            if (!m_bSaved[i]) continue;
            wchar_t label[64] = {};
            for (int c = 0; c < 63 && labels[i][c] != L'\0'; ++c) label[c] = labels[i][c];
            TBBUTTONINFOW set = Info(label, 64);
            SendMessageW(m_hBar, TB_SETBUTTONINFOW, i, (LPARAM)&set);
        }
        UpdateWindow(m_hBar);
    }
    ~CSoftKeyLabels() {
        if (m_hBar == nullptr || !IsWindow(m_hBar)) return;
        for (int i = 0; i < 2; ++i) {
            if (!m_bSaved[i]) continue;
            TBBUTTONINFOW info = Info(m_saved[i], 64);
            SendMessageW(m_hBar, TB_SETBUTTONINFOW, i, (LPARAM)&info);
        }
    }
    CSoftKeyLabels(const CSoftKeyLabels&) = delete;
    CSoftKeyLabels& operator=(const CSoftKeyLabels&) = delete;

private:
    static TBBUTTONINFOW Info(wchar_t* text, int units) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
        info.pszText = text;
        info.cchText = units;
        return info;
    }
    HWND m_hBar = nullptr;
    wchar_t m_saved[2][64] = {};
    bool m_bSaved[2] = {false, false};
};

}  // namespace

MV_EXPORT int mv_ordinal_1() {
    return 1;
}

MV_EXPORT int mv_ordinal_2(const wchar_t* title, SYSTEMTIME* date, HWND owner) {
    if (date == nullptr || g_picker != nullptr) return 0;
    Picker picker;
    picker.words = &WordsOfThread();
    picker.title = title != nullptr ? title : L"";
    picker.year = date->wYear < 1601 ? 1601 : date->wYear > 9999 ? 9999 : date->wYear;
    picker.month = date->wMonth >= 1 && date->wMonth <= 12 ? date->wMonth : 1;
    const int days = DaysInMonth(picker.year, picker.month);
    picker.day = date->wDay < 1 ? 1 : date->wDay > days ? days : date->wDay;

    WNDCLASSW wc = {};
    wc.lpfnWndProc = PickerProc;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // fails harmlessly when the class is still registered from a previous use
    picker.hWnd = CreateWindowExW(0, kClassName, picker.title, WS_POPUP | WS_VISIBLE, kWindowX, kWindowY,
                                  kWindowW, kWindowH, owner, nullptr, nullptr, nullptr);
    if (picker.hWnd == nullptr) return 0;
    g_picker = &picker;
    CSoftKeyLabels softKeys(owner, *picker.words);
    HWND previousFocus = GetFocus();
    SetFocus(picker.hWnd);
    UpdateWindow(picker.hWnd);

    // Nested loop: input meant for other windows is dropped while the picker is open, and keys
    // are the picker's wherever they were aimed.
    MSG msg = {};
    MSG deferredClose = {};  // a close of another window, carried out once the picker is gone
    while (picker.result < 0) {
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the outer loop
            picker.result = 0;
            break;
        }
        if (msg.message == WM_CLOSE && msg.hwnd != picker.hWnd) {
            // Closing the program now would free what our caller still uses: cancel, and let
            // the close happen once the caller is back in its own loop.
            deferredClose = msg;
            picker.result = 0;
            break;
        }
        if (IsInput(msg.message) && msg.hwnd != picker.hWnd) {
            // A tap on the soft-key bar below answers the picker: left OK, right Cancel.
            if (msg.message == WM_LBUTTONUP) {
                POINT pt = {static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
                ClientToScreen(msg.hwnd, &pt);
                if (pt.y >= kWindowY + kWindowH) Finish(&picker, pt.x < kWindowX + kWindowW / 2 ? 1 : 0);
            }
            if (msg.message != WM_KEYDOWN) continue;
            msg.hwnd = picker.hWnd;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    g_picker = nullptr;
    DestroyWindow(picker.hWnd);
    UnregisterClassW(kClassName, nullptr);
    if (previousFocus != nullptr && IsWindow(previousFocus)) SetFocus(previousFocus);
    if (owner != nullptr && IsWindow(owner)) InvalidateRect(owner, nullptr, TRUE);
    if (deferredClose.hwnd != nullptr)
        PostMessageW(deferredClose.hwnd, WM_CLOSE, deferredClose.wParam, deferredClose.lParam);
    if (picker.result == 0) return 0;
    date->wYear = static_cast<WORD>(picker.year);
    date->wMonth = static_cast<WORD>(picker.month);
    date->wDay = static_cast<WORD>(picker.day);
    date->wDayOfWeek = static_cast<WORD>(DayOfWeek(picker.year, picker.month, picker.day));
    return 1;
}

MV_EXPORT int mv_ordinal_3() {
    return 0;
}
MV_EXPORT int mv_ordinal_4() {
    return 0;
}
MV_EXPORT int mv_ordinal_5() {
    return 0;
}
MV_EXPORT int mv_ordinal_6() {
    return 0;
}
MV_EXPORT int mv_ordinal_7() {
    return 0;
}
