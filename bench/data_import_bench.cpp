// movimetra-data import against its floor, sqlite3's own .import of the same CSV rows into a
// fresh database (both as processes, from the same file): 10 and 30 years of daily rows. And the
// peak memory of importing a 200 MB file, which the tool reads mapped, page by page.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "testing/temp_dir_test_util.h"

namespace {

namespace fs = std::filesystem;

const CTempDir& Folder() {
    static const CTempDir* folder = new CTempDir("mv_import_bench_");
    return *folder;
}

// A CSV of `rows` daily rows from 1990-01-01 on, as the export writes them.
std::string MakeCsv(int rows) {
    const std::string path = Folder().Path() + "/rows-" + std::to_string(rows) + ".csv";
    if (fs::exists(path)) return path;
    std::ofstream out(path);
    out << "date,time,steps,kcal,distance,created,updated\n";
    int year = 1990, month = 1, day = 1;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    char line[160];
    for (int i = 0; i < rows; ++i) {
        std::snprintf(
            line, sizeof line,
            "%04d-%02d-%02d,00:%02d:%02d,%d,%d.%02d,%d.5,%04d-%02d-%02d 08:00:00,%04d-%02d-%02d 09:10:11\n",
            year, month, day, i % 60, (i * 7) % 60, 1000 + i % 9000, 30 + i % 200, i % 100, 700 + i % 5000,
            year, month, day, year, month, day);
        out << line;
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        if (++day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                // Long files start over: the dates stay valid, the rows are still all written.
                if (++year > 2089) year = 1990;
            }
        }
    }
    return path;
}

// Runs a command line; its peak resident memory in KiB.
long Run(const std::vector<std::string>& args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", args[0].c_str());
        std::abort();
    }
    return usage.ru_maxrss;
}

std::string FreshDb() {
    const std::string db = Folder().Path() + "/fresh.db";
    fs::remove(db);
    return db;
}

void BM_SqliteImport(benchmark::State& state) {
    const std::string csv = MakeCsv(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        const std::string db = FreshDb();
        state.ResumeTiming();
        Run({"sqlite3", db, ".import --csv " + csv + " rows"});
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
}

void BM_ToolImport(benchmark::State& state) {
    const std::string csv = MakeCsv(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        const std::string db = FreshDb();
        state.ResumeTiming();
        Run({MV_DATA_BINARY, "--db", db, "import", csv});
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
}

// About 200 MB of rows: the tool's peak memory beside the file's size.
void BM_ToolImportPeakMemory(benchmark::State& state) {
    const int rows = 2600000;
    const std::string csv = MakeCsv(rows);
    long peakKb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string db = FreshDb();
        state.ResumeTiming();
        peakKb = Run({MV_DATA_BINARY, "--db", db, "import", csv});
    }
    state.counters["file_MB"] = static_cast<double>(fs::file_size(csv)) / 1e6;
    state.counters["peak_RSS_MB"] = static_cast<double>(peakKb) / 1024.0;
}

}  // namespace

BENCHMARK(BM_SqliteImport)->Arg(3653)->Arg(10958)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToolImport)->Arg(3653)->Arg(10958)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToolImportPeakMemory)->Iterations(1)->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
