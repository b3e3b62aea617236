// Tests against real D-Bus daemons: a private bus (dbus-daemon with a configuration of the
// test's own) and python3-dbusmock serving a mock service on it, plus the calls a test makes to
// look at what the mock saw.
#pragma once

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testing/temp_dir_test_util.h"

namespace dbustest {

// dbusmock belongs to Debian's own Python, which need not be the first python3 on PATH.
constexpr const char* kPython = "/usr/bin/python3";

// Why real-daemon tests cannot run here, or empty when they can.
inline std::string MissingTools() {
    if (access("/usr/bin/dbus-daemon", X_OK) != 0)
        return "dbus-daemon is not installed (Debian package dbus)";
    std::string probe = std::string(kPython) + " -c 'import dbusmock' > /dev/null 2>&1";
    if (std::system(probe.c_str()) != 0) return "python3-dbusmock is not installed for /usr/bin/python3";
    return std::string();
}

inline pid_t Spawn(const std::vector<std::string>& argv, const std::string& logPath) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    FILE* log = std::freopen(logPath.c_str(), "a", stdout);
    if (log != nullptr) dup2(fileno(stdout), 2);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

inline void Stop(pid_t* pid) {
    if (*pid <= 0) return;
    kill(*pid, SIGTERM);
    kill(*pid, SIGCONT);  // a frozen process takes the signal once it runs
    waitpid(*pid, nullptr, 0);
    *pid = -1;
}

// One private bus with one mock service on it. kind is "system" or "session"; Start sets
// DBUS_SYSTEM_BUS_ADDRESS or DBUS_SESSION_BUS_ADDRESS of this process (children inherit it).
class CMockBus {
public:
    explicit CMockBus(std::string kind) : m_strKind(std::move(kind)) {}
    ~CMockBus() {
        Stop(&m_nMock);
        Stop(&m_nDaemon);
        if (m_pConnection != nullptr) g_object_unref(m_pConnection);
    }
    CMockBus(const CMockBus&) = delete;
    CMockBus& operator=(const CMockBus&) = delete;

    const std::string& Address() const { return m_strAddress; }
    std::string Log() const {
        std::ifstream in(m_strDir + "/log.txt");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // The bus alone; false (with the reason added as a failure) when it does not come up.
    bool StartBus() {
        if (m_TempDir.Path().empty()) return false;
        m_strDir = m_TempDir.Path();
        const std::string socket = m_strDir + "/bus";
        std::ofstream(m_strDir + "/bus.conf")
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n  <type>"
            << m_strKind << "</type>\n  <listen>unix:path=" << socket
            << "</listen>\n  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow user=\"*\"/>\n    <allow own=\"*\"/>\n"
               "    <allow send_destination=\"*\"/>\n"
               "    <allow receive_sender=\"*\"/>\n"
               "  </policy>\n</busconfig>\n";
        m_nDaemon = Spawn({"/usr/bin/dbus-daemon", "--nofork", "--config-file=" + m_strDir + "/bus.conf"},
                          m_strDir + "/log.txt");
        m_strAddress = "unix:path=" + socket;
        setenv(m_strKind == "system" ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS",
               m_strAddress.c_str(), 1);
        for (int i = 0; i < 1000 && m_pConnection == nullptr; ++i) {
            struct stat info {};
            if (stat(socket.c_str(), &info) == 0) m_pConnection = Connect();
            if (m_pConnection == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (m_pConnection == nullptr) ADD_FAILURE() << "the private bus did not come up: " << Log();
        return m_pConnection != nullptr;
    }

    // The bus and `python3 -m dbusmock ARGS` on it, waiting until `name` is owned.
    bool Start(const std::vector<std::string>& mockArgs, const std::string& name) {
        return StartBus() && StartMock(mockArgs, name);
    }
    // Another mock on the bus that is up (one that was stopped, started again).
    bool StartMock(const std::vector<std::string>& mockArgs, const std::string& name) {
        std::vector<std::string> argv = {kPython, "-m", "dbusmock", "--" + m_strKind};
        argv.insert(argv.end(), mockArgs.begin(), mockArgs.end());
        m_nMock = Spawn(argv, m_strDir + "/log.txt");
        for (int i = 0; i < 3000; ++i) {
            if (HasOwner(name)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << name << " did not appear on the private bus: " << Log();
        return false;
    }

    // Freezes (SIGSTOP) or thaws the mock service or the bus itself, as a hung process would be.
    void FreezeMock(bool frozen) {
        if (m_nMock > 0) kill(m_nMock, frozen ? SIGSTOP : SIGCONT);
    }
    void FreezeBus(bool frozen) {
        if (m_nDaemon > 0) kill(m_nDaemon, frozen ? SIGSTOP : SIGCONT);
    }
    // Ends the mock service, the bus staying up.
    void StopMock() { Stop(&m_nMock); }

    bool HasOwner(const std::string& name) {
        GVariant* reply = Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                               "NameHasOwner", g_variant_new("(s)", name.c_str()), "(b)");
        if (reply == nullptr) return false;
        gboolean owned = FALSE;
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
        return owned != FALSE;
    }

    // A method call on the bus; the reply (to be unreffed) or null.
    GVariant* Call(const char* name, const char* path, const char* interface, const char* method,
                   GVariant* args, const char* replyType) {
        GError* error = nullptr;
        GVariant* reply = g_dbus_connection_call_sync(m_pConnection, name, path, interface, method, args,
                                                      replyType ? G_VARIANT_TYPE(replyType) : nullptr,
                                                      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
        if (error != nullptr) g_error_free(error);
        return reply;
    }

    // Each call the mock object at `path` has seen, in order: its method and arguments.
    void ForEachCall(const char* name, const char* path,
                     const std::function<void(const std::string&, const std::vector<GVariant*>&)>& take) {
        GVariant* reply = Call(name, path, "org.freedesktop.DBus.Mock", "GetCalls", nullptr, "(a(tsav))");
        if (reply == nullptr) return;
        GVariantIter* calls = nullptr;
        g_variant_get(reply, "(a(tsav))", &calls);
        guint64 time = 0;
        const gchar* method = nullptr;
        GVariantIter* args = nullptr;
        while (g_variant_iter_next(calls, "(t&sav)", &time, &method, &args)) {
            std::vector<GVariant*> values;
            GVariant* value = nullptr;
            while (g_variant_iter_next(args, "v", &value)) values.push_back(value);
            take(method, values);
            for (GVariant* v : values) g_variant_unref(v);
            g_variant_iter_free(args);
        }
        g_variant_iter_free(calls);
        g_variant_unref(reply);
    }

    // The methods the mock object at `path` has seen called, by name, in order.
    std::vector<std::string> CalledMethods(const char* name, const char* path) {
        std::vector<std::string> methods;
        ForEachCall(name, path, [&](const std::string& method, const std::vector<GVariant*>&) {
            methods.push_back(method);
        });
        return methods;
    }

private:
    GDBusConnection* Connect() {
        GError* error = nullptr;
        GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
            m_strAddress.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (error != nullptr) g_error_free(error);
        return connection;
    }

    std::string m_strKind;
    CTempDir m_TempDir{"mv_dbus_"};  // removed after the daemons stop (members go after the body)
    std::string m_strDir;
    std::string m_strAddress;
    pid_t m_nDaemon = -1;
    pid_t m_nMock = -1;
    GDBusConnection* m_pConnection = nullptr;
};

// logind's inhibitors as (what, who, why, mode), from the mock's ListInhibitors.
struct Inhibitor {
    std::string what, who, why, mode;
};

inline std::vector<Inhibitor> ListInhibitors(CMockBus& bus) {
    std::vector<Inhibitor> list;
    GVariant* reply = bus.Call("org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "ListInhibitors", nullptr, "(a(ssssuu))");
    if (reply == nullptr) return list;
    GVariantIter* items = nullptr;
    g_variant_get(reply, "(a(ssssuu))", &items);
    const gchar *what, *who, *why, *mode;
    guint32 uid = 0, pid = 0;
    while (g_variant_iter_next(items, "(&s&s&s&suu)", &what, &who, &why, &mode, &uid, &pid))
        list.push_back({what, who, why, mode});
    g_variant_iter_free(items);
    g_variant_unref(reply);
    return list;
}

}  // namespace dbustest
