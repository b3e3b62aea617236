// UM_SENSOR_DATA through SendMessageW into the engine, as the sensor service delivers it: a
// main window whose procedure hands each reading to CStepEngine::MotionInfo, during a workout.
// The manual clock moves 60 ms before each reading so that the walk is counted (a step, and a
// UM_MOTION_INFO, about every ninth reading); the clock step alone is measured beside it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <vector>

#include "common/messages.h"
#include "engine/step_engine.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/windows.h"
#include "recording/walk_signal.h"

namespace {

CStepEngine* g_pEngine = nullptr;
sqlite3* g_pDb = nullptr;
unsigned g_nMotionRecords = 0;

LRESULT BenchWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case UM_SENSOR_DATA:
            g_pEngine->MotionInfo(wParam, lParam);
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

    WNDCLASSW wc{};
    wc.lpfnWndProc = BenchWndProc;
    wc.lpszClassName = L"MvEngineBench";
    RegisterClassW(&wc);
    HWND hMain = CreateWindowExW(0, L"MvEngineBench", L"bench", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
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

}  // namespace

int main(int argc, char** argv) {
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
