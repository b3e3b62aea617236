#include "platform/devices/session_bus.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"

namespace {

// What the environment says when there is no bus: GLib and libdbus (SDL's) then fail at once
// instead of starting one through X11.
const char kNoBus[] = "disabled:";

struct SessionBusState {
    std::mutex mutex;
    GDBusConnection* connection = nullptr;
    std::string address;  // of `connection`
    bool reported = false;
};

SessionBusState& State() {
    static SessionBusState* state = new SessionBusState;
    return *state;
}

std::string EnvironmentAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return address != nullptr ? address : "";
}

// The user's bus socket, where systemd or the session starts one.
std::string RuntimeBusAddress() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] == '\0') return std::string();
    std::string path = std::string(runtime) + "/bus";
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::string();
    return "unix:path=" + path;
}

void ReportLocked(SessionBusState& s, const char* feature, const std::string& why) {
    if (s.reported) return;
    s.reported = true;
    std::fprintf(stderr, "movimetra: %s; %s steps aside\n", why.c_str(), feature);
}

}  // namespace

void MvSessionBusPrepare() {
    SessionBusState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!EnvironmentAddress().empty()) return;
    std::string address = RuntimeBusAddress();
    setenv("DBUS_SESSION_BUS_ADDRESS", address.empty() ? kNoBus : address.c_str(), 1);
}

GDBusConnection* MvSessionBus(const char* feature) {
    SessionBusState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string address = EnvironmentAddress();
    if (address.empty()) address = RuntimeBusAddress();
    if (s.connection != nullptr && (s.address != address || g_dbus_connection_is_closed(s.connection))) {
        g_object_unref(s.connection);
        s.connection = nullptr;
    }
    if (s.connection == nullptr) {
        if (address.empty() || address == kNoBus) {
            ReportLocked(s, feature,
                         "no session bus (DBUS_SESSION_BUS_ADDRESS unset, no $XDG_RUNTIME_DIR/bus)");
            return nullptr;
        }
        GError* error = nullptr;
        s.connection = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, MvDesktopCancellable(), &error);
        if (s.connection == nullptr) {
            ReportLocked(s, feature,
                         std::string("no session bus: ") + (error ? error->message : "unknown error"));
            if (error != nullptr) g_error_free(error);
            return nullptr;
        }
        s.address = address;
    }
    return static_cast<GDBusConnection*>(g_object_ref(s.connection));
}

void MvSessionBusShutdown() {
    SessionBusState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    // Not flushed: nothing the program sends needs an answer after its end, and a hung bus must
    // not hold the exit.
    if (s.connection != nullptr) {
        g_dbus_connection_close(s.connection, nullptr, nullptr, nullptr);
        g_object_unref(s.connection);
    }
    s.connection = nullptr;
    s.address.clear();
    s.reported = false;
}
