// CPU and wake-ups the running program spends per minute of walking, beside a floor program in the
// same run. The real program (the executable beside this one) runs as a child process on the
// headless display: it starts a workout with the main view's button, walks, and quits. Its CPU
// time (user plus system) and its voluntary context switches (each a thread waking from a wait),
// from wait4, after a short and after a long walk give the cost of the walking alone, with start-up
// and exit cancelled out, per minute and per second.
//
// The floor is this benchmark itself started as a child ("--floor MS"): a thread that sleeps 60 ms
// and reads three sysfs-like files, as the cheapest polling reader of an accelerometer would. It
// runs at the same time as the program, for as long, and is measured the same way, so that both see
// the same machine and the ratio holds on a busy one; the load average is reported beside them.
//
// During the long walk both are also looked at thread by thread (/proc): the UI thread, the sensor
// thread and the saving thread of the program beside the floor, per minute and per wake-up, so
// that the cost of reading the sensor (the floor's own work) and of showing it can be told apart.
//
// Views: "history" opens the history view right after the start, so that the main view is hidden
// (the walk with the screen out of sight); "main" keeps the main view with its runner and value
// boxes on screen. "saver" runs a private session bus on which the GNOME screen saver (a
// python3-dbusmock object) is active from the start: nobody sees the screen. Sources: "iio" 0 is
// the synthetic walker, 1 a device folder of three files, read like the floor's, 2 the same device
// with a buffer whose character device is a FIFO that this benchmark feeds with one scan per
// 60 ms. Clocks: "real" walks in real time; "manual" advances the manual clock and gives CPU per
// simulated minute.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

extern char** environ;

namespace {

std::string SelfPath() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    path[n] = '\0';
    return path;
}

std::string ExecutableFolder() {
    std::string self = SelfPath();
    size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
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

// An accelerometer's device folder: three raw files, as sysfs offers them.
bool PrepareDevice(const std::string& dir) {
    std::filesystem::create_directories(dir);
    const char* values[3] = {"120\n", "9810\n", "-35\n"};
    const char* axes[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        std::ofstream f(dir + "/in_accel_" + axes[i] + "_raw");
        f << values[i];
        if (!f) return false;
    }
    return true;
}

// The same device with a buffer of 16.7 scans a second (one per reading): scan elements x, y, z
// as little-endian s16 and, beside the folder, a FIFO standing in for its character device.
bool PrepareBufferedDevice(const std::string& dir, std::string* node) {
    if (!PrepareDevice(dir)) return false;
    auto write = [&](const std::string& name, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(dir + "/" + name).parent_path());
        std::ofstream f(dir + "/" + name);
        f << text;
        return f.good();
    };
    bool ok = write("in_accel_sampling_frequency", "16.666667\n") && write("in_accel_scale", "0.001\n") &&
              write("buffer/enable", "0\n") && write("buffer/length", "0\n") &&
              write("buffer/watermark", "1\n");
    const char* axes[3] = {"x", "y", "z"};
    for (int i = 0; i < 3 && ok; ++i)
        ok = write(std::string("scan_elements/in_accel_") + axes[i] + "_en", "0\n") &&
             write(std::string("scan_elements/in_accel_") + axes[i] + "_index", std::to_string(i) + "\n") &&
             write(std::string("scan_elements/in_accel_") + axes[i] + "_type", "le:s16/16>>0\n");
    *node = dir + "-node";
    return ok && mkfifo(node->c_str(), 0600) == 0;
}

// Feeds the FIFO one scan per 60 ms (absolute deadlines) of a walk-like signal until stopped.
// Starts args[0] with `env` as its whole environment, its output thrown away: the pid, or -1.
pid_t SpawnQuiet(std::vector<std::string> args, std::vector<std::string> env) {
    std::vector<char*> envp, argv;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class CScanFeeder {
public:
    bool Start(const std::string& node) {
        m_fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0) return false;
        m_thread = std::thread([this] { Run(); });
        return true;
    }
    ~CScanFeeder() {
        m_bStop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_fd >= 0) close(m_fd);
    }

private:
    void Run() {
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        for (long k = 0; !m_bStop; ++k) {
            next.tv_nsec += 60000000L;
            if (next.tv_nsec >= 1000000000L) {
                next.tv_nsec -= 1000000000L;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
            const double phase = 2 * M_PI * 1.8 * k * 0.06;
            const int16_t scan[3] = {static_cast<int16_t>(1500 * std::sin(phase)),
                                     static_cast<int16_t>(9810 + 4000 * std::sin(2 * phase)),
                                     static_cast<int16_t>(800 * std::cos(phase))};
            if (write(m_fd, scan, sizeof scan) < 0) break;
        }
    }
    int m_fd = -1;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

// A private session bus (dbus-daemon) with the GNOME screen saver on it as a python3-dbusmock
// object whose GetActive answers true, and dbusmock's notification server, so that the workout's
// notification is posted and replaced as on a desktop.
class CActiveScreenSaver {
public:
    bool Start(const std::string& dir) {
        const std::string socket = dir + "/bus";
        std::ofstream(dir + "/bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig><type>session</type><listen>unix:path="
            << socket
            << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
               "<allow own=\"*\"/><allow send_destination=\"*\"/><allow receive_sender=\"*\"/>"
               "</policy></busconfig>\n";
        m_strAddress = "unix:path=" + socket;
        m_nDaemon = Spawn({"/usr/bin/dbus-daemon", "--nofork", "--config-file=" + dir + "/bus.conf"}, {});
        for (int i = 0; i < 500 && m_pBus == nullptr; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            m_pBus = g_dbus_connection_new_for_address_sync(
                m_strAddress.c_str(),
                static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                  G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr);
        }
        if (m_pBus == nullptr) return false;
        m_nMock = Spawn({"/usr/bin/python3", "-m", "dbusmock", "--session", kName, kPath, kName},
                        {"DBUS_SESSION_BUS_ADDRESS=" + m_strAddress});
        m_nNotifications =
            Spawn({"/usr/bin/python3", "-m", "dbusmock", "--session", "-t", "notification_daemon"},
                  {"DBUS_SESSION_BUS_ADDRESS=" + m_strAddress});
        for (int i = 0; i < 1000; ++i) {
            GVariant* reply = g_dbus_connection_call_sync(
                m_pBus, kName, kPath, "org.freedesktop.DBus.Mock", "AddMethod",
                g_variant_new("(sssss)", kName, "GetActive", "", "b", "ret = True"), nullptr,
                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
            if (reply != nullptr) {
                g_variant_unref(reply);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    ~CActiveScreenSaver() {
        for (pid_t pid : {m_nNotifications, m_nMock, m_nDaemon})
            if (pid > 0) {
                kill(pid, SIGTERM);
                waitpid(pid, nullptr, 0);
            }
        if (m_pBus != nullptr) g_object_unref(m_pBus);
    }
    const std::string& Address() const { return m_strAddress; }

private:
    static constexpr const char* kName = "org.gnome.ScreenSaver";
    static constexpr const char* kPath = "/org/gnome/ScreenSaver";
    static pid_t Spawn(std::vector<std::string> args, const std::vector<std::string>& settings) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) env.push_back(*e);
        env.insert(env.end(), settings.begin(), settings.end());
        return SpawnQuiet(std::move(args), std::move(env));
    }
    std::string m_strAddress;
    pid_t m_nDaemon = -1;
    pid_t m_nMock = -1;
    pid_t m_nNotifications = -1;
    GDBusConnection* m_pBus = nullptr;
};

struct Usage {
    bool bOk = false;
    double dCpuSeconds = 0;
    double dWakeups = 0;  // voluntary context switches
    double dWallSeconds = 0;
};

// A child process started by Launch, to be reaped by Reap.
struct Child {
    pid_t pid = -1;
    std::chrono::steady_clock::time_point began;
};

Child Launch(const std::string& program, std::vector<std::string> args,
             const std::vector<std::string>& settings) {
    Child child;
    std::vector<std::string> env;
    // The settings replace what the environment says.
    auto setHere = [&](const char* entry) {
        for (const std::string& setting : settings) {
            const size_t equals = setting.find('=');
            if (std::strncmp(entry, setting.c_str(), equals + 1) == 0) return true;
        }
        return false;
    };
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "MOVIMETRA_", 10) != 0 && !setHere(*e)) env.push_back(*e);
    env.insert(env.end(), settings.begin(), settings.end());
    args.insert(args.begin(), program);
    child.began = std::chrono::steady_clock::now();
    child.pid = SpawnQuiet(std::move(args), std::move(env));
    return child;
}

Usage Reap(const Child& child) {
    Usage result;
    if (child.pid < 0) return result;
    int status = 0;
    rusage usage{};
    if (wait4(child.pid, &status, 0, &usage) == child.pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.bOk = true;
        result.dCpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                             usage.ru_stime.tv_usec / 1e6;
        result.dWakeups = static_cast<double>(usage.ru_nvcsw);
        result.dWallSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - child.began).count();
    }
    return result;
}

// CPU time and times scheduled (each a wake-up) of one thread, or of the threads of one name.
struct ThreadUse {
    double dCpuMs = 0;
    double dWakes = 0;
};

// The threads of a process by name (the program names its sensor and saving threads; the UI
// thread has the program's name), from /proc/PID/task/*/comm and schedstat.
std::map<std::string, ThreadUse> ThreadsOf(pid_t pid) {
    std::map<std::string, ThreadUse> out;
    std::error_code error;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream commFile(task.path() / "comm"), statFile(task.path() / "schedstat");
        std::string name;
        double runNs = 0, waitNs = 0, slices = 0;
        if (!std::getline(commFile, name) || !(statFile >> runNs >> waitNs >> slices)) continue;
        out[name].dCpuMs += runNs / 1e6;
        out[name].dWakes += slices;
    }
    return out;
}

// Per thread over a window inside the walk: where the program's time goes beside the floor's.
struct ThreadSplit {
    bool bOk = false;
    double dWindowMs = 0;
    ThreadUse ui, sensor, saving, floor;
    ThreadUse program;  // all of its threads
};

ThreadUse Between(const std::map<std::string, ThreadUse>& a, const std::map<std::string, ThreadUse>& b,
                  const std::string& name) {
    ThreadUse u;
    auto before = a.find(name), after = b.find(name);
    if (before == a.end() || after == b.end()) return u;
    u.dCpuMs = after->second.dCpuMs - before->second.dCpuMs;
    u.dWakes = after->second.dWakes - before->second.dWakes;
    return u;
}

// All threads of a process as one, under the empty name.
std::map<std::string, ThreadUse> Whole(const std::map<std::string, ThreadUse>& threads) {
    ThreadUse sum;
    for (const auto& [name, use] : threads) {
        sum.dCpuMs += use.dCpuMs;
        sum.dWakes += use.dWakes;
    }
    return {{"", sum}};
}

// Looks at both processes 4 s after their start (the walk under way) and 1 s before the walk
// ends.
void MeasureThreads(const Child& program, const Child& floor, int walkMs, ThreadSplit* split) {
    constexpr int kFirstLookMs = 4000, kLastLookBeforeEndMs = 1000;
    if (walkMs < kFirstLookMs + kLastLookBeforeEndMs + 1000 || program.pid < 0 || floor.pid < 0) return;
    std::this_thread::sleep_until(program.began + std::chrono::milliseconds(kFirstLookMs));
    const auto first = std::chrono::steady_clock::now();
    auto programBefore = ThreadsOf(program.pid), floorBefore = ThreadsOf(floor.pid);
    std::this_thread::sleep_until(program.began + std::chrono::milliseconds(walkMs - kLastLookBeforeEndMs));
    auto programAfter = ThreadsOf(program.pid), floorAfter = ThreadsOf(floor.pid);
    split->dWindowMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - first).count();
    split->ui = Between(programBefore, programAfter, "Movimetra");
    split->sensor = Between(programBefore, programAfter, "sensor");
    split->saving = Between(programBefore, programAfter, "saving");
    split->floor = Between(Whole(floorBefore), Whole(floorAfter), "");
    split->program = Between(Whole(programBefore), Whole(programAfter), "");
    split->bOk = split->ui.dWakes > 0 && split->sensor.dWakes > 0 && split->floor.dWakes > 0;
}

// One run of the program that walks for walkMs after the start and, on the real clock, of the
// floor program for as long, side by side: both see the same machine. With a split, the threads
// of both are also looked at during the walk.
// Sources of the walk.
enum Source { kWalker = 0, kIioFiles = 1, kIioBuffered = 2 };

void RunWalkAndFloor(bool realClock, bool history, int source, bool saver, int walkMs, Usage* program,
                     Usage* floor, ThreadSplit* split = nullptr) {
    *program = Usage{};
    *floor = Usage{};
    const CTempDir temp("mv_walking_bench_");
    const CTempDir floorTemp("mv_walking_floor_");
    const std::string& dir = temp.Path();
    if (dir.empty() || floorTemp.Path().empty()) return;
    if (!PrepareFolder(dir) || !PrepareDevice(floorTemp.Path())) return;
    std::string node;
    if (!(source == kIioBuffered ? PrepareBufferedDevice(dir + "/iio", &node) : PrepareDevice(dir + "/iio")))
        return;
    std::ofstream script(dir + "/script.txt");
    script << "tap 80 692\n";                          // start
    if (history) script << "wait 100\ntap 400 692\n";  // the history view
    script << "wait " << walkMs << "\nquit\n";
    script.close();
    std::vector<std::string> settings = {
        "MOVIMETRA_DISPLAY=headless", std::string("MOVIMETRA_CLOCK=") + (realClock ? "real" : "manual"),
        std::string("MOVIMETRA_SENSOR=") + (source != kWalker ? "iio:" + dir + "/iio" : "walk"),
        "MOVIMETRA_SCRIPT=" + dir + "/script.txt"};
    CScanFeeder feeder;
    if (source == kIioBuffered) {
        if (!feeder.Start(node)) return;
        settings.push_back("MV_TEST_IIO_NODE=" + node);
    }
    CActiveScreenSaver screenSaver;
    if (saver) {
        std::filesystem::create_directories(dir + "/dbus");
        if (!screenSaver.Start(dir + "/dbus")) return;
        settings.push_back("DBUS_SESSION_BUS_ADDRESS=" + screenSaver.Address());
    }
    Child walker = Launch(dir + "/Movimetra", {}, settings);
    Child floorChild;
    if (realClock) floorChild = Launch(SelfPath(), {"--floor", std::to_string(walkMs), floorTemp.Path()}, {});
    if (realClock && split) MeasureThreads(walker, floorChild, walkMs, split);
    *program = Reap(walker);
    if (realClock) *floor = Reap(floorChild);
}

// The floor itself: every 60 ms (absolute deadlines) one read of each of the three files.
int FloorMain(int runMs, const std::string& dir) {
    int fds[3];
    const char* axes[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        fds[i] = open((dir + "/in_accel_" + axes[i] + "_raw").c_str(), O_RDONLY | O_CLOEXEC);
        if (fds[i] < 0) return 1;
    }
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const long periods = runMs / 60;
    long sum = 0;
    for (long k = 0; k < periods; ++k) {
        next.tv_nsec += 60000000L;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        for (int fd : fds) {
            char buf[64];
            ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
            if (n > 0) {
                buf[n] = '\0';
                sum += std::atol(buf);
            }
        }
    }
    for (int fd : fds) close(fd);
    return sum == 0 ? 1 : 0;
}

double LoadAverage() {
    double load[3] = {0, 0, 0};
    return getloadavg(load, 3) > 0 ? load[0] : -1;
}

struct PerMinute {
    double dCpuMs = 0;
    double dWakeupsPerSecond = 0;
};

PerMinute Difference(const Usage& brief, const Usage& full, int shortMs, int longMs) {
    PerMinute p;
    p.dCpuMs = (full.dCpuSeconds - brief.dCpuSeconds) * 1000.0 * 60000.0 / (longMs - shortMs);
    p.dWakeupsPerSecond = (full.dWakeups - brief.dWakeups) * 1000.0 / (longMs - shortMs);
    return p;
}

// args: real clock (1) or manual (0); history view (1) or main view (0); the source (Source);
// screen saver active (1) or none (0); short and long walk in ms. On the real clock the floor runs
// beside it.
void BM_WalkingCpuPerMinute(benchmark::State& state) {
    const bool realClock = state.range(0) != 0;
    const bool history = state.range(1) != 0;
    const int source = static_cast<int>(state.range(2));
    const bool saver = state.range(3) != 0;
    const int shortMs = static_cast<int>(state.range(4));
    const int longMs = static_cast<int>(state.range(5));
    PerMinute program, floor;
    ThreadSplit split;
    const double loadBefore = LoadAverage();
    for (auto _ : state) {
        Usage brief, full, floorBrief, floorFull;
        RunWalkAndFloor(realClock, history, source, saver, shortMs, &brief, &floorBrief);
        RunWalkAndFloor(realClock, history, source, saver, longMs, &full, &floorFull, &split);
        if (!brief.bOk || !full.bOk) {
            state.SkipWithError("the program did not run (is Movimetra built beside this benchmark?)");
            return;
        }
        program = Difference(brief, full, shortMs, longMs);
        state.SetIterationTime(full.dWallSeconds);
        state.counters["program_cpu_ms"] = full.dCpuSeconds * 1000.0;
        state.counters["walk_s"] = longMs / 1000.0;
        if (realClock) {
            if (!floorBrief.bOk || !floorFull.bOk) {
                state.SkipWithError("the floor program did not run");
                return;
            }
            floor = Difference(floorBrief, floorFull, shortMs, longMs);
        }
    }
    state.counters["cpu_ms_per_walking_minute"] = program.dCpuMs;
    state.counters["wakeups_per_s"] = program.dWakeupsPerSecond;
    if (realClock) {
        state.counters["floor_cpu_ms_per_minute"] = floor.dCpuMs;
        state.counters["floor_wakeups_per_s"] = floor.dWakeupsPerSecond;
        state.counters["ratio_to_floor"] = floor.dCpuMs > 0 ? program.dCpuMs / floor.dCpuMs : 0;
    }
    if (split.bOk) {
        // Per thread: the sensor thread does what the floor does; the rest is the program's own.
        const double perMinute = 60000.0 / split.dWindowMs;
        state.counters["ui_thread_cpu_ms_per_minute"] = split.ui.dCpuMs * perMinute;
        state.counters["sensor_thread_cpu_ms_per_minute"] = split.sensor.dCpuMs * perMinute;
        state.counters["saving_thread_cpu_ms_per_minute"] = split.saving.dCpuMs * perMinute;
        state.counters["sensor_thread_ratio_to_floor"] = split.sensor.dCpuMs / split.floor.dCpuMs;
        state.counters["ui_thread_wakeups_per_s"] = split.ui.dWakes * 1000.0 / split.dWindowMs;
        state.counters["sensor_thread_wakeups_per_s"] = split.sensor.dWakes * 1000.0 / split.dWindowMs;
        state.counters["saving_thread_wakeups_per_s"] = split.saving.dWakes * 1000.0 / split.dWindowMs;
        state.counters["ui_thread_us_per_wakeup"] = split.ui.dCpuMs * 1000.0 / split.ui.dWakes;
        state.counters["sensor_thread_us_per_wakeup"] = split.sensor.dCpuMs * 1000.0 / split.sensor.dWakes;
        state.counters["floor_us_per_wakeup"] = split.floor.dCpuMs * 1000.0 / split.floor.dWakes;
        // The whole program inside the walk, start and end left out: for a walk that costs little,
        // steadier than the difference of two runs.
        state.counters["window_cpu_ms_per_minute"] = split.program.dCpuMs * perMinute;
        state.counters["window_ratio_to_floor"] = split.program.dCpuMs / split.floor.dCpuMs;
        state.counters["window_wakeups_per_s"] = split.program.dWakes * 1000.0 / split.dWindowMs;
    }
    state.counters["load_average"] = (loadBefore + LoadAverage()) / 2;
    const char* sources[3] = {"walker", "iio files", "iio buffer"};
    state.SetLabel(std::string(realClock ? "real clock, " : "manual clock (per simulated minute), ") +
                   (saver ? "screen saver active, " : "") +
                   (history ? "history view shown, " : "main view shown, ") + sources[source]);
}

}  // namespace

BENCHMARK(BM_WalkingCpuPerMinute)
    ->ArgNames({"real", "history", "iio", "saver", "short_ms", "long_ms"})
    ->Args({1, 0, 0, 0, 2000, 32000})
    ->Args({1, 1, 1, 0, 2000, 62000})
    ->Args({1, 1, 0, 0, 2000, 32000})
    ->Args({1, 0, 2, 1, 2000, 62000})
    ->Args({1, 0, 1, 1, 2000, 62000})
    ->Args({0, 1, 0, 0, 10000, 610000})
    ->Args({0, 0, 0, 0, 10000, 130000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--floor") == 0) return FloorMain(std::atoi(argv[2]), argv[3]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
