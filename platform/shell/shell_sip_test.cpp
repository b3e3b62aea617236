// Input panel: shown above the soft-key bar, its keys type into the focused window.
#include "platform/shell/shell_test_util.h"

namespace shell_test {
namespace {

class InputPanelTest : public ShellTest {};

TEST_F(InputPanelTest, KeysTypeIntoTheFocusedEditAndOffHidesThePanel) {
    HWND edit = Own(CreateWindowExW(0, L"edit", L"", WS_CHILD | WS_VISIBLE | ES_NUMBER, 27, 79, 60, 40, main_,
                                    (HMENU)6, nullptr, nullptr));
    SetFocus(edit);
    EXPECT_TRUE(SipShowIM(SIPF_ON));
    Pump();
    HWND panel = MvInputPanelWindow();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(IsWindowVisible(panel));
    RECT rect;
    GetWindowRect(panel, &rect);
    EXPECT_EQ(rect.bottom, 748);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.right, 480);

    RECT key;
    for (wchar_t ch : std::wstring(L"70\b5")) {
        ASSERT_TRUE(MvInputPanelKeyRect(ch, &key));
        Tap((key.left + key.right) / 2, (key.top + key.bottom) / 2);
    }
    wchar_t text[8] = {};
    GetWindowTextW(edit, text, 8);
    EXPECT_EQ(std::wstring(text), L"75");
    EXPECT_EQ(GetFocus(), edit);

    EXPECT_TRUE(SipShowIM(SIPF_OFF));
    Pump();
    EXPECT_FALSE(IsWindowVisible(panel));
    // Where the panel was, the main window shows again.
    EXPECT_EQ(MvGetScreenPixel(240, 700), 0x206020u);
}

TEST_F(InputPanelTest, TapWithoutFocusTypesNothing) {
    SetFocus(nullptr);
    SipShowIM(SIPF_ON);
    RECT key;
    ASSERT_TRUE(MvInputPanelKeyRect(L'1', &key));
    Tap(key.left + 5, key.top + 5);
    EXPECT_EQ(Count(main_, WM_CHAR), 0);
}

}  // namespace
}  // namespace shell_test
