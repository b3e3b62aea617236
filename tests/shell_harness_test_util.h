// End-to-end support for the application shell: a temporary program folder, a stored profile,
// an in-process run of WinMain on the headless display and the manual clock driven by a
// script, and runs of the real program as a child process.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/win_main.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "resources/resources.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace shelltest {

// The name of the temporary program folders.
inline constexpr const char* kTempPrefix = "mv_shell_";

// 2024-03-14 10:00:00 local time, as seconds since 1970 local.
constexpr int64_t kStartLocalSeconds = 1710410400;

inline bool ExecSql(sqlite3* db, const char* sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (error) {
        ADD_FAILURE() << error;
        sqlite3_free(error);
    }
    return rc == SQLITE_OK;
}

// A database as a user leaves it after saving the profile once.
inline bool WriteStoredProfile(const std::string& dbPath, int language) {
    sqlite3* db = nullptr;
    if (sqlite3_open(dbPath.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok =
        ExecSql(db, StoreSchemaScript().c_str()) && ExecSql(db, "INSERT INTO firstuse VALUES(1);") &&
        ExecSql(db, ("INSERT INTO info VALUES(175, 65, 'M', '" + std::to_string(language) + "');").c_str());
    sqlite3_close(db);
    return ok;
}

inline std::vector<std::string> TableNames(const std::string& dbPath) {
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid;", -1,
                               &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW)
                names.push_back((const char*)sqlite3_column_text(stmt, 0));
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return names;
}

// One in-process run of the program in its own temporary folder.
class CShellRun {
public:
    // The single-instance socket is named after the program's path, so runs in their own
    // folders never find each other.
    // The first start takes its language from the locale: Korean unless a test says otherwise.
    CShellRun() {
        setenv("LANG", "ko_KR.UTF-8", 1);
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
    }
    CShellRun(const CShellRun&) = delete;
    CShellRun& operator=(const CShellRun&) = delete;

    const std::string& Dir() const { return m_dir; }
    std::string DbPath() const { return m_dir + "/Movimetra.db"; }
    bool PrepareStoredProfile(int language = 0) { return WriteStoredProfile(DbPath(), language); }
    // The sensor setting of the run (default "none": no source, so no workout starts).
    void SetSensor(const std::string& setting) { m_sensor = setting; }
    // The manual clock's start, as seconds since 1970 in local time (kStartLocalSeconds unless set).
    void SetStartLocalSeconds(int64_t seconds) { m_startLocalSeconds = seconds; }
    // Runs on the real clock: the script's waits take real time (tests of real-time behaviour).
    void SetRealClock() { m_bRealClock = true; }

    // Registers a script hook ("call NAME"); Calls(NAME) counts how often it ran.
    void Hook(const std::string& name, std::function<void()> hook) { m_hooks[name] = std::move(hook); }
    int Calls(const std::string& name) const {
        auto it = m_calls.find(name);
        return it == m_calls.end() ? 0 : it->second;
    }

    // Platform up (headless, manual clock, program folder = the temporary folder), resources,
    // the script, WinMain on this thread, platform down. Returns WinMain's result.
    int Run(const std::string& script) {
        MvPlatformOptions options;
        options.displayFromEnvironment = false;
        options.display = MvDisplayKind::Headless;
        options.manualClock = !m_bRealClock;
        options.manualStartLocalSeconds = m_startLocalSeconds;
        options.modulePath = m_dir + "/Movimetra";
        MvPlatformInit(options);
        MvSensorConfigure(m_sensor);
        MvSensorClearLog();
        MvVibrationSetSysfsRoot(m_dir);
        MvVibrationSetEvdevFolder(m_dir);
        MvVibrationClearLog();
        RegisterMovimetraResources();
        for (auto& [name, hook] : m_hooks) {
            std::string key = name;
            MvRegisterScriptHook(name, [this, key]() {
                ++m_calls[key];
                m_hooks[key]();
            });
        }
        std::string error;
        EXPECT_TRUE(MvSetScript(script, &error)) << error;
        int code = WinMain(MvAppInstanceHandle(), nullptr, (LPWSTR)L"", SW_SHOW);
        MvSetMessageObserver(nullptr);
        MvPlatformShutdown();
        return code;
    }

private:
    const CTempDir m_temp{kTempPrefix};
    const std::string m_dir = m_temp.Path();
    std::string m_sensor = "none";
    int64_t m_startLocalSeconds = kStartLocalSeconds;
    bool m_bRealClock = false;
    std::map<std::string, std::function<void()>> m_hooks;
    std::map<std::string, int> m_calls;
};

// ---- The real program as a child process ------------------------------------------------------

inline std::string ProgramBinary() {
    return MV_APP_BINARY;
}

// Copies the program into `dir`, so that it keeps its database (and finds its images) there.
inline std::string InstallProgram(const std::string& dir) {
    std::string target = dir + "/Movimetra";
    std::error_code error;
    std::filesystem::copy_file(ProgramBinary(), target, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error) return "";
    std::filesystem::permissions(target, std::filesystem::perms::owner_all, error);
    return error ? "" : target;
}

inline bool WriteTextFile(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    return out.good();
}

// Starts `program` with the current environment plus `env` ("NAME=value"), its output to
// `logPath`. Returns the child's pid, or -1.
inline pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& env,
                          const std::string& logPath) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& entry : env) putenv(strdup(entry.c_str()));
    int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
        dup2(log, 1);
        dup2(log, 2);
        close(log);
    }
    execl(program.c_str(), program.c_str(), (char*)nullptr);
    _exit(127);
}

// In a forked child: standard output and error to `logPath` (made writable for anyone, so that a
// child that gave up the superuser's rights can still write it).
inline void RedirectChildOutput(const std::string& logPath) {
    int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return;
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
}

struct ChildEnd {
    bool exited = false;  // ended by itself (not killed, not timed out)
    int code = -1;
    long maxRssKb = 0;
};

// Waits for the child at most timeoutMs; a child still running then is killed.
inline ChildEnd WaitProgram(pid_t pid, int timeoutMs) {
    ChildEnd end;
    int pidfd = (int)syscall(SYS_pidfd_open, pid, 0);
    if (pidfd >= 0) {
        pollfd fd = {pidfd, POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) kill(pid, SIGKILL);
        close(pidfd);
    }
    int status = 0;
    rusage usage = {};
    if (wait4(pid, &status, 0, &usage) != pid) return end;
    end.maxRssKb = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        end.exited = true;
        end.code = WEXITSTATUS(status);
    }
    return end;
}

inline std::string ReadTextFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Starts Xvfb on a free display with one screen (e.g. "480x800x24"); returns its pid and the
// display name, or -1. Without resets: a server that resets when its last client leaves can be
// caught half gone by the next one.
inline pid_t StartXvfb(const std::string& screen, std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    size_t used = 0;
    pollfd fd = {fds[0], POLLIN, 0};
    while (used < sizeof(buffer) - 1 && poll(&fd, 1, 20000) > 0) {
        ssize_t n = read(fds[0], buffer + used, sizeof(buffer) - 1 - used);
        if (n <= 0) break;
        used += (size_t)n;
        if (memchr(buffer, '\n', used)) break;
    }
    close(fds[0]);
    int number = atoi(buffer);
    if (used == 0 || !memchr(buffer, '\n', used)) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    *display = ":" + std::to_string(number);
    return pid;
}

}  // namespace shelltest
