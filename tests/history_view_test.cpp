// The history view end to end: opening on this week's steps, paging by arrows across months and
// years, the month and year tabs with their categories, and deleting every record through the
// confirmation popup. The run starts on Thursday 2024-03-14.
#include <string>

#include "app/application.h"
#include "app/win_main.h"
#include "picker/picker_layout.h"
#include "screens/history/log_screen.h"
#include "tests/history_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace historytest;
using shelltest::CShellRun;

bool AddDay(CShellRun& run, const char* date, int steps, double kcal) {
    return maintest::ExecSqlOn(
        run.DbPath(), std::string("INSERT INTO pedometer(curdate, curtime, steps, kcal, "
                                  "distance) VALUES('") +
                          date + "', '10:00', " + std::to_string(steps) + ", " + std::to_string(kcal) +
                          ", 0);");
}

TEST(HistoryViewTest, OpensOnThisWeeksStepsAndDrawsOnlyDaysUpToToday) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddDay(run, "2024-03-10", 3000, 120));
    ASSERT_TRUE(AddDay(run, "2024-03-13", 6001, 240));
    ASSERT_TRUE(AddDay(run, "2024-03-09", 9999, 0));  // the week before: not on this page
    bool checked = false;
    run.Hook("look", [&] {
        CLogScreen* view = History();
        EXPECT_EQ(view->Period(), 0);
        EXPECT_EQ(view->Category(), 1);
        EXPECT_EQ(Narrow(view->Title()), "Mar 2nd");
        EXPECT_EQ(Narrow(view->PointLabel(0)), "03-10");
        EXPECT_EQ(Narrow(view->PointLabel(6)), "03-16");
        EXPECT_EQ(view->PointSteps(0), 3000);
        EXPECT_EQ(view->PointSteps(3), 6001);
        EXPECT_EQ(view->PointSteps(1), 0);
        EXPECT_EQ(view->Tick(5), 8000);  // 6001 steps: grid step 1600
        EXPECT_EQ(view->PointY(1), 648);
        EXPECT_EQ(view->PointY(0), 648 - 150);  // 3000 / 1600 * 80
        EXPECT_EQ(view->PointX(6), 86 + 53 * 6);
        EXPECT_EQ(view->DrawnPointCount(), 5);  // Sunday to Thursday
        checked = true;
    });
    EXPECT_EQ(run.Run(std::string(kOpenHistory) + "call look\nquit\n"), 0);
    EXPECT_TRUE(checked);
}

TEST(HistoryViewTest, ArrowsPageWeeksAcrossMonthsAndTheWeekTabReturnsToToday) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(0));
    std::vector<std::string> titles;
    std::vector<std::string> firstDays;
    run.Hook("note", [&] {
        titles.push_back(Narrow(History()->Title()));
        firstDays.push_back(Narrow(History()->PointLabel(0)));
    });
    std::string script = std::string(kOpenHistory) + "call note\n" + kPrevious + "call note\n" + kPrevious +
                         "call note\n" + kNext + "call note\n" + kPrevious + kPrevious + kPrevious +
                         kPrevious + kPrevious + kPrevious + kPrevious + kPrevious + kPrevious + kPrevious +
                         kPrevious + "call note\n" + kWeekTab + "call note\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(firstDays.size(), 6u);
    // Week 2 of March, week 1 of March (from 3 March), the last week of February (25 Feb).
    EXPECT_EQ(firstDays[0], "03-10");
    EXPECT_EQ(firstDays[1], "03-03");
    EXPECT_EQ(firstDays[2], "02-25");
    EXPECT_EQ(firstDays[3], "03-03");
    // Eleven weeks before 3 March: 17 December 2023, in the year before.
    EXPECT_EQ(firstDays[4], "12-17");
    EXPECT_EQ(firstDays[5], "03-10");
    // Korean titles: month, week of the month.
    EXPECT_EQ(titles[2].substr(0, 1), "2");
    EXPECT_EQ(titles[0], titles[5]);
}

TEST(HistoryViewTest, MonthAndYearTabsWithCategoriesAndTheirArrows) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddDay(run, "2024-01-05", 4000, 160.4));
    ASSERT_TRUE(AddDay(run, "2024-03-12", 1200, 251));
    ASSERT_TRUE(AddDay(run, "2023-12-30", 500, 20));
    std::vector<std::string> titles;
    int monthSlots = 0, monthDrawn = 0, yearDrawn = 0, marchWeek2Steps = -1;
    double januaryKcal = -1, marchKcal = -1;
    int kcalTop = 0, futureDrawn = -1;
    run.Hook("month", [&] {
        titles.push_back(Narrow(History()->Title()));
        monthSlots = History()->SlotCount();
        monthDrawn = History()->DrawnPointCount();
        marchWeek2Steps = History()->PointSteps(1);
    });
    run.Hook("year", [&] {
        titles.push_back(Narrow(History()->Title()));
        yearDrawn = History()->DrawnPointCount();
    });
    run.Hook("kcal", [&] {
        januaryKcal = History()->PointKCal(0);
        marchKcal = History()->PointKCal(2);
        kcalTop = History()->Tick(5);
        EXPECT_EQ(History()->PointSteps(0), 0);  // only the shown category is kept
    });
    run.Hook("note", [&] { titles.push_back(Narrow(History()->Title())); });
    run.Hook("future", [&] { futureDrawn = History()->DrawnPointCount(); });
    std::string script = std::string(kOpenHistory) + kMonthTab + "call month\n" + kPrevious + kPrevious +
                         kPrevious + "call note\n" + kYearTab + "call year\n" + kCalories + "call kcal\n" +
                         kNext + "call note\ncall future\n" + kPrevious + kPrevious + "call note\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(titles.size(), 5u);
    EXPECT_EQ(titles[0], "2024 Mar");
    EXPECT_EQ(monthSlots, 4);
    EXPECT_EQ(monthDrawn, 2);  // weeks from 3 and 10 March
    EXPECT_EQ(marchWeek2Steps, 1200);
    EXPECT_EQ(titles[1], "2023 Dec");
    EXPECT_EQ(titles[2], "2024");
    EXPECT_EQ(yearDrawn, 3);
    EXPECT_DOUBLE_EQ(januaryKcal, 160.4);
    EXPECT_DOUBLE_EQ(marchKcal, 251);
    EXPECT_EQ(kcalTop, 500);  // 251 kcal: grid step 100
    EXPECT_EQ(titles[3], "2025");
    EXPECT_EQ(futureDrawn, 0);
    EXPECT_EQ(titles[4], "2023");
}

TEST(HistoryViewTest, ConfirmedResetDeletesEveryRecordKeepsTheGridAndResetsMainOnClose) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddDay(run, "2024-03-11", 7000, 280));
    int declinedSteps = -1, deletedSteps = -1, keptTop = 0, period = -1;
    bool deleted = false, deletedAfterClose = true;
    std::string title;
    run.Hook("declined", [&] { declinedSteps = History()->PointSteps(1); });
    run.Hook("deleted", [&] {
        deletedSteps = History()->PointSteps(1);
        keptTop = History()->Tick(5);
        deleted = History()->Deleted();
        period = History()->Period();
        title = Narrow(History()->Title());
    });
    run.Hook("closed", [&] { deletedAfterClose = History()->Deleted(); });
    std::string script = std::string(kOpenHistory) + "softkey left\nwait 200\n" + kNo +
                         "wait 200\ncall declined\n" + "softkey left\nwait 200\n" + kYes +
                         "wait 200\ncall deleted\nsoftkey right\nwait 200\n" + "call closed\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(declinedSteps, 7000);
    EXPECT_EQ(deletedSteps, 0);
    EXPECT_EQ(keptTop, 8000);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(period, 0);
    EXPECT_EQ(title, "Mar 2nd");
    EXPECT_FALSE(deletedAfterClose);
    EXPECT_EQ(
        maintest::QueryText(run.DbPath(), "SELECT count(*) FROM pedometer WHERE curdate < '2024-03-14';"),
        "0");  // today's row may be saved again on quitting
}

// Thursday 1 March 2018: its week runs from Sunday 25 February, a week 1 that starts on the 25th
// of the month before.
TEST(HistoryViewTest, WeekOneFromSundayTheTwentyFifthShowsFebruaryDaysByOpeningArrowsAndPicker) {
    CShellRun run;
    run.SetStartLocalSeconds(1519898400);  // 2018-03-01 10:00:00
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddDay(run, "2018-02-25", 2500, 100));
    ASSERT_TRUE(AddDay(run, "2018-02-28", 4000, 160));
    ASSERT_TRUE(AddDay(run, "2018-03-01", 1000, 40));
    ASSERT_TRUE(AddDay(run, "2018-03-25", 9999, 400));  // the week the page used to show instead
    std::vector<std::string> titles, firstDays;
    std::vector<std::vector<int>> steps;
    std::vector<int> drawn;
    run.Hook("note", [&] {
        titles.push_back(Narrow(History()->Title()));
        firstDays.push_back(Narrow(History()->PointLabel(0)));
        std::vector<int> week;
        for (int i = 0; i < 7; ++i) week.push_back(History()->PointSteps(i));
        steps.push_back(week);
        drawn.push_back(History()->DrawnPointCount());
    });
    // In the picker: back to February 2018, then Tuesday 27 February and OK.
    const int cell = picker::CellOfDay(2018, 2, 27);
    const std::string pickFebruary27 =
        "key LEFT\ntap " +
        std::to_string(picker::kWindowX + picker::kGridLeft + (cell % 7) * picker::kCell + 20) + " " +
        std::to_string(picker::kWindowY + picker::kGridTop + (cell / 7) * picker::kCell + 20) +
        "\nkey ENTER\n";
    std::string script = std::string(kOpenHistory) + "call note\n" + kPrevious + "call note\n" + kNext +
                         "call note\n" + kNext + kDateField + pickFebruary27 + "call note\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(titles.size(), 4u);
    const std::vector<int> week1 = {2500, 0, 0, 4000, 1000, 0, 0};
    for (size_t i : {0u, 2u, 3u}) {
        EXPECT_EQ(titles[i], "Mar 1st") << i;
        EXPECT_EQ(firstDays[i], "02-25") << i;
        EXPECT_EQ(steps[i], week1) << i;
        EXPECT_EQ(drawn[i], 5) << i;  // Sunday to Thursday, today
    }
    // The week before is February's last: 18 to 24 February.
    EXPECT_EQ(titles[1], "Feb 4th");
    EXPECT_EQ(firstDays[1], "02-18");
}

// Confirmed delete, then a declined one: Close still drops the main view's totals, and a later
// workout saves only its own steps.
TEST(HistoryViewTest, DeletedTotalsStayDeletedAfterALaterDeclinedReset) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddDay(run, maintest::kToday, 500, 20));
    maintest::CMainRecorder recorder;
    std::string digitsAfterClose;
    int workoutSteps = -1;
    run.Hook("replay", [] { MvSensorConfigure("replay:" + maintest::RecordingPath()); });
    run.Hook("observe", [&] { recorder.Start(); });
    run.Hook("closed", [&] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_MAIN);
        EXPECT_EQ(maintest::MainView()->TodaySteps(), 0);
        digitsAfterClose = recorder.Digits();
    });
    run.Hook("stopped", [&] { workoutSteps = maintest::MainView()->WorkoutSteps(); });
    std::string script = std::string(kOpenHistory) + "softkey left\nwait 200\n" + kYes + "wait 200\n" +
                         "softkey left\nwait 200\n" + kNo +
                         "wait 200\ncall observe\nsoftkey right\nwait 200\n" +
                         "call closed\ncall replay\ntap 80 692\nwait 12000\ntap 80 692\ncall stopped\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(digitsAfterClose, "0");
    ASSERT_GT(workoutSteps, 0);
    EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT sum(steps) FROM pedometer;"), workoutSteps);
}

TEST(HistoryViewTest, ChartLineIsDrawnBetweenPointsUpToToday) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    uint32_t onLine = 0, afterToday = 0;  // 0x00RRGGBB
    run.Hook("look", [&] {
        // Every day is 0: the line runs along the baseline from Sunday to Thursday only.
        onLine = maintest::ViewPixel(86 + 10 + 80, 648) & 0xFFFFFF;
        afterToday = maintest::ViewPixel(86 + 10 + 53 * 5 + 20, 648) & 0xFFFFFF;
    });
    EXPECT_EQ(run.Run(std::string(kOpenHistory) + "call look\nquit\n"), 0);
    EXPECT_EQ(onLine, 0x00A0D4u);
    EXPECT_NE(afterToday, 0x00A0D4u);
}

}  // namespace
