// The dispatcher's routing, on an application object whose views are recording stand-ins.
#include "app/application.h"

#include <gtest/gtest.h>

#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"
#include "testing/recording_view_test_util.h"

namespace {

using Log = std::vector<std::string>;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartHeadlessPlatform();
        ViewCallLog().clear();
        app = new CApplication;
        for (int i = 0; i < VIEW_COUNT; ++i) app->ReplaceViewForTest(i, new CRecordingView<CNullView>(i));
    }
    void TearDown() override {
        delete app;
        MvPlatformShutdown();
    }
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        app->Dispatch(nullptr, message, wParam, lParam);
    }
    // Switches and forgets the Show calls it caused.
    void SwitchTo(int index) {
        Send(UM_SWITCH_VIEW, index);
        ViewCallLog().clear();
    }
    CApplication* app = nullptr;
};

TEST_F(DispatchTest, SwitchHidesCurrentThenShowsTargetAndRemembersPrevious) {
    Send(UM_SWITCH_VIEW, VIEW_HISTORY);
    EXPECT_EQ(ViewCallLog(), (Log{"0:Show(false,0)", "3:Show(true,0)"}));
    EXPECT_EQ(app->CurrentIndex(), 3);
    EXPECT_EQ(app->PreviousIndex(), 0);

    // Switching to the current view hides and re-shows it and makes it its own previous view.
    ViewCallLog().clear();
    Send(UM_SWITCH_VIEW, VIEW_HISTORY);
    EXPECT_EQ(ViewCallLog(), (Log{"3:Show(false,3)", "3:Show(true,3)"}));
    EXPECT_EQ(app->CurrentIndex(), 3);
    EXPECT_EQ(app->PreviousIndex(), 3);
}

TEST_F(DispatchTest, SwitchToAnIndexOutsideTheViewsIsIgnored) {
    SwitchTo(VIEW_PROFILE);
    Send(UM_SWITCH_VIEW, VIEW_COUNT);
    Send(UM_SWITCH_VIEW, (WPARAM)-1);
    Send(UM_SWITCH_VIEW, 0x10000);
    EXPECT_TRUE(ViewCallLog().empty());
    EXPECT_EQ(app->CurrentIndex(), 1);
    EXPECT_EQ(app->PreviousIndex(), 0);
}

TEST_F(DispatchTest, EventsAndMotionReachCurrentThenPreviousOnly) {
    MotionRecord record = {42, 1.5, 30.0};
    SwitchTo(VIEW_HISTORY);
    Send(UM_VIEW_EVENT, 7, (LPARAM)L"TIME");
    Send(UM_MOTION_INFO, 0, (LPARAM)&record);
    EXPECT_EQ(ViewCallLog(),
              (Log{"3:OnEvent(7,TIME)", "0:OnEvent(7,TIME)", "3:OnMotionInfo(42)", "0:OnMotionInfo(42)"}));

    // main -> history -> popup: the main view is neither current nor previous any more.
    SwitchTo(VIEW_POPUP);
    Send(UM_VIEW_EVENT, 3, (LPARAM)L"BUT_NO");
    Send(UM_MOTION_INFO, 0, (LPARAM)&record);
    EXPECT_EQ(ViewCallLog(), (Log{"2:OnEvent(3,BUT_NO)", "3:OnEvent(3,BUT_NO)", "2:OnMotionInfo(42)",
                                  "3:OnMotionInfo(42)"}));
}

// The history's bubble: the statistics view learns the page, then comes up; without a page
// nothing happens.
TEST_F(DispatchTest, OpenStatsHandsThePageToTheStatsViewThenShowsIt) {
    SwitchTo(VIEW_HISTORY);
    Send(UM_OPEN_STATS, 0, 0);
    EXPECT_TRUE(ViewCallLog().empty());
    StatsPage page{};
    page.nKind = STATS_MONTH;
    Send(UM_OPEN_STATS, 0, (LPARAM)&page);
    EXPECT_EQ(ViewCallLog(), (Log{"4:OnStatsPage(1)", "3:Show(false,3)", "4:Show(true,3)"}));
    EXPECT_EQ(app->CurrentIndex(), VIEW_STATS);
    EXPECT_EQ(app->PreviousIndex(), VIEW_HISTORY);
}

TEST_F(DispatchTest, LanguageReachesEveryViewInIndexOrder) {
    SwitchTo(VIEW_POPUP);
    Send(UM_SET_LANGUAGE, 1);
    EXPECT_EQ(ViewCallLog(), (Log{"0:OnLanguage(1)", "1:OnLanguage(1)", "2:OnLanguage(1)", "3:OnLanguage(1)",
                                  "4:OnLanguage(1)"}));
}

TEST_F(DispatchTest, CommandGoesToCurrentViewAndIdOkAddsOk) {
    SwitchTo(VIEW_PROFILE);
    Send(WM_COMMAND, MAKEWPARAM(IDOK, 0));
    Send(WM_COMMAND, MAKEWPARAM(40003, 1));
    Send(WM_COMMAND, MAKEWPARAM(IDOK, 0x300));
    EXPECT_EQ(ViewCallLog(), (Log{"1:OnCommand(1,0)", "1:OnOk()", "1:OnCommand(40003,1)",
                                  "1:OnCommand(1,768)", "1:OnOk()"}));
}

TEST_F(DispatchTest, AnimationTimerAndOtherTimersTakeSeparateHandlers) {
    Send(WM_TIMER, TIMER_ANIMATION);
    Send(WM_TIMER, TIMER_VALUES);
    Send(WM_TIMER, TIMER_NOTICE);
    EXPECT_EQ(ViewCallLog(), (Log{"0:OnAnimationTimer()", "0:OnTimer(30)", "0:OnTimer(10)"}));
}

TEST_F(DispatchTest, StylusCoordinatesAreUnsignedWords) {
    SwitchTo(VIEW_HISTORY);
    Send(WM_LBUTTONDOWN, 0, MAKELPARAM(479, 695));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(0xFFFF, 0x8000));
    EXPECT_EQ(ViewCallLog(), (Log{"3:OnLButtonDown(479,695)", "3:OnLButtonUp(65535,32768)"}));
}

TEST_F(DispatchTest, SingleViewMessagesReachOnlyTheCurrentView) {
    SwitchTo(VIEW_PROFILE);
    Send(UM_LEFT_SOFTKEY);
    Send(UM_RIGHT_SOFTKEY);
    Send(UM_RESET_MAIN);
    Send(UM_INVALIDATE);
    Send(UM_PROFILE_DATA);
    Send(WM_NOTIFY);
    app->Paint(nullptr);
    app->DrawItem(0, 0);
    app->CtlColorEdit(nullptr, nullptr);
    EXPECT_EQ(ViewCallLog(), (Log{"1:OnLeftSoftKey()", "1:OnRightSoftKey()", "1:OnReset()",
                                  "1:OnInvalidate()", "1:OnProfileData()", "1:OnNotify()", "1:OnPaint()",
                                  "1:OnDrawItem()", "1:OnCtlColorEdit()"}));
}

TEST_F(DispatchTest, DestroyOfTheMainWindowReleasesAndDeletesViewsInOrder) {
    // Another window's WM_DESTROY (a view window) leaves everything in place.
    app->Dispatch((HWND)0x1234, WM_DESTROY, 0, 0);
    EXPECT_TRUE(ViewCallLog().empty());
    ASSERT_NE(app->GetView(0), nullptr);

    Send(WM_DESTROY);
    EXPECT_EQ(ViewCallLog(),
              (Log{"0:Release()", "1:Release()", "2:Release()", "3:Release()", "4:Release()"}));
    for (int i = 0; i < VIEW_COUNT; ++i) EXPECT_EQ(app->GetView(i), nullptr);
}

TEST_F(DispatchTest, WithoutViewsViewMessagesDoNothing) {
    for (int i = 0; i < VIEW_COUNT; ++i) delete app->ReplaceViewForTest(i, nullptr);
    ViewCallLog().clear();
    MotionRecord record = {1, 0, 0};
    const UINT messages[] = {UM_SWITCH_VIEW, UM_LEFT_SOFTKEY, UM_RIGHT_SOFTKEY, UM_RESET_MAIN,
                             UM_INVALIDATE,  UM_PROFILE_DATA, UM_SET_LANGUAGE,  WM_COMMAND,
                             WM_TIMER,       WM_LBUTTONDOWN,  WM_LBUTTONUP,     WM_NOTIFY};
    for (UINT message : messages) Send(message, 1, 0);
    Send(UM_VIEW_EVENT, 1, (LPARAM)L"TIME");
    Send(UM_MOTION_INFO, 0, (LPARAM)&record);
    app->Paint(nullptr);
    EXPECT_EQ(app->CtlColorEdit(nullptr, nullptr), nullptr);
    EXPECT_EQ(app->CurrentIndex(), 0);
    EXPECT_TRUE(ViewCallLog().empty());
}

TEST_F(DispatchTest, UnstartedApplicationHandsOutNoDatabaseAndIgnoresEngineMessages) {
    sqlite3* db = (sqlite3*)0x1;
    Send(UM_GET_DB, 0, (LPARAM)&db);
    EXPECT_EQ(db, nullptr);
    EXPECT_FALSE(app->EngineStarted());
    // Without a database the engine never started: none of these may reach it.
    TodayTotals totals = {};
    UserBody body = {65, 175};
    Send(UM_ENGINE_START);
    Send(UM_ENGINE_STOP);
    Send(UM_SAVE_TODAY);
    Send(UM_RESET_STEPS);
    Send(UM_SELECT_TODAY, 0, (LPARAM)&totals);
    Send(UM_SET_USER_INFO, 0, (LPARAM)&body);
    Send(UM_SET_PROFILE, (WPARAM)L"175", (LPARAM)L"65");
    Send(UM_EXEC_SQL, 0, (LPARAM)L"select 1;");
    Send(UM_LOAD_PROFILE);
    Send(UM_SENSOR_DATA, 1, 2);
    Send(WM_ACTIVATE, WA_ACTIVE);
    EXPECT_FALSE(app->Engine().IsSensorRunning());
    EXPECT_TRUE(ViewCallLog().empty());
}

}  // namespace
