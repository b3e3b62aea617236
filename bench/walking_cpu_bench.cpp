// CPU the running program spends per minute of walking. The real program (the executable beside
// this one) runs as a child process on the headless display with the synthetic walker as its
// sensor: it starts a workout with the main view's button, walks, and quits. Its CPU time (user
// plus system, from wait4) after a short and after a long walk gives the cost of the walking
// alone, with start-up and exit cancelled out, scaled to one minute.
//
// Views: "history" opens the history view right after the start, so that nothing on screen
// moves while the workout goes on (the walk with the screen out of sight); "main" keeps the
// main view with its runner and value boxes repainting. Clocks: "real" walks in real time;
// "manual" advances the manual clock and gives CPU per simulated minute.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/schema.h"

extern char** environ;

namespace {

std::string ExecutableFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string dir(path);
    return dir.substr(0, dir.rfind('/'));
}

// A program folder: a copy of the program, its images and a database with a stored profile.
bool PrepareFolder(const std::string& dir) {
    namespace fs = std::filesystem;
    const std::string build = ExecutableFolder();
    std::error_code error;
    fs::copy_file(build + "/Movimetra", dir + "/Movimetra", fs::copy_options::overwrite_existing, error);
    if (error) return false;
    fs::copy(build + "/img", dir + "/img", fs::copy_options::recursive, error);
    if (error) return false;
    sqlite3* db = nullptr;
    bool ok = sqlite3_open((dir + "/Movimetra.db").c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db,
                           (StoreSchemaScript() +
                            "INSERT INTO firstuse VALUES(1);INSERT INTO info VALUES(175, 65, 'M', '0');")
                               .c_str(),
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

struct Walk {
    bool bOk = false;
    double dCpuSeconds = 0;
    double dWallSeconds = 0;
};

// One run of the program that walks for walkMs after the start; its CPU time as a whole.
Walk RunWalk(bool realClock, bool history, int walkMs) {
    Walk result;
    char tmpl[] = "/tmp/mv_walking_bench_XXXXXX";
    if (!mkdtemp(tmpl)) return result;
    const std::string dir = tmpl;
    if (PrepareFolder(dir)) {
        std::ofstream script(dir + "/script.txt");
        script << "tap 80 692\n";                          // start
        if (history) script << "wait 100\ntap 400 692\n";  // the history view
        script << "wait " << walkMs << "\nquit\n";
        script.close();

        std::vector<std::string> settings = {
            "MOVIMETRA_DISPLAY=headless", std::string("MOVIMETRA_CLOCK=") + (realClock ? "real" : "manual"),
            "MOVIMETRA_SENSOR=walk", "MOVIMETRA_SCRIPT=" + dir + "/script.txt"};
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "MOVIMETRA_", 10) != 0) env.push_back(*e);
        env.insert(env.end(), settings.begin(), settings.end());
        std::vector<char*> envp;
        for (std::string& entry : env) envp.push_back(entry.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string program = dir + "/Movimetra";
        char* argv[] = {program.data(), nullptr};
        const auto began = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) == 0) {
            int status = 0;
            rusage usage{};
            if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
                result.bOk = true;
                result.dCpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 +
                                     usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
                result.dWallSeconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
            }
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return result;
}

// args: real clock (1) or manual (0); history view (1) or main view (0); short and long walk in ms.
void BM_WalkingCpuPerMinute(benchmark::State& state) {
    const bool realClock = state.range(0) != 0;
    const bool history = state.range(1) != 0;
    const int shortMs = static_cast<int>(state.range(2));
    const int longMs = static_cast<int>(state.range(3));
    double cpuPerMinuteMs = 0;
    for (auto _ : state) {
        Walk brief = RunWalk(realClock, history, shortMs);
        Walk full = RunWalk(realClock, history, longMs);
        if (!brief.bOk || !full.bOk) {
            state.SkipWithError("the program did not run (is Movimetra built beside this benchmark?)");
            return;
        }
        cpuPerMinuteMs = (full.dCpuSeconds - brief.dCpuSeconds) * 1000.0 * 60000.0 / (longMs - shortMs);
        state.SetIterationTime(full.dWallSeconds);
        state.counters["program_cpu_ms"] = full.dCpuSeconds * 1000.0;
        state.counters["walk_s"] = longMs / 1000.0;
    }
    state.counters["cpu_ms_per_walking_minute"] = cpuPerMinuteMs;
    state.SetLabel(std::string(realClock ? "real clock, " : "manual clock (per simulated minute), ") +
                   (history ? "history view shown" : "main view shown"));
}

}  // namespace

BENCHMARK(BM_WalkingCpuPerMinute)
    ->ArgNames({"real", "history", "short_ms", "long_ms"})
    ->Args({1, 1, 2000, 32000})
    ->Args({1, 0, 2000, 17000})
    ->Args({0, 1, 10000, 610000})
    ->Args({0, 0, 10000, 130000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
