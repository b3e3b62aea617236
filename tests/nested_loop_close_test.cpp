// Closing the program while a nested message loop runs (the date picker, a message box): the
// loop ends as cancelled, its caller finishes, and only then does the close stop, save and
// destroy. Built with the address sanitizer, these runs also show that no freed object is used.
#include <sys/stat.h>

#include <string>

#include "app/application.h"
#include "app/win_main.h"
#include "platform/mv_platform.h"
#include "screens/history/log_screen.h"
#include "tests/main_screen_test_util.h"

namespace {

using shelltest::CShellRun;

// Watches the main window's destruction: how often, and what was still open at that moment.
struct DestroyWatch {
    int destroys = 0;
    bool boxOpen = false;
    bool windowOpen = false;
    int currentView = -1;
    bool savedBefore = false;
    HWND window = nullptr;  // a nested loop's window, noted while it is up

    void Start() {
        MvSetMessageObserver([this](HWND hWnd, UINT message, WPARAM, LPARAM) {
            if (hWnd != GetMainWindow()) return;
            if (message == UM_SAVE_TODAY) savedBefore = true;
            if (message != WM_DESTROY) return;
            ++destroys;
            boxOpen = MvMessageBoxActive();
            windowOpen = window != nullptr && IsWindow(window);
            CApplication* app = GetApplication();
            currentView = app ? app->CurrentIndex() : -1;
        });
    }
};

TEST(NestedLoopCloseTest, CloseWhileTheDatePickerIsOpenCancelsItThenEndsTheProgram) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::ExecSqlOn(
        run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                          std::string(maintest::kToday) + "', '00:10:00', 500, 20, 300);"));
    DestroyWatch watch;
    std::string title;
    run.Hook("observe", [&] { watch.Start(); });
    run.Hook("picker", [&] {
        // The picker has the focus while it is up.
        watch.window = GetFocus();
        EXPECT_NE(watch.window, nullptr);
        EXPECT_NE(watch.window, GetMainWindow());
        watch.savedBefore = false;
    });
    run.Hook("title", [&] {
        auto* history = static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
        for (const wchar_t* p = history->Title(); *p; ++p) title += (char)*p;
    });
    // Log, the history's week page ("Mar 2nd"), a tap on its title opens the picker, then close.
    EXPECT_EQ(run.Run("tap 400 692\ncall title\ncall observe\ntap 240 180\ncall picker\nquit\n"), 0);
    EXPECT_EQ(run.Calls("picker"), 1);
    EXPECT_EQ(title, "Mar 2nd");
    EXPECT_EQ(watch.destroys, 1);
    EXPECT_FALSE(watch.windowOpen);              // the picker was gone first
    EXPECT_EQ(watch.currentView, VIEW_HISTORY);  // and the history took the cancel as usual
    EXPECT_TRUE(watch.savedBefore);              // the close saved today's row on its way
    EXPECT_EQ(GetApplication(), nullptr);
    EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT steps FROM pedometer;"), 500);
}

TEST(NestedLoopCloseTest, CloseWhileTheProfilesRangeMessageIsUpAnswersItThenEndsTheProgram) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    DestroyWatch watch;
    bool boxUp = false;
    run.Hook("observe", [&] { watch.Start(); });
    run.Hook("box", [&] { boxUp = MvMessageBoxActive(); });
    // Profile, a height of 9 cm, Ok: "height out of range" is up when the close comes.
    EXPECT_EQ(run.Run("softkey left\ncall observe\ntap 300 150\ntype 9\nsoftkey left\ncall box\nquit\n"), 0);
    EXPECT_TRUE(boxUp);
    EXPECT_EQ(watch.destroys, 1);
    EXPECT_FALSE(watch.boxOpen);
    EXPECT_EQ(watch.currentView, VIEW_PROFILE);
    EXPECT_EQ(GetApplication(), nullptr);
    // Nothing out of range was stored.
    EXPECT_EQ(maintest::QueryText(run.DbPath(), "SELECT height FROM info;"), "175.0");
}

TEST(NestedLoopCloseTest, CloseWhileCantOpenDatabaseIsUpEndsTheProgramAfterTheStart) {
    CShellRun run;
    ASSERT_EQ(mkdir(run.DbPath().c_str(), 0755), 0);
    DestroyWatch watch;
    bool boxUp = false;
    run.Hook("box", [&] {
        boxUp = MvMessageBoxActive();
        watch.Start();
    });
    EXPECT_EQ(run.Run("call box\nquit\n"), 0);
    EXPECT_TRUE(boxUp);
    EXPECT_EQ(watch.destroys, 1);
    EXPECT_FALSE(watch.boxOpen);
    EXPECT_EQ(GetApplication(), nullptr);
}

}  // namespace
