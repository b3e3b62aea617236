// Start-up of the whole program: the first view chosen from the database, the main window's
// place, and a database that cannot be opened.
#include <sys/stat.h>

#include "app/popup_dlg.h"
#include "platform/mv_platform.h"
#include "screens/history/log_screen.h"
#include "screens/main/main_screen.h"
#include "screens/profile/profile_screen.h"
#include "tests/shell_harness_test_util.h"

namespace {

using shelltest::CShellRun;

TEST(ShellStartTest, StoredProfileStartsOnTheMainView) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    run.Hook("check", [] {
        CApplication* app = GetApplication();
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(app->CurrentIndex(), 0);
        EXPECT_EQ(app->PreviousIndex(), 0);
        EXPECT_TRUE(app->EngineStarted());
        EXPECT_NE(app->Database(), nullptr);
        auto* main = dynamic_cast<CMainScreen*>(app->GetView(0));
        ASSERT_NE(main, nullptr);
        EXPECT_NE(dynamic_cast<CProfileScreen*>(app->GetView(1)), nullptr);
        EXPECT_NE(dynamic_cast<CPopupDlg*>(app->GetView(2)), nullptr);
        EXPECT_NE(dynamic_cast<CLogScreen*>(app->GetView(3)), nullptr);
        EXPECT_TRUE(main->Common().bShown);
        EXPECT_TRUE(IsWindowVisible(main->Common().hWnd));
        EXPECT_NE(main->Common().hMenuBar, nullptr);
        EXPECT_FALSE(IsWindowVisible(static_cast<CProfileScreen*>(app->GetView(1))->Common().hWnd));
        // The views were made before the main window shrank: 480 x 748 from row 52, of which
        // the main window shows the top 696 rows.
        RECT viewRect = {};
        GetWindowRect(main->Common().hWnd, &viewRect);
        EXPECT_EQ(viewRect.top, 52);
        EXPECT_EQ(viewRect.right, 480);
        EXPECT_EQ(viewRect.bottom, 800);

        // The main window spans rows 52-747 above the soft-key bar; the title-bar OK button is off.
        HWND hMain = GetMainWindow();
        ASSERT_NE(hMain, nullptr);
        EXPECT_EQ(app->MainWindow(), hMain);
        RECT rect = {};
        GetWindowRect(hMain, &rect);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, 52);
        EXPECT_EQ(rect.right, 480);
        EXPECT_EQ(rect.bottom, 748);
        EXPECT_EQ((DWORD)GetWindowLongW(hMain, GWL_EXSTYLE) & 0x80000000u, 0u);
        EXPECT_NE(GetInitialMenuBar(), nullptr);
        wchar_t title[32] = {};
        GetWindowTextW(hMain, title, 32);
        EXPECT_STREQ(title, L"Movimetra");
        EXPECT_EQ(FindWindowW(L"ZUNO", L"Movimetra"), hMain);
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
    EXPECT_EQ(GetApplication(), nullptr);
}

TEST(ShellStartTest, StoredEnglishProfileSwitchesEveryViewToEnglish) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    run.Hook("check", [] {
        CApplication* app = GetApplication();
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(static_cast<CMainScreen*>(app->GetView(0))->Common().nTextOffset, 56);
        EXPECT_EQ(static_cast<CProfileScreen*>(app->GetView(1))->Common().nImageOffset, 59);
        EXPECT_EQ(static_cast<CPopupDlg*>(app->GetView(2))->Common().nTextOffset, 56);
        EXPECT_EQ(static_cast<CLogScreen*>(app->GetView(3))->Common().nImageOffset, 59);
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

TEST(ShellStartTest, FreshFolderCreatesTheTablesAndOpensTheProfileView) {
    CShellRun run;
    run.Hook("check", [] {
        CApplication* app = GetApplication();
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(app->CurrentIndex(), 1);
        EXPECT_EQ(app->PreviousIndex(), 0);
        auto* profile = static_cast<CProfileScreen*>(app->GetView(1));
        EXPECT_TRUE(profile->Common().bShown);
        EXPECT_NE(profile->Common().hMenuBar, nullptr);
        // The profile view asks for the title-bar OK button.
        EXPECT_NE((DWORD)GetWindowLongW(GetMainWindow(), GWL_EXSTYLE) & 0x80000000u, 0u);
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
    EXPECT_EQ(shelltest::TableNames(run.DbPath()),
              (std::vector<std::string>{"firstuse", "pedometer", "sqlite_sequence", "info"}));
}

TEST(ShellStartTest, UnopenableDatabaseShowsTheMessageAndKeepsAnEmptyWindowUntilClosed) {
    CShellRun run;
    // A folder where the database file should be cannot be opened as one.
    ASSERT_EQ(mkdir(run.DbPath().c_str(), 0755), 0);
    run.Hook("in_box", [&] {
        // "Cant open database" is up while the application object is still starting.
        EXPECT_TRUE(MvMessageBoxActive());
        CApplication* app = GetApplication();
        ASSERT_NE(app, nullptr);
        for (int i = 0; i < VIEW_COUNT; ++i) EXPECT_EQ(app->GetView(i), nullptr);
    });
    run.Hook("after_box", [] {
        CApplication* app = GetApplication();
        ASSERT_NE(app, nullptr);
        EXPECT_FALSE(MvMessageBoxActive());
        for (int i = 0; i < VIEW_COUNT; ++i) EXPECT_EQ(app->GetView(i), nullptr);
        EXPECT_EQ(app->Database(), nullptr);
        EXPECT_FALSE(app->EngineStarted());
        HWND hMain = GetMainWindow();
        ASSERT_NE(hMain, nullptr);
        EXPECT_TRUE(IsWindowVisible(hMain));
        // Messages meant for views and for the engine find nothing and do no harm.
        SendMessageW(hMain, UM_SWITCH_VIEW, 1, 0);
        SendMessageW(hMain, UM_VIEW_EVENT, 0, (LPARAM)L"TIME");
        SendMessageW(hMain, UM_SET_LANGUAGE, 1, 0);
        SendMessageW(hMain, WM_TIMER, 30, 0);
        SendMessageW(hMain, UM_SAVE_TODAY, 0, 0);
        EXPECT_EQ(app->CurrentIndex(), 0);
    });
    EXPECT_EQ(run.Run("call in_box\nkey ENTER\nwait 5000\ncall after_box\nquit\n"), 0);
    EXPECT_EQ(run.Calls("in_box"), 1);
    EXPECT_EQ(run.Calls("after_box"), 1);
}

// After "Cant open database" is answered the box leaves no trace, and either soft key of the
// empty window ends the program as its close would.
TEST(ShellStartTest, AnsweredCantOpenDatabaseLeavesAnEmptyWindowWhoseSoftKeysEndTheProgram) {
    for (const char* key : {"left", "right"}) {
        CShellRun run;
        ASSERT_EQ(mkdir(run.DbPath().c_str(), 0755), 0);
        RECT box = {};
        int leftOver = -1;
        run.Hook("in_box", [&] { GetWindowRect(FindWindowW(MV_MSGBOX_CLASS, nullptr), &box); });
        run.Hook("still_running", [] {});
        run.Hook("after_box", [&] {
            leftOver = 0;
            for (int y = box.top; y < box.bottom; ++y)
                for (int x = box.left; x < box.right; ++x)
                    leftOver += (MvGetScreenPixel(x, y) & 0xFFFFFF) != 0;
        });
        EXPECT_EQ(run.Run(std::string("call in_box\nkey ENTER\nwait 500\ncall after_box\nsoftkey ") + key +
                          "\nwait 500\ncall still_running\nquit\n"),
                  0);
        EXPECT_GT(box.bottom - box.top, 100) << key;
        EXPECT_EQ(leftOver, 0) << key;
        EXPECT_EQ(run.Calls("still_running"), 0) << key;
        EXPECT_EQ(GetApplication(), nullptr) << key;
    }
}

}  // namespace
