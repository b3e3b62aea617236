// The main view's drawing costs inside a live program (run from a script hook): a full repaint
// (also at device scales 1.5 and 2, against scale 1 in the same run),
// the complete upper-area and value-box repaints, the repaints of each animation and value tick
// of a walk (only what changed), and the processor share of one second of a workout on screen.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/win_main.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "resources/resources.h"
#include "screens/main/main_screen.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace {

CMainScreen* MainView() {
    CApplication* app = GetApplication();
    return app ? static_cast<CMainScreen*>(app->GetView(0)) : nullptr;
}

void BM_MainFullRepaint(benchmark::State& state) {
    CMainScreen* view = MainView();
    for (auto _ : state) view->FullRepaint();
}
BENCHMARK(BM_MainFullRepaint)->Unit(benchmark::kMillisecond);

// The full repaint at device scales 1, 1.5 and 2 (argument: scale x 10), one after the other in
// the same run; each reports its cost against the scale-1 repaint just measured (ratio_to_1x).
double g_fullRepaintAtOne = 0;  // seconds per repaint at scale 1

void BM_MainFullRepaintAtScale(benchmark::State& state) {
    const double scale = state.range(0) / 10.0;
    MvSetDeviceScale(scale);
    MvPumpMessages();  // the repaints the new scale asks for, and the images decoded again
    CMainScreen* view = MainView();
    view->FullRepaint();
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) view->FullRepaint();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / state.iterations();
    if (scale == 1.0) g_fullRepaintAtOne = seconds;
    if (g_fullRepaintAtOne > 0) state.counters["ratio_to_1x"] = seconds / g_fullRepaintAtOne;
    MvSetDeviceScale(1.0);
    MvPumpMessages();
}
BENCHMARK(BM_MainFullRepaintAtScale)->Arg(10)->Arg(15)->Arg(20)->Unit(benchmark::kMillisecond);

// The whole upper area, as the first animation tick after a full repaint draws it.
void BM_MainUpperAreaRepaint(benchmark::State& state) {
    CMainScreen* view = MainView();
    for (auto _ : state) {
        view->ForgetDrawn();
        view->RepaintUpperArea();
    }
}
BENCHMARK(BM_MainUpperAreaRepaint)->Unit(benchmark::kMillisecond);

// Both value boxes, as the first value tick after a full repaint draws them.
void BM_MainValueBoxRepaint(benchmark::State& state) {
    CMainScreen* view = MainView();
    for (auto _ : state) {
        view->ForgetDrawn();
        view->RepaintValueBoxes();
    }
}
BENCHMARK(BM_MainValueBoxRepaint)->Unit(benchmark::kMillisecond);

// A walk as the view sees it: a step about every third animation tick (1.7 steps a second),
// the elapsed time one second further every 3.3 value ticks.
struct WalkFeed {
    int nSteps = 0;
    int nTicks = 0;
    int nValueTicks = 0;
    void AnimationTick(CMainScreen* view) {
        if (++nTicks % 3 == 0) {
            MotionRecord record = {++nSteps, nSteps * 0.04, nSteps * 0.7};
            view->OnMotionInfo(&record);
        }
        view->OnAnimationTimer();
    }
    void ValueTick(CMainScreen* view) {
        view->OnEvent(++nValueTicks * 3 / 10, L"TIME");
        view->RepaintValueBoxes();
    }
};

// One animation tick of a walk: the runner's rectangle, and the digits when a step came.
void BM_MainAnimationTick(benchmark::State& state) {
    CMainScreen* view = MainView();
    WalkFeed feed;
    for (auto _ : state) feed.AnimationTick(view);
}
BENCHMARK(BM_MainAnimationTick)->Unit(benchmark::kMillisecond);

// One value tick of a walk: a box only when its text changed.
void BM_MainValueTick(benchmark::State& state) {
    CMainScreen* view = MainView();
    WalkFeed feed;
    for (auto _ : state) feed.ValueTick(view);
}
BENCHMARK(BM_MainValueTick)->Unit(benchmark::kMillisecond);

// Share of one core, in percent, of `cpuSeconds` spent over `iterations` seconds of workout.
void ReportShare(benchmark::State& state, double cpuSeconds) {
    state.counters["core_percent"] = state.iterations() ? 100.0 * cpuSeconds / (double)state.iterations() : 0;
}

// The repaints of one second of walking: five animation ticks and three or four value ticks.
void BM_MainRepaintsPerSecond(benchmark::State& state) {
    CMainScreen* view = MainView();
    WalkFeed feed;
    int second = 0;
    std::clock_t start = std::clock();
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) feed.AnimationTick(view);
        int boxes = (second++ % 3 == 0) ? 4 : 3;
        for (int i = 0; i < boxes; ++i) feed.ValueTick(view);
    }
    ReportShare(state, (double)(std::clock() - start) / CLOCKS_PER_SEC);
}
BENCHMARK(BM_MainRepaintsPerSecond)->Unit(benchmark::kMillisecond);

// One second of the whole program on the manual clock while the synthetic walker walks: sensor
// readings, engine, timers and repaints, the saving thread; processor time of the whole process.
void BM_MainWorkoutSecond(benchmark::State& state) {
    std::clock_t start = std::clock();
    for (auto _ : state) MvAdvanceClock(1000);
    ReportShare(state, (double)(std::clock() - start) / CLOCKS_PER_SEC);
    state.counters["steps"] = MainView()->WorkoutSteps();
}
BENCHMARK(BM_MainWorkoutSecond)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(300);

bool WriteDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           (StoreSchemaScript() +
                            "INSERT INTO firstuse VALUES(1); INSERT INTO info VALUES(175, 65, 'M', '0');"
                            "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) "
                            "VALUES('2024-03-14', '01:02:03', 1234567, 57.32, 900.0);")
                               .c_str(),
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

std::string SelfDir() {
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string self(path, n > 0 ? (size_t)n : 0);
    return self.substr(0, self.rfind('/'));
}

// Starts a workout and lets the notice pass: the view then draws the runner, seven digits and
// the stop button, as it does for most of its life on screen.
void StartWorkoutThenBench() {
    CMainScreen* view = MainView();
    if (!view) {
        fprintf(stderr, "main_screen_bench: the main view is not there\n");
        return;
    }
    view->OnLButtonDown(80, 640);
    view->OnLButtonUp(80, 640);
    MvAdvanceClock(3000);
    benchmark::RunSpecifiedBenchmarks();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    const CTempDir temp("mv_main_bench_");
    const std::string& dir = temp.Path();
    if (dir.empty()) return 1;
    std::error_code error;
    std::filesystem::copy(SelfDir() + "/img", dir + "/img", std::filesystem::copy_options::recursive, error);
    // Without the images the runner and the digits measure as empty and their ticks draw nothing:
    // such figures would mislead, so the benchmark refuses to run.
    if (error) {
        fprintf(stderr, "main_screen_bench: no img folder beside the benchmark (%s)\n",
                (SelfDir() + "/img").c_str());
        return 1;
    }
    if (!WriteDatabase(dir + "/Movimetra.db"))
        fprintf(stderr, "main_screen_bench: cannot write the database\n");

    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    options.manualStartLocalSeconds = 1710410400;  // 2024-03-14 10:00:00, the day of the stored row
    options.modulePath = dir + "/Movimetra";
    MvPlatformInit(options);
    MvSensorConfigure("walk");
    RegisterMovimetraResources();
    MvRegisterScriptHook("bench", StartWorkoutThenBench);
    MvSetScript("call bench\nquit\n");
    int code = WinMain(MvAppInstanceHandle(), nullptr, (LPWSTR)L"", SW_SHOW);
    MvPlatformShutdown();
    benchmark::Shutdown();
    return code;
}
