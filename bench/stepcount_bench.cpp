// movimetra-stepcount end to end: the executable beside this one replays a recording of three
// million readings (written once into a temporary folder) with its output discarded. Wall time
// gives items_per_second; the child's CPU time is reported beside it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "recording/walk_signal.h"
#include "testing/temp_dir_test_util.h"

extern char** environ;

namespace {

constexpr long kReadings = 3000000;

std::string ExecutableFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

// The recording, made on first use and removed at exit.
const std::string& Recording() {
    static const std::string* path = [] {
        const std::string& dir = CTempDir::ForProcess("mv_stepcount_bench_");
        if (dir.empty()) std::abort();
        auto* made = new std::string(dir + "/walk.rec");
        FILE* f = fopen(made->c_str(), "w");
        if (!f) std::abort();
        WalkSignal walk;
        fprintf(f, "# %ld readings of a synthetic walk\n", kReadings);
        for (long k = 1; k <= kReadings; ++k) {
            int16_t x, y, z;
            walk.Reading(k, &x, &y, &z);
            fprintf(f, "60,%d,%d,%d\n", x, y, z);
        }
        fclose(f);
        return made;
    }();
    return *path;
}

// Runs the tool once; adds its CPU time (user and system) to *cpuSeconds.
int RunTool(const std::string& tool, const std::string& recording, double* cpuSeconds) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>(recording.c_str()), nullptr};
    pid_t pid = 0;
    int rc = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    *cpuSeconds += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_StepcountThreeMillionLines(benchmark::State& state) {
    const std::string tool = ExecutableFolder() + "/movimetra-stepcount";
    const std::string& recording = Recording();
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(recording)) / 1e6;
    double cpuSeconds = 0;
    for (auto _ : state) {
        if (RunTool(tool, recording, &cpuSeconds) != 0) {
            state.SkipWithError("movimetra-stepcount failed (is it built beside this benchmark?)");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kReadings);
    // The tool's own CPU time, which a busy machine does not inflate as it does wall time.
    if (cpuSeconds > 0)
        state.counters["samples_per_cpu_second"] = state.iterations() * kReadings / cpuSeconds;
}
BENCHMARK(BM_StepcountThreeMillionLines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
