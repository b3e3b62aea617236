// A reading's way into the engine: a main window whose procedure hands each UM_SENSOR_DATA to
// CStepEngine::MotionInfo, during a workout.
// - BM_SensorMessageIntoEngine: SendMessageW on the UI thread itself (a direct call). The manual
//   clock moves 60 ms before each reading so that the walk is counted (a step, and a
//   UM_MOTION_INFO, about every ninth reading); the clock step alone is measured beside it.
// - BM_SensorThreadIntoEngine: the real path, in a child process on the real clock: the sensor
//   service's thread replays a recorded walk as fast as it can, posting each reading; the UI
//   thread's message loop hands them to the engine. Reported per reading: processor time (both
//   threads) and voluntary context switches (each a thread waking from a wait).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/messages.h"
#include "engine/step_engine.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/windows.h"
#include "recording/walk_signal.h"
#include "testing/temp_dir_test_util.h"

extern char** environ;

namespace {

CStepEngine* g_pEngine = nullptr;
sqlite3* g_pDb = nullptr;
unsigned g_nMotionRecords = 0;
unsigned g_nReadings = 0;
unsigned g_nQuitAfter = 0;  // the child: quit once this many readings were handled

LRESULT BenchWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case UM_SENSOR_DATA:
            g_pEngine->MotionInfo(wParam, lParam);
            if (++g_nReadings == g_nQuitAfter) PostQuitMessage(0);
            return 0;
        case UM_GET_DB:
            *reinterpret_cast<sqlite3**>(lParam) = g_pDb;
            return 0;
        case UM_MOTION_INFO:
            ++g_nMotionRecords;
            return 0;
        default:
            return DefWindowProcW(hWnd, msg, wParam, lParam);
    }
}

HWND MakeMainWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = BenchWndProc;
    wc.lpszClassName = L"MvEngineBench";
    RegisterClassW(&wc);
    return CreateWindowExW(0, L"MvEngineBench", L"bench", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
}

void RunReadings(benchmark::State& state, bool send) {
    // Packed readings of a steady walk, delivered over and over.
    WalkSignal walk;
    std::vector<std::pair<WPARAM, LPARAM>> readings;
    for (long k = 1; k <= 6000; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        const uint32_t packed =
            (static_cast<uint32_t>(static_cast<uint16_t>(x)) << 16) | static_cast<uint16_t>(y);
        readings.emplace_back(static_cast<uint16_t>(z), static_cast<LPARAM>(static_cast<int32_t>(packed)));
    }
    HWND hMain = MakeMainWindow();
    sqlite3_open_v2(":memory:", &g_pDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                    nullptr);
    {
        CStepEngine engine;
        g_pEngine = &engine;
        engine.InitEngine(hMain);
        engine.StopSaving();  // not part of a reading's path; keeps the clock steps alike
        engine.StartCounting();
        g_nMotionRecords = 0;
        size_t i = 0;
        for (auto _ : state) {
            MvAdvanceClock(60);
            const auto& r = readings[i];
            if (send) SendMessageW(hMain, UM_SENSOR_DATA, r.first, r.second);
            if (++i == readings.size()) i = 0;
        }
        state.SetItemsProcessed(state.iterations());
        state.counters["motion_records"] = g_nMotionRecords;
        engine.StopCounting();
        engine.StopSaving();
        g_pEngine = nullptr;
    }
    DestroyWindow(hMain);
    sqlite3_close(g_pDb);
    g_pDb = nullptr;
}
void BM_SensorMessageIntoEngine(benchmark::State& state) {
    RunReadings(state, true);
}
BENCHMARK(BM_SensorMessageIntoEngine);

void BM_ClockStepOnly(benchmark::State& state) {
    RunReadings(state, false);
}
BENCHMARK(BM_ClockStepOnly);

// The child: the real clock, the sensor thread replaying `count` readings with no pause, the
// UI thread's message loop; exits once the engine has handled them all.
int SensorPathChild(unsigned count) {
    const CTempDir temp("mv_engine_bench_");
    if (temp.Path().empty()) return 2;
    const std::string recording = temp.Path() + "/walk.rec";
    {
        WalkSignal walk;
        std::ofstream rec(recording);
        for (unsigned k = 1; k <= count; ++k) {
            int16_t x, y, z;
            walk.Reading(k, &x, &y, &z);
            rec << "0," << x << ',' << y << ',' << z << '\n';
        }
    }
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    MvPlatformInit(options);
    MvSensorConfigure("replay:" + recording);
    HWND hMain = MakeMainWindow();
    sqlite3_open_v2(":memory:", &g_pDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                    nullptr);
    int code = 1;
    {
        CStepEngine engine;
        g_pEngine = &engine;
        engine.InitEngine(hMain);
        g_nQuitAfter = count;
        engine.StartCounting();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
        engine.StopCounting();
        engine.StopSaving();
        g_pEngine = nullptr;
        code = g_nReadings == count ? 0 : 1;
    }
    DestroyWindow(hMain);
    sqlite3_close(g_pDb);
    MvPlatformShutdown();
    return code;
}

void BM_SensorThreadIntoEngine(benchmark::State& state) {
    const unsigned count = static_cast<unsigned>(state.range(0));
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
        state.SkipWithError("cannot find this program");
        return;
    }
    self[n] = '\0';
    for (auto _ : state) {
        std::string countText = std::to_string(count);
        char flag[] = "--sensor-path";
        char* argv[] = {self, flag, countText.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        const auto began = std::chrono::steady_clock::now();
        pid_t pid = 0;
        int status = 0;
        rusage usage{};
        bool ok = posix_spawn(&pid, self, &actions, nullptr, argv, environ) == 0 &&
                  wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        posix_spawn_file_actions_destroy(&actions);
        if (!ok) {
            state.SkipWithError("the child did not hand every reading to the engine");
            return;
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
        const double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                           usage.ru_stime.tv_usec / 1e6;
        state.counters["cpu_us_per_reading"] = cpu * 1e6 / count;
        state.counters["wakeups_per_reading"] = static_cast<double>(usage.ru_nvcsw) / count;
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SensorThreadIntoEngine)
    ->Arg(200000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--sensor-path") == 0)
        return SensorPathChild(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    MvPlatformInit(options);
    MvSensorConfigure("none");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    MvPlatformShutdown();
    return 0;
}
