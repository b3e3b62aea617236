// The statistics view end to end: a tap on the total bubble of a week, a month and a year page
// opens it with the figures an independent computation (Python's sqlite3 over the same file)
// gives, Close or the title bar's ok returns to the same page, and a tap beside the bubble only
// repaints. The run starts on Thursday 2024-03-14.
#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "app/application.h"
#include "app/win_main.h"
#include "screens/history/log_screen.h"
#include "screens/history/stats_screen.h"
#include "store/goal_store.h"
#include "tests/main_screen_test_util.h"

namespace {

using shelltest::CShellRun;

constexpr const char* kOpenHistory = "tap 400 692\n";
constexpr const char* kMonthTab = "tap 240 97\n";
constexpr const char* kYearTab = "tap 390 97\n";
constexpr const char* kTitleOk = "tap 436 26\n";

std::string Narrow(const wchar_t* text) {
    std::string out;
    for (const wchar_t* p = text; *p; ++p) out += *p < 128 ? (char)*p : '?';
    return out;
}

CLogScreen* History() {
    return static_cast<CLogScreen*>(GetApplication()->GetView(VIEW_HISTORY));
}

CStatsScreen* Stats() {
    return static_cast<CStatsScreen*>(GetApplication()->GetView(VIEW_STATS));
}

// A stylus tap on the history's window, in view coordinates (the next script step handles it).
void PostTap(int x, int y) {
    HWND view = History()->Common().hWnd;
    PostMessageW(view, WM_LBUTTONDOWN, 1, MAKELPARAM(x, y));
    PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

// The same figures, computed apart from the program: every day the sum of its rows, days after
// today left out, streaks of days at the goal (or walked days), today not breaking one.
const char kIndependent[] = R"PY(
import sqlite3, sys, math, datetime as dt
def rnd(x): return int(math.floor(abs(x) + 0.5)) * (1 if x >= 0 else -1)
db, today, goal, kind, first = sys.argv[1], dt.date.fromisoformat(sys.argv[2]), int(sys.argv[3]), sys.argv[4], dt.date.fromisoformat(sys.argv[5])
con = sqlite3.connect(db)
days = {}
for date, steps, kcal, dist in con.execute("select curdate, steps, kcal, distance from pedometer"):
    try:
        d = dt.date.fromisoformat(date)
    except (TypeError, ValueError):
        continue
    if d > today:
        continue
    s = days.setdefault(d, [0, 0.0, 0.0])
    s[0] += steps or 0; s[1] += kcal or 0; s[2] += dist or 0
def month_end(d):
    n = dt.date(d.year + d.month // 12, d.month % 12 + 1, 1)
    return n - dt.timedelta(days=1)
if kind == "week":
    last = first + dt.timedelta(days=6); pfirst = first - dt.timedelta(days=7); plast = last - dt.timedelta(days=7)
elif kind == "month":
    last = month_end(first); plast = first - dt.timedelta(days=1); pfirst = plast.replace(day=1)
else:
    last = dt.date(first.year, 12, 31); pfirst = dt.date(first.year - 1, 1, 1); plast = dt.date(first.year - 1, 12, 31)
seen = min(last, today)
elapsed = max(0, (seen - first).days + 1)
period = [(d, v) for d, v in days.items() if first <= d <= seen]
steps = sum(v[0] for d, v in period)
prev_last = min(plast, pfirst + dt.timedelta(days=elapsed - 1))
prev = sum(v[0] for d, v in days.items() if pfirst <= d <= prev_last) if elapsed else 0
best = max(period, key=lambda p: (p[1][0], -p[0].toordinal()), default=None)
record = max(days.items(), key=lambda p: (p[1][0], -p[0].toordinal()), default=None)
ok = lambda d: d in days and (days[d][0] >= goal if goal else days[d][0] > 0)
runs, d = [], min(days) if days else today
while days and d <= today:
    if ok(d):
        if runs and runs[-1][1] == d - dt.timedelta(days=1): runs[-1][1] = d
        else: runs.append([d, d])
    d += dt.timedelta(days=1)
current = [r for r in runs if r[1] >= today - dt.timedelta(days=1)]
longest = max(runs, key=lambda r: ((r[1] - r[0]).days, r[0]), default=None)
change = "none" if not elapsed or prev <= 0 else str(rnd((steps - prev) * 100 / prev))
print(f"steps={steps} kcal={rnd(sum(v[1] for d, v in period))} dm={rnd(sum(v[2] for d, v in period) / 100)}"
      f" elapsed={elapsed} walked={sum(1 for d, v in period if v[0] > 0)}"
      f" average={rnd(steps / elapsed) if elapsed else 0}"
      f" best={best[0] if best and best[1][0] > 0 else 'none'}:{best[1][0] if best and best[1][0] > 0 else 0}"
      f" change={change} goaldays={sum(1 for d, v in period if goal and v[0] >= goal)}"
      f" record={record[0] if record and record[1][0] > 0 else 'none'}:{record[1][0] if record and record[1][0] > 0 else 0}"
      f" total={sum(v[0] for v in days.values())} totaldm={rnd(sum(v[2] for v in days.values()) / 100)}"
      f" first={min(days) if days else 'none'}"
      f" current={(current[0][1] - current[0][0]).days + 1 if current else 0}:{current[0][0] if current else 'none'}"
      f" longest={(longest[1] - longest[0]).days + 1 if longest else 0}:{longest[0] if longest else 'none'}:{longest[1] if longest else 'none'}")
)PY";

std::string DateOrNone(int32_t day) {
    return day == kNoDay ? "none" : CStatsQueries::DateText(day);
}

// The program's figures in the independent computation's words.
std::string Describe(const StatsFigures& f) {
    char text[1024];
    snprintf(
        text, sizeof text,
        "steps=%lld kcal=%lld dm=%lld elapsed=%d walked=%d average=%lld best=%s:%lld change=%s goaldays=%d "
        "record=%s:%lld total=%lld totaldm=%lld first=%s current=%d:%s longest=%d:%s:%s",
        (long long)f.nSteps, (long long)llround(f.dKCal), (long long)llround(f.dDistance / 100),
        f.nDaysElapsed, f.nDaysWalked, (long long)f.nAverage, DateOrNone(f.nBestDay).c_str(),
        (long long)f.nBestSteps, f.bHasChange ? std::to_string(f.nChangePercent).c_str() : "none",
        f.nGoalDays, DateOrNone(f.nRecordDay).c_str(), (long long)f.nRecordSteps, (long long)f.nTotalSteps,
        (long long)llround(f.dTotalDistance / 100), DateOrNone(f.nFirstDay).c_str(), f.nCurrentStreak,
        DateOrNone(f.nCurrentFirst).c_str(), f.nLongestStreak, DateOrNone(f.nLongestFirst).c_str(),
        DateOrNone(f.nLongestLast).c_str());
    return text;
}

std::string Independent(const std::string& dir, const std::string& db, int goal, const char* kind,
                        const std::string& first) {
    const std::string script = dir + "/independent.py";
    shelltest::WriteTextFile(script, kIndependent);
    const std::string command = "python3 '" + script + "' '" + db + "' " + maintest::kToday + " " +
                                std::to_string(goal) + " " + kind + " " + first;
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

bool AddRow(CShellRun& run, const std::string& date, int steps, double kcal, double distance) {
    return maintest::ExecSqlOn(
        run.DbPath(), "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" + date +
                          "', '10:00', " + std::to_string(steps) + ", " + std::to_string(kcal) + ", " +
                          std::to_string(distance) + ");");
}

// A year and a half of walking with gaps, a Reset's second rows, a row after today and one
// without a date.
bool AddHistory(CShellRun& run) {
    bool ok = true;
    for (int n = 0; n < 560 && ok; ++n) {
        const int32_t day = StatsDayNumber(2022, 9, 1) + n;
        if (n % 11 == 3 || n % 29 == 0) continue;  // days without a row
        const int steps = (n * 7919) % 13000;
        const std::string date = CStatsQueries::DateText(day);
        ok = AddRow(run, date, steps, steps * 0.041, steps * 0.72);
        if (ok && n % 5 == 0) ok = AddRow(run, date, 1500, 60.5, 1080.25);
    }
    return ok && AddRow(run, "2024-03-20", 99999, 1, 1) &&
           maintest::ExecSqlOn(run.DbPath(), "INSERT INTO pedometer(curdate, steps) VALUES(NULL, 5);");
}

struct Opened {
    int view = -1;
    std::string figures;
    std::string title;
    std::string pageTitle;
    StatsPage page{};
};

void RunAllThree(CShellRun& run, int goal) {
    std::map<std::string, Opened> opened;
    std::map<std::string, int> backView;
    std::map<std::string, std::string> backTitle;
    bool besideStayed = false;
    // Beside the bubble and right of the last day's column (a tap on a column opens that day).
    run.Hook("beside", [&] {
        const RECT r = History()->BubbleRect();
        const int x = r.right + 2 > 445 ? r.right + 2 : 445;
        PostTap(x, r.bottom - 10);
    });
    run.Hook("stayed", [&] {
        besideStayed = GetApplication()->CurrentIndex() == VIEW_HISTORY && History()->Period() == 0;
    });
    run.Hook("bubble", [&] {
        const RECT r = History()->BubbleRect();
        PostTap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    for (const char* kind : {"week", "month", "year"}) {
        const std::string k = kind;
        run.Hook("open_" + k, [&opened, k] {
            Opened& o = opened[k];
            o.view = GetApplication()->CurrentIndex();
            o.figures = Describe(Stats()->Figures());
            o.page = Stats()->Page();
            o.pageTitle = Narrow(History()->Title());
            o.title = Narrow(Stats()->Page().szTitle);
        });
        run.Hook("back_" + k, [&backView, &backTitle, k] {
            backView[k] = GetApplication()->CurrentIndex();
            backTitle[k] = Narrow(History()->Title());
        });
    }
    const std::string script =
        std::string(kOpenHistory) + "wait 200\ncall beside\nwait 200\ncall stayed\n" +
        "call bubble\nwait 200\ncall open_week\nsoftkey right\nwait 200\ncall back_week\n" + kMonthTab +
        "wait 200\ncall bubble\nwait 200\ncall open_month\n" + kTitleOk + "wait 200\ncall back_month\n" +
        kYearTab +
        "wait 200\ncall bubble\nwait 200\ncall open_year\nsoftkey right\nwait 200\n"
        "call back_year\nquit\n";
    ASSERT_EQ(run.Run(script), 0);
    EXPECT_TRUE(besideStayed);

    const std::map<std::string, std::string> firstDay = {
        {"week", "2024-03-10"}, {"month", "2024-03-01"}, {"year", "2024-01-01"}};
    for (const auto& [kind, first] : firstDay) {
        SCOPED_TRACE(kind);
        const Opened& o = opened[kind];
        EXPECT_EQ(o.view, VIEW_STATS);
        EXPECT_EQ(o.title, o.pageTitle);
        EXPECT_EQ(CStatsQueries::DateText(StatsDayNumber(o.page.nYear, o.page.nMonth, o.page.nDay)), first);
        EXPECT_EQ(o.figures, Independent(run.Dir(), run.DbPath(), goal, kind.c_str(), first));
        EXPECT_EQ(backView[kind], VIEW_HISTORY);
        EXPECT_EQ(backTitle[kind], o.pageTitle);
    }
}

}  // namespace

TEST(StatsViewTest, EachPagesBubbleOpensFiguresThatMatchAnIndependentCount) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddHistory(run));
    RunAllThree(run, 0);
}

TEST(StatsViewTest, WithAGoalTheStreaksAreDaysAtTheGoal) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(0));
    ASSERT_TRUE(AddHistory(run));
    ASSERT_TRUE(maintest::ExecSqlOn(
        run.DbPath(), std::string(kGoalTable.pszCreate) + "; INSERT INTO goal VALUES(4000, NULL);"));
    RunAllThree(run, 4000);
}

TEST(StatsViewTest, AfterDeleteAllItShowsTheEmptyState) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddHistory(run));
    StatsFigures figures;
    std::vector<StatsRow> rows;
    run.Hook("bubble", [] {
        const RECT r = History()->BubbleRect();
        PostTap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    run.Hook("open", [&] {
        EXPECT_EQ(GetApplication()->CurrentIndex(), VIEW_STATS);
        figures = Stats()->Figures();
        rows = Stats()->Rows();
    });
    // Reset (left soft key), Yes on the popup, then the bubble.
    ASSERT_EQ(
        run.Run(std::string(kOpenHistory) +
                "wait 200\nsoftkey left\nwait 200\ntap 131 343\nwait 200\ncall bubble\nwait 200\ncall open\n"
                "quit\n"),
        0);
    EXPECT_EQ(figures.nSteps, 0);
    EXPECT_EQ(figures.nTotalSteps, 0);
    EXPECT_EQ(figures.nFirstDay, kNoDay);
    EXPECT_EQ(figures.nLongestStreak, 0);
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[1].sValue, L"0");
    EXPECT_EQ(rows[9].sValue, L"\u2014");  // no record day to name
}

TEST(StatsViewTest, ADayPagesBubbleShowsThatDayAndCloseReturnsToIt) {
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    ASSERT_TRUE(AddHistory(run));
    StatsPage page{};
    StatsFigures figures;
    int view = -1, backPeriod = -1;
    std::string dayTitle, backTitle;
    run.Hook("day", [&] { dayTitle = Narrow(History()->Title()); });
    run.Hook("bubble", [] {
        const RECT r = History()->BubbleRect();
        PostTap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    });
    run.Hook("open", [&] {
        view = GetApplication()->CurrentIndex();
        page = Stats()->Page();
        figures = Stats()->Figures();
    });
    run.Hook("back", [&] {
        backPeriod = History()->Period();
        backTitle = Narrow(History()->Title());
    });
    // Tuesday's column of this week, low in the chart, then that day's bubble.
    ASSERT_EQ(run.Run(std::string(kOpenHistory) +
                      "wait 200\ntap 202 640\nwait 200\ncall day\ncall bubble\nwait 200\ncall open\n"
                      "softkey right\nwait 200\ncall back\nquit\n"),
              0);
    EXPECT_EQ(dayTitle, "Tue 12 Mar");
    EXPECT_EQ(view, VIEW_STATS);
    EXPECT_EQ(page.nKind, STATS_DAY);
    EXPECT_EQ(CStatsQueries::DateText(StatsDayNumber(page.nYear, page.nMonth, page.nDay)), "2024-03-12");
    EXPECT_EQ(figures.nSteps, 11802);
    EXPECT_EQ(figures.nDaysElapsed, 1);
    EXPECT_EQ(backPeriod, 3);
    EXPECT_EQ(backTitle, dayTitle);
}
