// Saving today's row on a database that holds ten years of records (about 5,000 rows, with
// resets): the statement pair the saving thread runs every ten seconds of walking. And the hours:
// a save with its hour beside the day's row alone (same run, the program's write-ahead log), on
// a file with thirty years of hours (262,800 rows) and without; reading a day's hours for the day
// page; the check at start-up on both files.
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
#include "store/database_check.h"
#include "store/db_helper.h"
#include "store/hourly_records.h"
#include "store/schema.h"
#include "store/store_text.h"
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
// With wal, the program's own setting: a write-ahead log with synchronous NORMAL. With
// hourYears, that many years of hours (all 24 of each day) ending yesterday.
Fixture* MakeFixture(bool index, int synchronous = 2, bool wal = false, int hourYears = 0) {
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
    if (wal) Exec(f->db, "PRAGMA journal_mode=WAL;");
    Exec(f->db, "PRAGMA synchronous=" + std::to_string(wal ? 1 : synchronous) + ";");

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
    if (hourYears > 0) {
        Exec(f->db, kHourlyTable.pszCreate);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(f->db, "INSERT INTO hourly VALUES(?1, ?2, 200, 8.05, 140.5);", -1, &insert,
                           nullptr);
        for (int d = hourYears * 365; d >= 1; --d) {
            const std::string date = DateText(today - std::chrono::days(d));
            for (int h = 0; h < 24; ++h) {
                sqlite3_reset(insert);
                sqlite3_bind_text(insert, 1, date.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(insert, 2, h);
                sqlite3_step(insert);
            }
        }
        sqlite3_finalize(insert);
    }
    Exec(f->db, "COMMIT;");
    Exec(f->db, "PRAGMA wal_checkpoint(TRUNCATE);");
    f->runner.SetHandle(f->db);
    return f;
}

void DropFixture(Fixture* f) {
    sqlite3_close_v2(f->db);  // closed once the records' kept statement goes with them
    delete f;
}

// Today's totals during a walk (the date of kTodayLocalSeconds, the hour 10).
EngineCounters Walking() {
    EngineCounters c{};
    c.nRunState = 2;
    c.sumStep = 1000;
    c.sumKCal = 40.0;
    c.sumDistance = 700.0;
    c.sumHMS = 600;
    c.nDay = 20240305;
    c.nHour = 10;
    return c;
}

void BM_SaveTodayRow(benchmark::State& state) {
    Fixture* f = MakeFixture(state.range(0) != 0, static_cast<int>(state.range(1)));
    EngineCounters c = Walking();
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

// Today's save: the day's row and, in the same transaction, its hour (hours:1), against what a
// save wrote before hours were kept: the newest row's number and the row's update (hours:0).
void BM_SaveWithHour(benchmark::State& state) {
    const bool hours = state.range(0) != 0;
    Fixture* f = MakeFixture(false, 1, true, static_cast<int>(state.range(1)));
    EngineCounters c = Walking();
    wchar_t duration[16];
    wchar_t day[16];
    CDailyRecords::MakeDayText(c.nDay, day, 16);
    for (auto _ : state) {
        ++c.iStepCount;
        c.dCalories += 0.04;
        c.dTotalDistance += 0.7;
        if (hours) {
            f->records.SaveTodayRow(f->runner, c, duration, 16);
            continue;
        }
        const int seq = CDailyRecords::FindTodaySeq(f->runner, day);
        const std::wstring sql = StoreFormat(
            L"UPDATE pedometer SET steps=%d, kcal=%ls, distance=%ls, curtime='00:10:00', "
            L"updated_at=datetime('2024-03-05 10:00:00') WHERE seq = %d;",
            c.sumStep + c.iStepCount, StoreHundredths(c.sumKCal + c.dCalories).c_str(),
            StoreHundredths(c.sumDistance + c.dTotalDistance).c_str(), seq);
        std::vector<std::wstring> rows;
        SqlResult result{};
        f->runner.ExecuteSql(SQL_UPDATE, sql.c_str(), rows, &result);
    }
    DropFixture(f);
}
BENCHMARK(BM_SaveWithHour)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 30})
    ->ArgNames({"hours", "hour_years"})
    ->Unit(benchmark::kMicrosecond);

// The day page's read of a day's hours, among thirty years of them.
void BM_DayPageHours(benchmark::State& state) {
    Fixture* f = MakeFixture(false, 1, true, static_cast<int>(state.range(0)));
    HourTotals hours[24];
    for (auto _ : state) benchmark::DoNotOptimize(CHourlyRecords::ReadDay(f->db, "2024-02-29", hours));
    DropFixture(f);
}
BENCHMARK(BM_DayPageHours)->Arg(0)->Arg(30)->ArgName("hour_years")->Unit(benchmark::kMicrosecond);

// The check the program runs on its database at start-up (the quick check reads the whole file).
void BM_StartupCheck(benchmark::State& state) {
    Fixture* f = MakeFixture(false, 1, true, static_cast<int>(state.range(0)));
    std::string why;
    for (auto _ : state) benchmark::DoNotOptimize(CheckOpenedDatabase(f->db, &why));
    state.counters["file_mb"] =
        std::filesystem::file_size(f->folder.Path() + "/Movimetra.db") / (1024.0 * 1024.0);
    DropFixture(f);
}
BENCHMARK(BM_StartupCheck)->Arg(0)->Arg(30)->ArgName("hour_years")->Unit(benchmark::kMillisecond);

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
