// Saving today's row on a database that holds ten years of records (about 5,000 rows, with
// resets): the statement pair the saving thread runs every ten seconds of walking.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/mv_platform.h"
#include "platform/windows.h"
#include "store/daily_records.h"
#include "store/db_helper.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace {

// 2024-03-05 10:00:00 local: the newest day of the records.
const int64_t kTodayLocalSeconds = 1709632800;
const int kRows = 5000;
const int kDays = 3650;

struct Fixture {
    const CTempDir folder{"mv_store_bench_"};
    sqlite3* db = nullptr;
    CDbHelper runner;
    CDailyRecords records;
};

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql.c_str(), error ? error : "");
        std::abort();
    }
}

std::string DateText(std::chrono::sys_days day) {
    std::chrono::year_month_day ymd{day};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return text;
}

// A database file with kRows rows over kDays days ending today; some days hold a second row
// (a reset). With index, curdate is indexed too, and synchronous other than 2 (FULL, the
// program's setting) weakens durability: both for comparison only.
Fixture* MakeFixture(bool index, int synchronous = 2) {
    static bool platform = [] {
        MvPlatformOptions options;
        options.displayFromEnvironment = false;
        options.display = MvDisplayKind::Headless;
        options.manualClock = true;
        options.manualStartLocalSeconds = kTodayLocalSeconds;
        MvPlatformInit(options);
        return true;
    }();
    (void)platform;

    auto* f = new Fixture;
    sqlite3_open_v2((f->folder.Path() + "/Movimetra.db").c_str(), &f->db,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    Exec(f->db, StoreSchemaScript().c_str());
    if (index) Exec(f->db, "CREATE INDEX bench_curdate ON pedometer(curdate);");
    Exec(f->db, "PRAGMA synchronous=" + std::to_string(synchronous) + ";");

    const std::chrono::sys_days today = std::chrono::floor<std::chrono::days>(
        std::chrono::sys_seconds(std::chrono::seconds(kTodayLocalSeconds)));
    Exec(f->db, "BEGIN;");
    for (int i = 0; i < kRows; ++i) {
        std::string date = DateText(today - std::chrono::days(kDays - 1 - i * kDays / kRows));
        Exec(f->db,
             "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
             "VALUES('" +
                 date + "', '01:02:03', 4567, 123.45, 3456.78, datetime('" + date +
                 " 08:00:00'), datetime('" + date + " 09:00:00'));");
    }
    Exec(f->db, "COMMIT;");
    f->runner.SetHandle(f->db);
    return f;
}

void DropFixture(Fixture* f) {
    sqlite3_close(f->db);
    delete f;
}

void BM_SaveTodayRow(benchmark::State& state) {
    Fixture* f = MakeFixture(state.range(0) != 0, static_cast<int>(state.range(1)));
    EngineCounters c{};
    c.nRunState = 2;
    c.sumStep = 1000;
    c.sumKCal = 40.0;
    c.sumDistance = 700.0;
    c.sumHMS = 600;
    c.nDay = 20240305;  // the date of kTodayLocalSeconds
    wchar_t duration[16];
    for (auto _ : state) {
        ++c.iStepCount;
        c.dCalories += 0.04;
        c.dTotalDistance += 0.7;
        f->records.SaveTodayRow(f->runner, c, duration, 16);
    }
    DropFixture(f);
}
BENCHMARK(BM_SaveTodayRow)
    ->Args({0, 2})
    ->Args({1, 2})
    ->Args({0, 0})
    ->Args({1, 0})
    ->ArgNames({"curdate_index", "synchronous"})
    ->Unit(benchmark::kMicrosecond);

void BM_FindTodaySeq(benchmark::State& state) {
    Fixture* f = MakeFixture(state.range(0) != 0);
    wchar_t date[16];
    CDailyRecords::TodayDateText(date, 16);
    for (auto _ : state) benchmark::DoNotOptimize(CDailyRecords::FindTodaySeq(f->runner, date));
    DropFixture(f);
}
BENCHMARK(BM_FindTodaySeq)->Arg(0)->Arg(1)->ArgName("curdate_index")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
