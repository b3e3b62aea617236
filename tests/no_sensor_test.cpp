// No motion sensor: every Start tells the user that steps cannot be counted, in the
// view's language, and no workout starts, so no step and no row is ever stored.
#include "platform/mv_platform.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

std::wstring BoxCaption() {
    HWND box = FindWindowW(MV_MSGBOX_CLASS, nullptr);
    wchar_t text[64] = {};
    if (box) GetWindowTextW(box, text, 64);
    return text;
}

class NoSensorTest : public ::testing::Test {
protected:
    // Start, look, close the box; Start again, look, close; then a long wait.
    void StartTwice(int language) {
        ASSERT_TRUE(run.PrepareStoredProfile(language));
        run.Hook("look", [&] {
            captions.push_back(BoxCaption());
            EXPECT_EQ(MainView()->RunState(), MAIN_STOPPED);
            EXPECT_FALSE(GetApplication()->Engine().IsSensorRunning());
            EXPECT_EQ(MvNotificationCount(), 0);
        });
        std::string start = std::string("tap ") + kStartStop + "\nwait 500\ncall look\n";
        std::string script = "wait 500\n" + start + "shot " + run.Dir() + "/box.png\nkey ENTER\nwait 500\n" +
                             start + "key ENTER\nwait 30000\ncall look\nquit\n";
        EXPECT_EQ(run.Run(script), 0);
        EXPECT_TRUE(std::filesystem::exists(run.Dir() + "/box.png"));
        // The sensor was asked whether readings can come, never started.
        for (DWORD code : MvSensorControlLog()) EXPECT_NE(code, (DWORD)SENSOR_CTL_START);
        EXPECT_EQ(QueryInt(run.DbPath(), "SELECT COUNT(*) FROM pedometer;"), 0);
    }

    CShellRun run;
    std::vector<std::wstring> captions;
};

TEST_F(NoSensorTest, EnglishEveryStartSaysSoAndStartsNoWorkout) {
    StartTwice(1);
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"No sensor", L"No sensor", L""}));
}

TEST_F(NoSensorTest, KoreanStartSaysSoInKorean) {
    StartTwice(0);
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"센서 없음", L"센서 없음", L""}));
}

}  // namespace
