// Opening the statistics view on 30 years of history (about 11,000 days, some with a Reset's
// second row), beside the week page's load on the same file: the figures come from a few
// grouped queries, so they cost about as much as a page's chart. With hours: the same file with
// a row for each of ten walking hours a day in the hourly table.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/mv_platform.h"
#include "screens/history/history_queries.h"
#include "screens/history/stats_load.h"
#include "store/schema.h"
#include "testing/headless_platform_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

// 2024-03-14 10:00:00 local, a Thursday: the last day of the history.
const int64_t kTodayLocalSeconds = 1710410400;
const int kDays = 11000;

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), error ? error : "");
        std::abort();
    }
}

struct Fixture {
    const CTempDir folder{"mv_stats_bench_"};
    sqlite3* db = nullptr;
    int32_t today = StatsDayNumber(2024, 3, 14);
};

Fixture* MakeFixture(bool hours) {
    static bool platform = [] {
        MvPlatformOptions options = HeadlessTestOptions();
        options.manualStartLocalSeconds = kTodayLocalSeconds;
        MvPlatformInit(options);
        return true;
    }();
    (void)platform;
    auto* f = new Fixture;
    sqlite3_open((f->folder.Path() + "/Movimetra.db").c_str(), &f->db);
    Exec(f->db, StoreSchemaScript());
    if (hours)
        Exec(f->db,
             "CREATE TABLE hourly ('curdate' VARCHAR(10) NOT NULL, 'hour' INTEGER NOT NULL, 'steps' INTEGER "
             "DEFAULT 0, 'kcal' DOUBLE DEFAULT 0, 'distance' DOUBLE DEFAULT 0, PRIMARY KEY (curdate, hour))");
    Exec(f->db, "BEGIN;");
    for (int i = 0; i < kDays; ++i) {
        const std::string date = CStatsQueries::DateText(f->today - (kDays - 1) + i);
        const int steps = (i * 7919) % 15000;
        const std::string row = "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('" +
                                date + "', '10:00:00', " + std::to_string(steps) + ", " +
                                std::to_string(steps * 0.04) + ", " + std::to_string(steps * 0.7) + ");";
        Exec(f->db, row);
        if (i % 7 == 0) Exec(f->db, row);  // a Reset's second row
        for (int h = 8; hours && h < 18; ++h)
            Exec(f->db, "INSERT INTO hourly VALUES('" + date + "', " + std::to_string(h) + ", " +
                            std::to_string(steps / 10 + h) + ", 0, 0);");
    }
    Exec(f->db, "COMMIT;");
    return f;
}

StatsPage Page(int kind) {
    StatsPage page{};
    page.nKind = kind;
    page.nYear = 2024;
    page.nMonth = kind == STATS_YEAR ? 1 : 3;
    page.nDay = kind == STATS_WEEK ? 10 : 1;
    return page;
}

// args: the page's kind (0 week, 1 month, 2 year), hours kept (1) or not.
void BM_OpenStatsView(benchmark::State& state) {
    Fixture* f = MakeFixture(state.range(1) != 0);
    CStatsQueries query;
    query.SetDbHandle(f->db);
    const StatsPage page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(LoadStatsView(query, page, f->today, 8000, true));
    sqlite3_close(f->db);
    delete f;
}
BENCHMARK(BM_OpenStatsView)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->ArgNames({"kind", "hours"})
    ->Unit(benchmark::kMillisecond);

// The week page's query on the same file, for comparison.
void BM_WeekPageLoad(benchmark::State& state) {
    Fixture* f = MakeFixture(false);
    CHistoryQueries query;
    query.SetDbHandle(f->db);
    for (auto _ : state) {
        query.ClearLogData();
        benchmark::DoNotOptimize(query.QueryWeekDays(L"2024-03-01", 10, 16));
    }
    sqlite3_close(f->db);
    delete f;
}
BENCHMARK(BM_WeekPageLoad)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
