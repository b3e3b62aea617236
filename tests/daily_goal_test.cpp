// The daily goal end to end on the headless display and the manual clock: typed on the profile,
// refused out of range, stored in its own table and offered again after a restart; the main
// view's band at no, half and full progress and as the steps come; the notice once per day on a
// private session bus with a notification server; the goal on the history's week page.
#include <gio/gio.h>

#include "app/text_tables.h"
#include "main_screen_test_util.h"
#include "profile_test_util.h"
#include "screens/history/log_screen.h"
#include "screens/main/main_layout.h"
#include "store/schema.h"
#include "testing/dbus_test_util.h"

namespace {

using namespace profiletest;
using maintest::ExecSqlOn;
using maintest::kStartStop;
using maintest::kToday;
using maintest::MainView;
using maintest::RecordingPath;
using maintest::ViewPixel;

constexpr const char* kGoalBox = "240 571";  // view (240, 519)
constexpr uint32_t kTrack = 0x404040;
constexpr uint32_t kBar = 0x00A1D6;  // the main view's label colour
// Inside the track, at its left and right ends (view coordinates).
constexpr int kBandRow = 370;
constexpr int kTrackLeft = 32;
constexpr int kTrackRight = 272;

std::string GoalRow(const std::string& db) {
    return QueryText(db, "SELECT steps || '|' || ifnull(noticed, '') FROM goal;");
}

bool StoreGoal(const std::string& db, int steps, const std::string& noticed = "NULL") {
    return ExecSqlOn(db, std::string(kGoalTable.pszCreate) + "; INSERT INTO goal VALUES(" +
                             std::to_string(steps) + ", " + noticed + ");");
}

bool StoreToday(const std::string& db, const std::string& date, int steps) {
    return ExecSqlOn(db, "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + date +
                             "', '00:10:00', " + std::to_string(steps) + ", 10.0, 100.0);");
}

// How far the bar reaches along the track's row: the first column that is not bar colour.
int BarEnd() {
    int x = kTrackLeft;
    while (x < kTrackRight && ViewPixel(x, kBandRow) == kBar) ++x;
    return x;
}

// ---- Profile -------------------------------------------------------------------------------------

TEST(GoalProfileTest, ATypedGoalIsStoredWithTheProfileAndOfferedAgainAfterARestart) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    int mainGoal = -1, view = -1;
    std::string field;
    run.Hook("saved", [&] {
        mainGoal = MainView()->Goal();
        view = CurrentView();
    });
    run.Hook("opened", [&] { field = FieldText(ProfileView()->GoalField()); });
    EXPECT_EQ(run.Run(std::string("wait 500\nsoftkey left\nwait 300\ntap ") + kGoalBox +
                      "\ntype 8000\nsoftkey left\nwait 300\ncall saved\nquit\n"),
              0);
    EXPECT_EQ(view, VIEW_MAIN);
    EXPECT_EQ(mainGoal, 8000);
    EXPECT_EQ(GoalRow(run.DbPath()), "8000|");
    // The three tables as they were, the goal's beside them.
    EXPECT_EQ(shelltest::TableNames(run.DbPath()),
              (std::vector<std::string>{"firstuse", "pedometer", "sqlite_sequence", "info", "goal"}));

    mainGoal = -1;
    EXPECT_EQ(run.Run("wait 500\ncall saved\nsoftkey left\nwait 300\ncall opened\nquit\n"), 0);
    EXPECT_EQ(mainGoal, 8000);
    EXPECT_EQ(field, "8000");
}

TEST(GoalProfileTest, CancelKeepsTheStoredGoalAndAnEmptyFieldClearsIt) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(0));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 8000, "'2024-03-13'"));
    std::string reopened;
    int afterCancel = -1;
    run.Hook("cancelled", [&] { afterCancel = MainView()->Goal(); });
    run.Hook("reopened", [&] { reopened = FieldText(ProfileView()->GoalField()); });
    EXPECT_EQ(run.Run(std::string("wait 500\nsoftkey left\nwait 300\ntap ") + kGoalBox +
                      "\ntype 5000\nsoftkey right\nwait 300\ncall cancelled\nsoftkey left\nwait 300\ncall "
                      "reopened\nquit\n"),
              0);
    EXPECT_EQ(afterCancel, 8000);
    EXPECT_EQ(reopened, "8000");
    EXPECT_EQ(GoalRow(run.DbPath()), "8000|2024-03-13");

    // Tapping the field selects its text; Backspace empties it; Ok stores no goal.
    int cleared = -1;
    run.Hook("cleared", [&] { cleared = MainView()->Goal(); });
    EXPECT_EQ(run.Run(std::string("wait 500\nsoftkey left\nwait 300\ntap ") + kGoalBox +
                      "\nwait 100\nkey BACK\nsoftkey left\nwait 300\ncall cleared\nquit\n"),
              0);
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(GoalRow(run.DbPath()), "0|2024-03-13");
}

// A goal that cannot be written is reported as a failed save, and the goal stays what it was.
TEST(GoalProfileTest, AFailedGoalWriteIsReportedAsAFailedSave) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 8000));
    ASSERT_TRUE(
        ExecSqlOn(run.DbPath(),
                  "CREATE TRIGGER refuse BEFORE UPDATE ON goal BEGIN SELECT RAISE(FAIL, 'refused'); END;"));
    std::wstring caption;
    int goal = -1;
    run.Hook("box", [&] {
        HWND box = FindWindowW(MV_MSGBOX_CLASS, nullptr);
        wchar_t text[64] = {};
        if (box) GetWindowTextW(box, text, 64);
        caption = text;
        goal = MainView()->Goal();
        MvMessageBoxEnd(IDOK);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run(std::string("wait 500\nsoftkey left\nwait 300\ntap ") + kGoalBox +
                      "\ntype 9000\nsoftkey left\nwait 300\ncall box\nquit\n"),
              0);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(caption, L"Not saved");
    EXPECT_EQ(goal, 8000);
    EXPECT_NE(said.find("the daily goal"), std::string::npos) << said;
    EXPECT_EQ(GoalRow(run.DbPath()), "8000|");
}

class GoalRangeTest : public ::testing::TestWithParam<const char*> {};

// A goal outside 100..99999 shows its message in the style of the height and weight messages,
// leaves the user in the goal field and stores nothing at all.
TEST_P(GoalRangeTest, AGoalOutOfRangeIsRefusedAndNothingIsStored) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    CProfileRecorder recorder;
    uint64_t shown = 0, expected = 0;
    std::wstring caption;
    RECT boxRect = {};
    HWND focused = nullptr, goalField = nullptr;
    int view = -1;
    run.Hook("watch", [&] { recorder.Start(); });
    run.Hook("box", [&] {
        HWND box = FindWindowW(MV_MSGBOX_CLASS, nullptr);
        wchar_t text[64] = {};
        if (box) GetWindowTextW(box, text, 64);
        caption = text;
        GetWindowRect(box, &boxRect);
        shown = ScreenChecksum(boxRect);
        MvMessageBoxEnd(IDOK);
    });
    run.Hook("after", [&] {
        focused = GetFocus();
        goalField = ProfileView()->GoalField();
        view = CurrentView();
        // The box as it should look, for comparison.
        MessageBoxW(GetMainWindow(), L"Enter a goal between 100 and 99999 steps", L"Input Error",
                    MB_ICONQUESTION);
    });
    run.Hook("reference", [&] {
        expected = ScreenChecksum(boxRect);
        MvMessageBoxEnd(IDOK);
    });
    EXPECT_EQ(
        run.Run(std::string("wait 500\nsoftkey left\nwait 300\ncall watch\ntap ") + kGoalBox + "\ntype " +
                GetParam() + "\nsoftkey left\ncall box\ncall after\ncall reference\nquit\n"),
        0);
    ASSERT_EQ(run.Calls("box"), 1);
    EXPECT_EQ(caption, L"Input Error");
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(view, VIEW_PROFILE);
    EXPECT_EQ(focused, goalField);
    EXPECT_TRUE(recorder.sql.empty());
    EXPECT_TRUE(recorder.profiles.empty());
    EXPECT_EQ(GoalRow(run.DbPath()), "");
}

INSTANTIATE_TEST_SUITE_P(Bounds, GoalRangeTest, ::testing::Values("99", "0", "00042"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string("Goal") + info.param;
                         });

// ---- Main view -----------------------------------------------------------------------------------

struct BandCase {
    int steps;
    int barEnd;  // first column of the track that is not bar colour
};

class GoalBandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(GoalBandTest, TheBandShowsTodaysShareOfTheGoal) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 1000));
    ASSERT_TRUE(StoreToday(run.DbPath(), kToday, GetParam().steps));
    int end = -1;
    uint32_t rightEnd = 0;
    run.Hook("look", [&] {
        end = BarEnd();
        rightEnd = ViewPixel(kTrackRight - 1, kBandRow);
    });
    EXPECT_EQ(run.Run("wait 500\ncall look\nquit\n"), 0);
    EXPECT_EQ(end, GetParam().barEnd);
    EXPECT_EQ(rightEnd, GetParam().barEnd == kTrackRight ? kBar : kTrack);
}

INSTANTIATE_TEST_SUITE_P(Progress, GoalBandTest,
                         ::testing::Values(BandCase{0, kTrackLeft}, BandCase{500, kTrackLeft + 120},
                                           BandCase{1000, kTrackRight}, BandCase{1500, kTrackRight}),
                         [](const ::testing::TestParamInfo<BandCase>& info) {
                             return "Steps" + std::to_string(info.param.steps);
                         });

TEST(GoalBandTest, WithoutAGoalTheBandStaysBlack) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    ASSERT_TRUE(StoreToday(run.DbPath(), kToday, 500));
    int lit = -1;
    run.Hook("look", [&] {
        lit = 0;
        for (int y = 352; y < 392; ++y)
            for (int x = 32; x < 448; ++x) lit += ViewPixel(x, y) != 0;
    });
    EXPECT_EQ(run.Run("wait 500\ncall look\nquit\n"), 0);
    EXPECT_EQ(lit, 0);
    // Nothing is written for a user who never set a goal.
    EXPECT_EQ(GoalRow(run.DbPath()), "");
}

// The band follows the steps through the view's small repaints, and a reset empties it.
TEST(GoalBandTest, TheBandFollowsTheStepsAndAReset) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 120));
    run.SetSensor("replay:" + RecordingPath());
    std::vector<std::pair<int, int>> seen;  // (steps shown, bar end)
    run.Hook("look", [&] {
        const int steps = MainView()->TodaySteps() + MainView()->WorkoutSteps();
        seen.emplace_back(steps, BarEnd());
    });
    std::string script = std::string("wait 500\ntap ") + kStartStop + "\nwait 2500\n";
    for (int i = 0; i < 6; ++i) script += "wait 5000\ncall look\n";
    script += std::string("tap ") + kStartStop + "\nwait 300\ntap " + maintest::kReset +
              "\nwait 300\ncall look\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(seen.size(), 7u);
    int grew = 0;
    for (size_t i = 0; i + 1 < seen.size(); ++i) {
        EXPECT_EQ(seen[i].second, kTrackLeft + GoalBarWidth(seen[i].first, 120, kTrackRight - kTrackLeft))
            << seen[i].first;
        if (i > 0 && seen[i].first > seen[i - 1].first) ++grew;
    }
    EXPECT_GE(grew, 3);
    EXPECT_EQ(seen.back(), std::make_pair(0, kTrackLeft));
}

// At midnight the band starts again from the new day's steps, without any input.
TEST(GoalBandTest, AtMidnightTheBandEmpties) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 1000));
    ASSERT_TRUE(StoreToday(run.DbPath(), kToday, 500));
    run.SetStartLocalSeconds(shelltest::kStartLocalSeconds + 50369);  // 23:59:29
    int before = -1, after = -1;
    run.Hook("before", [&] { before = BarEnd(); });
    run.Hook("after", [&] { after = BarEnd(); });
    EXPECT_EQ(run.Run("wait 500\ncall before\nwait 31000\ncall after\nquit\n"), 0);
    EXPECT_EQ(before, kTrackLeft + 120);
    EXPECT_EQ(after, kTrackLeft);
}

// ---- The notice ----------------------------------------------------------------------------------

struct Notice {
    std::string app, icon, summary, body, entry;
};

std::vector<Notice> Notices(dbustest::CMockBus& bus) {
    std::vector<Notice> out;
    bus.ForEachCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                    [&](const std::string& method, const std::vector<GVariant*>& a) {
                        if (method != "Notify" || a.size() != 8) return;
                        Notice n{g_variant_get_string(a[0], nullptr), g_variant_get_string(a[2], nullptr),
                                 g_variant_get_string(a[3], nullptr), g_variant_get_string(a[4], nullptr),
                                 ""};
                        const gchar* entry = nullptr;
                        if (g_variant_lookup(a[6], "desktop-entry", "&s", &entry)) n.entry = entry;
                        out.push_back(n);
                    });
    return out;
}

class GoalNoticeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = dbustest::MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(run.PrepareStoredProfile(1));
        ASSERT_TRUE(StoreGoal(run.DbPath(), 1000));
        run.SetSensor("replay:" + RecordingPath());
    }
    void TearDown() override { unsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    // A walk of the whole recording (63 steps) from the main view.
    static std::string Walk() {
        return std::string("wait 500\ntap ") + kStartStop + "\nwait 40000\ntap " + kStartStop +
               "\nwait 300\n";
    }
    static int Pulses() {
        int on = 0;
        for (int state : MvVibrationLog()) on += state != 0;
        return on;
    }

    CShellRun run;
};

TEST_F(GoalNoticeTest, OneNoticeAtTheCrossingNoneAfterARestartThatDayAndOneTheNextDay) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.Start({"-t", "notification_daemon"}, "org.freedesktop.Notifications"));
    ASSERT_TRUE(StoreToday(run.DbPath(), kToday, 990));
    int pulses = -1;
    run.Hook("walked", [&] { pulses = Pulses(); });
    EXPECT_EQ(run.Run(Walk() + "wait 2000\ncall walked\nquit\n"), 0);
    std::vector<Notice> notices = Notices(bus);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].app, "Movimetra");
    EXPECT_EQ(notices[0].icon, "org.movimetra.Movimetra");
    EXPECT_EQ(notices[0].summary, "Daily goal reached");
    EXPECT_NE(notices[0].body.find("1000"), std::string::npos) << notices[0].body;
    EXPECT_NE(notices[0].body.find("steps today"), std::string::npos) << notices[0].body;
    EXPECT_EQ(notices[0].entry, "org.movimetra.Movimetra");
    EXPECT_EQ(pulses, 3);  // the goal's pattern
    EXPECT_EQ(GoalRow(run.DbPath()), std::string("1000|") + kToday);

    // The same day again, after a restart: walking on past the goal says nothing.
    EXPECT_EQ(run.Run(Walk() + "quit\n"), 0);
    EXPECT_EQ(Notices(bus).size(), 1u);

    // The next day: a new crossing, a new notice.
    run.SetStartLocalSeconds(shelltest::kStartLocalSeconds + 86400);
    ASSERT_TRUE(StoreToday(run.DbPath(), "2024-03-15", 995));
    EXPECT_EQ(run.Run(Walk() + "quit\n"), 0);
    notices = Notices(bus);
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(GoalRow(run.DbPath()), "1000|2024-03-15");
}

TEST_F(GoalNoticeTest, WithoutANotificationServerOneLineAndTheVibrationAlone) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.StartBus());
    ASSERT_TRUE(StoreToday(run.DbPath(), kToday, 990));
    int pulses = -1;
    run.Hook("walked", [&] { pulses = Pulses(); });
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run(Walk() + "wait 2000\ncall walked\nquit\n"), 0);
    const std::string said = testing::internal::GetCapturedStderr();
    size_t lines = 0;
    for (size_t at = said.find("notification server"); at != std::string::npos;
         at = said.find("notification server", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
    EXPECT_EQ(pulses, 3);
    EXPECT_EQ(GoalRow(run.DbPath()), std::string("1000|") + kToday);
}

TEST_F(GoalNoticeTest, AHandEditedDayPastTheLargestCountIsThatCountNeverNegative) {
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.Start({"-t", "notification_daemon"}, "org.freedesktop.Notifications"));
    ASSERT_TRUE(
        ExecSqlOn(run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                                    std::string(kToday) + "', '00:10:00', 3000000000, 10.0, 100.0);"));
    EXPECT_EQ(run.Run(Walk() + "quit\n"), 0);
    std::vector<Notice> notices = Notices(bus);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].body.rfind("2147483647 steps today", 0), 0u) << notices[0].body;
    EXPECT_EQ(maintest::QueryText(run.DbPath(), "SELECT steps FROM pedometer;"), "2147483647");
}

// ---- History -------------------------------------------------------------------------------------

TEST(GoalHistoryTest, WeekAndMonthPagesDrawTheGoalLineAndTheWeekMarksTheDaysAtOrOverIt) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    // Week of Sunday 2024-03-10: scale step 1200 (maximum 5000), goal 3000 at row 648 - 200 = 448.
    ASSERT_TRUE(StoreToday(run.DbPath(), "2024-03-10", 2000));
    ASSERT_TRUE(StoreToday(run.DbPath(), "2024-03-11", 3000));
    ASSERT_TRUE(StoreToday(run.DbPath(), "2024-03-12", 5000));
    ASSERT_TRUE(StoreGoal(run.DbPath(), 3000));
    std::vector<uint32_t> line;
    std::vector<uint32_t> centres, rings;
    run.Hook("week", [&] {
        CLogScreen* log = static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
        ASSERT_EQ(log->Tick(5), 6000);
        for (int x : {90, 200, 300, 440}) line.push_back(ViewPixel(x, 448));
        for (int i = 0; i < 3; ++i) {
            const int x = log->PointX(i) + 10, y = log->PointY(i);
            centres.push_back(ViewPixel(x, y));
            rings.push_back(ViewPixel(x - 5, y - 5));
        }
    });
    // The month page: weekly sums on their own scale (step 2000), the goal's line at 3000, and no
    // marks, since its points are not days.
    std::vector<uint32_t> monthLine;
    int monthRings = -1;
    run.Hook("month", [&] {
        CLogScreen* log = static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
        ASSERT_EQ(log->Period(), 1);
        ASSERT_EQ(log->Tick(1), 2000);
        for (int x : {90, 300, 440}) monthLine.push_back(ViewPixel(x, 528));
        monthRings = 0;
        for (int i = 0; i < 5; ++i)
            monthRings += ViewPixel(log->PointX(i) + 10 - 5, log->PointY(i) - 5) == 0xFFBE00u;
    });
    EXPECT_EQ(run.Run(std::string("wait 500\ntap ") + maintest::kLog +
                      "\nwait 500\ncall week\ntap 240 97\nwait 300\ncall month\nquit\n"),
              0);
    for (uint32_t p : monthLine) EXPECT_EQ(p, 0xFFBE00u);
    EXPECT_EQ(monthRings, 0);
    for (uint32_t p : line) EXPECT_EQ(p, 0xFFBE00u);
    EXPECT_EQ(centres, (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
    // 2000 is under the goal: the plain marker; 3000 and 5000 get the goal's mark.
    EXPECT_NE(rings[0], 0xFFBE00u);
    EXPECT_EQ(rings[1], 0xFFBE00u);
    EXPECT_EQ(rings[2], 0xFFBE00u);
}

}  // namespace
