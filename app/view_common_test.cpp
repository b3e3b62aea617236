// The views' shared behaviour: the child window's place, the Show pattern (title-bar OK
// button, soft-key bar, visibility) and the language offsets.
#include "app/view_common.h"

#include <gtest/gtest.h>

#include "app/text_tables.h"
#include "platform/mv_platform.h"
#include "resources/resource_ids.h"
#include "resources/resources.h"
#include "testing/headless_platform_test_util.h"

namespace {

class ViewCommonTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartHeadlessPlatform();
        RegisterMovimetraResources();
        ASSERT_TRUE(RegisterPlainTestClass(L"ZUNO"));
        ASSERT_TRUE(RegisterPlainTestClass(L"Simple"));
        hMain =
            CreateWindowExW(WS_EX_CAPTIONOKBTN, L"ZUNO", L"Movimetra", WS_VISIBLE, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(hMain, nullptr);
    }
    void TearDown() override { MvPlatformShutdown(); }
    DWORD MainExStyle() { return (DWORD)GetWindowLongW(hMain, GWL_EXSTYLE); }

    HWND hMain = nullptr;
};

TEST_F(ViewCommonTest, ViewWindowCoversTheMainWindowsClientArea) {
    // The main window as InitInstance leaves it: rows 52 to 747.
    MoveWindow(hMain, 0, 52, 480, 696, FALSE);
    ViewCommon view;
    ASSERT_TRUE(CreateViewWindow(view, hMain, 3));
    RECT rect = {};
    GetWindowRect(view.hWnd, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 52);
    EXPECT_EQ(rect.right, 480);
    EXPECT_EQ(rect.bottom, 748);
    EXPECT_EQ(GetParent(view.hWnd), hMain);
    EXPECT_EQ(GetDlgCtrlID(view.hWnd), 3);
    EXPECT_EQ(view.hMain, hMain);
    EXPECT_EQ(view.nIndex, 3);
}

TEST_F(ViewCommonTest, ShowSetsOrClearsTheCaptionOkButtonAndOwnsABarWhileShown) {
    ViewCommon view;
    ASSERT_TRUE(CreateViewWindow(view, hMain, 1));
    ShowViewCommon(view, false, 0, CaptionOk::Set, IDR_MENUBAR_PROFILE_KO, IDR_MENUBAR_PROFILE_EN);
    EXPECT_FALSE(IsWindowVisible(view.hWnd));

    SetWindowLongW(hMain, GWL_EXSTYLE, 0);
    ShowViewCommon(view, true, 2, CaptionOk::Set, IDR_MENUBAR_PROFILE_KO, IDR_MENUBAR_PROFILE_EN);
    EXPECT_NE(MainExStyle() & 0x80000000u, 0u);
    EXPECT_TRUE(view.bShown);
    EXPECT_EQ(view.nOther, 2);
    EXPECT_TRUE(IsWindowVisible(view.hWnd));
    HWND bar = view.hMenuBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(IsWindow(bar));
    HWND taskBar = FindWindowW(L"HHTaskBar", nullptr);
    ASSERT_NE(taskBar, nullptr);
    EXPECT_TRUE(IsWindowVisible(taskBar));

    // Shown again without a hide: the first bar does not linger.
    ShowViewCommon(view, true, 0, CaptionOk::Clear, IDR_MENUBAR_MAIN_KO, IDR_MENUBAR_MAIN_EN);
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(MainExStyle() & 0x80000000u, 0u);

    bar = view.hMenuBar;
    ShowViewCommon(view, false, 0, CaptionOk::Clear, IDR_MENUBAR_MAIN_KO, IDR_MENUBAR_MAIN_EN);
    EXPECT_FALSE(IsWindow(bar));
    EXPECT_EQ(view.hMenuBar, nullptr);
    EXPECT_FALSE(view.bShown);
    EXPECT_FALSE(IsWindowVisible(view.hWnd));
}

TEST_F(ViewCommonTest, PopupStyleShowLeavesTheCaptionAlone) {
    ViewCommon view;
    ASSERT_TRUE(CreateViewWindow(view, hMain, 2));
    SetWindowLongW(hMain, GWL_EXSTYLE, (LONG)0x80000000u);
    ShowViewCommon(view, true, 3, CaptionOk::Leave, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
    EXPECT_NE(MainExStyle() & 0x80000000u, 0u);
    SetWindowLongW(hMain, GWL_EXSTYLE, 0);
    ShowViewCommon(view, true, 3, CaptionOk::Leave, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
    EXPECT_EQ(MainExStyle() & 0x80000000u, 0u);
}

TEST_F(ViewCommonTest, ViewWithoutWindowIgnoresShowAndMissingBarLeavesNone) {
    ViewCommon windowless;
    ShowViewCommon(windowless, true, 1, CaptionOk::Clear, IDR_MENUBAR_MAIN_KO, IDR_MENUBAR_MAIN_EN);
    EXPECT_FALSE(windowless.bShown);
    EXPECT_EQ(windowless.hMenuBar, nullptr);

    ViewCommon view;
    ASSERT_TRUE(CreateViewWindow(view, hMain, 0));
    ShowViewCommon(view, true, 0, CaptionOk::Clear, 999, 998);
    EXPECT_EQ(view.hMenuBar, nullptr);
    EXPECT_TRUE(view.bShown);
}

TEST(LanguageOffsetsTest, OnlyOneMeansEnglish) {
    ViewCommon view;
    SetLanguageOffsets(view, 1);
    EXPECT_EQ(view.nTextOffset, 56);
    EXPECT_EQ(view.nImageOffset, 59);
    for (int other : {0, 2, -1, 256}) {
        SetLanguageOffsets(view, 1);
        SetLanguageOffsets(view, other);
        EXPECT_EQ(view.nTextOffset, 0) << other;
        EXPECT_EQ(view.nImageOffset, 0) << other;
    }
}

}  // namespace
