// The application shell's costs: start to first frame on the headless display, a message round
// trip through the window procedure and the dispatcher, and the peak memory of an idle program.
// The in-process benchmarks run inside a live program (from a script hook); the program-level
// ones start the real executable as a child process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/win_main.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "resources/resources.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string g_dir;               // program folder of the in-process run
double g_firstFrameSeconds = 0;  // MvPlatformInit to the first idle moment after start
std::string g_childDir;          // folder holding a copy of the real program
std::string g_childProgram;

std::string SelfDir() {
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string self(path, n > 0 ? (size_t)n : 0);
    return self.substr(0, self.rfind('/'));
}

// Runs the real program with a script; returns false when it did not exit with 0.
bool RunChild(const std::string& script, long* maxRssKb) {
    std::string scriptPath = g_childDir + "/script.txt";
    {
        std::ofstream out(scriptPath);
        out << script;
    }
    pid_t pid = fork();
    if (pid == 0) {
        setenv("MOVIMETRA_DISPLAY", "headless", 1);
        setenv("MOVIMETRA_CLOCK", "manual", 1);
        setenv("MOVIMETRA_SENSOR", "none", 1);
        setenv("MOVIMETRA_SCRIPT", scriptPath.c_str(), 1);
        int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(g_childProgram.c_str(), g_childProgram.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    rusage usage = {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return false;
    if (maxRssKb) *maxRssKb = usage.ru_maxrss;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartToFirstFrame(benchmark::State& state) {
    // Measured once, at the start of this process (a process starts the program only once).
    for (auto _ : state) state.SetIterationTime(g_firstFrameSeconds);
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["self_maxrss_kb"] = (double)usage.ru_maxrss;
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ProgramStartToQuit(benchmark::State& state) {
    long rss = 0;
    for (auto _ : state) {
        if (!RunChild("quit\n", &rss)) state.SkipWithError("the program did not exit with 0");
    }
    state.counters["maxrss_kb"] = (double)rss;
}
BENCHMARK(BM_ProgramStartToQuit)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_IdleProgramPeakRss(benchmark::State& state) {
    long rss = 0;
    for (auto _ : state) {
        // Ten idle minutes on the manual clock, then quit.
        if (!RunChild("wait 600000\nquit\n", &rss)) state.SkipWithError("the program did not exit with 0");
    }
    state.counters["maxrss_kb"] = (double)rss;
    state.counters["maxrss_mb"] = (double)rss / 1024.0;
}
BENCHMARK(BM_IdleProgramPeakRss)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DispatchRoundTrip(benchmark::State& state) {
    HWND hMain = GetMainWindow();
    sqlite3* db = nullptr;
    for (auto _ : state) {
        SendMessageW(hMain, UM_GET_DB, 0, (LPARAM)&db);
        benchmark::DoNotOptimize(db);
    }
    if (!db) state.SkipWithError("no database handle");
}
BENCHMARK(BM_DispatchRoundTrip);

void BM_DispatchToAllViews(benchmark::State& state) {
    HWND hMain = GetMainWindow();
    for (auto _ : state) SendMessageW(hMain, UM_SET_LANGUAGE, 0, 0);
}
BENCHMARK(BM_DispatchToAllViews);

// A database as a user leaves it after saving the profile once: the usual start.
bool WriteStoredProfile(const std::string& path) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           (StoreSchemaScript() +
                            "INSERT INTO firstuse VALUES(1); INSERT INTO info VALUES(175, 65, 'M', '0');")
                               .c_str(),
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

bool PrepareChildProgram() {
    g_childDir = CTempDir::ForProcess("mv_bench_child_");
    if (g_childDir.empty()) return false;
    g_childProgram = g_childDir + "/Movimetra";
    std::error_code error;
    std::filesystem::copy_file(SelfDir() + "/Movimetra", g_childProgram, error);
    return !error && WriteStoredProfile(g_childDir + "/Movimetra.db");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const CTempDir temp("mv_bench_");
    if (temp.Path().empty()) return 1;
    g_dir = temp.Path();
    if (!WriteStoredProfile(g_dir + "/Movimetra.db"))
        fprintf(stderr, "app_bench: cannot write the database\n");
    if (!PrepareChildProgram()) fprintf(stderr, "app_bench: no Movimetra beside the benchmark\n");
    // The instance socket is named after the program's path: the child copies live elsewhere
    // and never meet the program running in this process.
    unsetenv("MOVIMETRA_INSTANCE");

    Clock::time_point start = Clock::now();
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    options.modulePath = g_dir + "/Movimetra";
    MvPlatformInit(options);
    MvSensorConfigure("none");
    RegisterMovimetraResources();
    // The first script step runs when the program has nothing left to do after its start: its
    // first frame is on the screen then.
    MvRegisterScriptHook("first_frame", [start] {
        g_firstFrameSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    });
    MvRegisterScriptHook("bench", [] { benchmark::RunSpecifiedBenchmarks(); });
    MvSetScript("call first_frame\ncall bench\nquit\n");
    int code = WinMain(MvAppInstanceHandle(), nullptr, (LPWSTR)L"", SW_SHOW);
    MvPlatformShutdown();
    benchmark::Shutdown();
    return code;
}
