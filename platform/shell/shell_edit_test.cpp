// The "edit" control: typing with ES_NUMBER and a limit, selection, notifications to the parent,
// colours from WM_CTLCOLOREDIT and alignment.
#include "platform/shell/shell_test_util.h"

namespace shell_test {
namespace {

const int kEditId = 6;

class EditTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        view_ = Own(CreateWindowExW(0, kChildClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 480, 696, main_,
                                    nullptr, nullptr, nullptr));
        Pump();
    }

    HWND MakeEdit(DWORD extraStyle, int x = 27, int y = 79, int width = 60, int height = 40) {
        HWND edit = CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | extraStyle, x, y, width, height,
                                    view_, (HMENU)(intptr_t)kEditId, nullptr, nullptr);
        EXPECT_NE(edit, nullptr);
        return edit;
    }

    static std::wstring Text(HWND edit) {
        wchar_t buffer[64] = {};
        GetWindowTextW(edit, buffer, 64);
        return buffer;
    }

    static void Type(HWND edit, const std::wstring& text) {
        for (wchar_t ch : text) SendMessageW(edit, WM_CHAR, ch, 1);
    }

    // Notification codes the view received from the edit.
    std::vector<WORD> Notifications(HWND edit) const {
        std::vector<WORD> out;
        for (const Seen& seen : Log()) {
            if (seen.hWnd == view_ && seen.message == WM_COMMAND && LOWORD(seen.wParam) == kEditId &&
                seen.lParam == (LPARAM)edit)
                out.push_back(HIWORD(seen.wParam));
        }
        return out;
    }

    HWND view_ = nullptr;
};

TEST_F(EditTest, NumberStyleTakesDigitsOnlyUpToTheLimit) {
    HWND edit = MakeEdit(ES_RIGHT | ES_MULTILINE | ES_AUTOHSCROLL | ES_NUMBER);
    SendMessageW(edit, EM_LIMITTEXT, 3, 0);
    Type(edit, L"1a-2 ");
    EXPECT_EQ(Text(edit), L"12");
    Type(edit, L"345");
    EXPECT_EQ(Text(edit), L"123");
    EXPECT_EQ(GetWindowTextLengthW(edit), 3);
    EXPECT_EQ(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0), 3);

    // A full field still takes a digit in place of its selection.
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Type(edit, L"9");
    EXPECT_EQ(Text(edit), L"9");
}

TEST_F(EditTest, BackspaceDeletesBeforeTheCaretOrTheSelection) {
    HWND edit = MakeEdit(0);
    Type(edit, L"abc");
    Type(edit, L"\b");
    EXPECT_EQ(Text(edit), L"ab");
    SendMessageW(edit, EM_SETSEL, 0, -1);
    DWORD start = 9, end = 9;
    SendMessageW(edit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end);
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 2u);
    Type(edit, L"\b");
    EXPECT_EQ(Text(edit), L"");
    Type(edit, L"\b");
    EXPECT_EQ(Text(edit), L"");
}

TEST_F(EditTest, SetTextGetTextAndGetTextTruncation) {
    HWND edit = MakeEdit(ES_NUMBER);
    EXPECT_TRUE(SetWindowTextW(edit, L"175"));
    EXPECT_EQ(Text(edit), L"175");
    wchar_t small[3] = {L'x', L'x', L'x'};
    EXPECT_EQ(GetWindowTextW(edit, small, 3), 2);
    EXPECT_EQ(std::wstring(small), L"17");
    // Typed text is what GetWindowTextW reads back.
    SendMessageW(edit, EM_SETSEL, 3, 3);
    Type(edit, L"0");
    EXPECT_EQ(Text(edit), L"1750");
}

TEST_F(EditTest, FocusAndChangesAreReportedToTheParent) {
    HWND edit = MakeEdit(ES_NUMBER);
    SendMessageW(edit, EM_LIMITTEXT, 1, 0);
    SetFocus(edit);
    Type(edit, L"x");  // refused: no notification
    Type(edit, L"5");
    Type(edit, L"6");  // over the limit
    SetFocus(nullptr);
    EXPECT_EQ(Notifications(edit), (std::vector<WORD>{EN_SETFOCUS, EN_CHANGE, EN_MAXTEXT, EN_KILLFOCUS}));
}

TEST_F(EditTest, MultilineSetTextSendsNoChangeButSingleLineDoes) {
    HWND multi = MakeEdit(ES_MULTILINE);
    SetWindowTextW(multi, L"1");
    EXPECT_TRUE(Notifications(multi).empty());
    HWND single = MakeEdit(0, 27, 219);
    SetWindowTextW(single, L"1");
    EXPECT_EQ(Notifications(single), (std::vector<WORD>{EN_CHANGE}));
}

TEST_F(EditTest, TapGivesTheFocus) {
    HWND edit = MakeEdit(ES_NUMBER);
    Tap(50, 52 + 99);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(Notifications(edit), (std::vector<WORD>{EN_SETFOCUS}));
}

TEST_F(EditTest, PaintUsesTheParentsBrushAndTextColour) {
    EditBrush() = CreateSolidBrush(RGB(0xC0, 0x00, 0x00));
    HWND edit = MakeEdit(ES_NUMBER);
    UpdateWindow(edit);
    EXPECT_GE(Count(view_, WM_CTLCOLOREDIT), 1);
    bool askedForThisEdit = false;
    for (const Seen& seen : Log())
        askedForThisEdit |=
            seen.hWnd == view_ && seen.message == WM_CTLCOLOREDIT && seen.lParam == (LPARAM)edit;
    EXPECT_TRUE(askedForThisEdit);
    EXPECT_EQ(MvGetScreenPixel(28, 52 + 80), 0xC00000u);
    EXPECT_EQ(MvGetScreenPixel(86, 52 + 118), 0xC00000u);
    // Empty and unfocused: nothing but background.
    EXPECT_EQ(BrightPixels(RECT{27, 52 + 79, 87, 52 + 119}), 0);
    SetWindowTextW(edit, L"88");
    Pump();
    EXPECT_GT(BrightPixels(RECT{27, 52 + 79, 87, 52 + 119}), 20);
}

// Leftmost and rightmost columns holding white text pixels inside a screen rectangle.
std::pair<int, int> TextSpan(const RECT& rect) {
    int first = -1, last = -1;
    for (int x = rect.left; x < rect.right; ++x) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            if ((MvGetScreenPixel(x, y) & 0xFF) > 0xC0) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(EditTest, AlignmentFollowsTheStyle) {
    EditBrush() = CreateSolidBrush(RGB(0, 0, 0));
    HWND left = MakeEdit(0, 10, 100, 200, 40);
    HWND right = MakeEdit(ES_RIGHT, 10, 200, 200, 40);
    HWND centre = MakeEdit(ES_CENTER, 10, 300, 200, 40);
    SetWindowTextW(left, L"123");
    SetWindowTextW(right, L"123");
    SetWindowTextW(centre, L"123");
    Pump();
    const auto l = TextSpan(RECT{10, 152, 210, 192});
    const auto r = TextSpan(RECT{10, 252, 210, 292});
    const auto c = TextSpan(RECT{10, 352, 210, 392});
    ASSERT_GE(l.first, 0);
    ASSERT_GE(r.first, 0);
    ASSERT_GE(c.first, 0);
    EXPECT_LT(l.first - 10, 8);
    EXPECT_LT(210 - r.second, 10);
    EXPECT_LT(std::abs((c.first + c.second) / 2 - 110), 6);
}

TEST_F(EditTest, FocusedEditShowsCaretAndSelection) {
    EditBrush() = CreateSolidBrush(RGB(0, 0, 0));
    HWND edit = MakeEdit(0, 10, 100, 200, 40);
    SetWindowTextW(edit, L"42");
    Pump();
    const int unfocused = BrightPixels(RECT{10, 152, 210, 192});
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    Pump();
    int highlighted = 0;
    for (int x = 10; x < 210; ++x) highlighted += IsBluish(MvGetScreenPixel(x, 172)) ? 1 : 0;
    EXPECT_GT(highlighted, 10);
    SendMessageW(edit, EM_SETSEL, (WPARAM)-1, 0);
    Pump();
    EXPECT_GT(BrightPixels(RECT{10, 152, 210, 192}), unfocused);  // the caret
}

}  // namespace
}  // namespace shell_test
