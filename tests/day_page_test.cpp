// The day's hours end to end: a replayed walk across an hour's end is stored in the two hours with
// what was counted in each, adding up to the day's row; a tap on that day's column of the week page
// opens its day page with both bars; the arrows step a day back to a day without hours (the
// note); Delete all from a day page empties days and hours.
#include "app/application.h"
#include "app/win_main.h"
#include "screens/history/chart_layout.h"
#include "screens/history/log_screen.h"
#include "tests/history_test_util.h"
#include "tests/records_test_util.h"

namespace {

using namespace historytest;
using namespace recordstest;

// Thursday's column of the week page, low in the chart (under any bubble), 22 pixels right of its
// centre.
constexpr const char* kThursdayColumn = "tap 330 672\n";

struct HourRow {
    int nHour;
    int nSteps;
    double dKcal;
    double dDistance;
};

std::vector<HourRow> Hours(const std::string& dbPath) {
    std::vector<HourRow> rows;
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT hour, steps, kcal, distance FROM hourly ORDER BY curdate, hour;", -1,
                           &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            rows.push_back({sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1),
                            sqlite3_column_double(stmt, 2), sqlite3_column_double(stmt, 3)});
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

TEST(DayPageTest, AWalkAcrossAnHourIsStoredByTheHourAndItsDayPageShowsBothBars) {
    shelltest::CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    CRecording walk;
    ASSERT_TRUE(walk.Load(WalkPath()));
    CStepTrace trace;
    std::string output;
    ASSERT_TRUE(trace.Run(WalkPath(), &output)) << output;
    run.Hook("replay", [&] { MvSensorConfigure("replay:" + WalkPath()); });
    // 10:59:30: the hour ends 30 s into the walk, which stops at 11:00:40.
    run.SetStartLocalSeconds(shelltest::kStartLocalSeconds + 59 * 60 + 30);

    std::vector<HourRow> stored;
    run.Hook("walked", [&] { stored = Hours(run.DbPath()); });
    bool sawDay = false;
    run.Hook("day", [&] {
        CLogScreen* view = History();
        EXPECT_EQ(view->Period(), 3);
        EXPECT_EQ(Narrow(view->Title()), "Thu 14 Mar");
        ASSERT_TRUE(view->DayHasHours());
        ASSERT_EQ(stored.size(), 2u);
        EXPECT_EQ(view->DayHour(10).nSteps, stored[0].nSteps);
        EXPECT_EQ(view->DayHour(11).nSteps, stored[1].nSteps);
        EXPECT_LT(view->DayBar(10).top, kChartBaseY);
        EXPECT_LT(view->DayBar(11).top, kChartBaseY);
        EXPECT_EQ(view->DayBar(12).top, kChartBaseY);
        // The higher bar reaches the higher row.
        EXPECT_EQ(view->DayBar(10).top<view->DayBar(11).top, stored[0].nSteps> stored[1].nSteps);
        sawDay = true;
    });
    run.Hook("calories", [&] {
        EXPECT_EQ(History()->Period(), 3);
        EXPECT_EQ(History()->Category(), 2);
        EXPECT_LT(History()->DayBar(10).top, kChartBaseY);
    });
    run.Hook("day_before", [&] {
        CLogScreen* view = History();
        EXPECT_EQ(view->Period(), 3);
        EXPECT_EQ(view->Day(), 13);
        EXPECT_EQ(Narrow(view->Title()), "Wed 13 Mar");
        EXPECT_FALSE(view->DayHasHours());
    });
    run.Hook("deleted", [&] {
        EXPECT_EQ(History()->Period(), 3);
        EXPECT_EQ(History()->Day(), 14);
        EXPECT_FALSE(History()->DayHasHours());
        EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT count(*) FROM hourly;"), 0);
        EXPECT_EQ(maintest::QueryInt(run.DbPath(), "SELECT count(*) FROM pedometer;"), 0);
    });
    const std::string script = std::string("call replay\n") + kTapStartStop + "wait 70000\n" + kTapStartStop +
                               "call walked\n" + kOpenHistory + kThursdayColumn + "call day\n" + kCalories +
                               "call calories\n" + kPrevious + "call day_before\n" + kNext +
                               "softkey left\nwait 500\n" + kYes + "wait 500\ncall deleted\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_TRUE(sawDay);
    ASSERT_EQ(run.Calls("deleted"), 1);

    // Hour 10 holds what was counted until 11:00:00 (a reading due at that very moment may fall on
    // either side); hour 11 the rest; together the day's row.
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].nHour, 10);
    EXPECT_EQ(stored[1].nHour, 11);
    const Totals before = trace.After(walk.DeliveredWithin(0, 29999));
    const Totals at = trace.After(walk.DeliveredWithin(0, 30000));
    EXPECT_TRUE(stored[0].nSteps == before.nSteps || stored[0].nSteps == at.nSteps) << stored[0].nSteps;
    const Totals& first = stored[0].nSteps == at.nSteps ? at : before;
    EXPECT_EQ(TwoDecimals(stored[0].dKcal), TwoDecimals(first.dKcal));
    const Totals whole = trace.After(walk.DeliveredWithin(0, 70000));
    EXPECT_EQ(stored[0].nSteps + stored[1].nSteps, whole.nSteps);
    EXPECT_EQ(TwoDecimals(stored[0].dKcal + stored[1].dKcal), TwoDecimals(whole.dKcal));
    EXPECT_EQ(TwoDecimals(stored[0].dDistance + stored[1].dDistance), TwoDecimals(whole.dDistance));
    EXPECT_GT(stored[1].nSteps, 0);
}

}  // namespace
