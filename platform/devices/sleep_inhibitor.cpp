#include "platform/devices/sleep_inhibitor.h"

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"

namespace {

// Long enough for a busy logind, short enough not to freeze the screen when the bus hangs.
const int kCallTimeoutMs = 2000;

struct InhibitorState {
    std::mutex mutex;
    int fd = -1;
    bool reported = false;
};

InhibitorState& Inhibitor() {
    static InhibitorState* state = new InhibitorState;
    return *state;
}

std::string TakeError(GError* error) {
    std::string text = error != nullptr ? error->message : "unknown error";
    if (error != nullptr) g_error_free(error);
    return text;
}

// A private connection, so that a bus address that changed since the last call is followed.
GDBusConnection* ConnectSystemBus(std::string* why) {
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, MvDesktopCancellable(), &error);
    if (address == nullptr) {
        *why = "no system bus: " + TakeError(error);
        return nullptr;
    }
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address,
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, MvDesktopCancellable(), &error);
    g_free(address);
    if (bus == nullptr) *why = "no system bus: " + TakeError(error);
    return bus;
}

// logind's Inhibit: the answer is a descriptor that holds the inhibitor while it is open.
int CallInhibit(GDBusConnection* bus, std::string* why) {
    GError* error = nullptr;
    GUnixFDList* fds = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        bus, "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Inhibit",
        g_variant_new("(ssss)", "sleep", "Movimetra", "Counting steps", "block"), G_VARIANT_TYPE("(h)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &fds, MvDesktopCancellable(), &error);
    if (reply == nullptr) {
        *why = "no logind: " + TakeError(error);
        return -1;
    }
    gint32 index = -1;
    g_variant_get(reply, "(h)", &index);
    g_variant_unref(reply);
    int fd = -1;
    if (fds != nullptr && index >= 0 && index < g_unix_fd_list_get_length(fds)) {
        fd = g_unix_fd_list_get(fds, index, &error);  // a close-on-exec duplicate
        if (fd < 0) *why = "logind's answer: " + TakeError(error);
    } else {
        *why = "logind answered without a descriptor";
    }
    if (fds != nullptr) g_object_unref(fds);
    return fd;
}

int TakeInhibitor(std::string* why) {
    GDBusConnection* bus = ConnectSystemBus(why);
    if (bus == nullptr) return -1;
    int fd = CallInhibit(bus, why);
    g_dbus_connection_close_sync(bus, MvDesktopCancellable(), nullptr);
    g_object_unref(bus);
    return fd;
}

// On the desktop thread: the calls wait on the system bus.
void Apply(bool hold) {
    InhibitorState& s = Inhibitor();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!hold) {
        if (s.fd >= 0) close(s.fd);
        s.fd = -1;
        return;
    }
    if (s.fd >= 0) return;
    std::string why;
    s.fd = TakeInhibitor(&why);
    if (s.fd < 0 && !s.reported) {
        s.reported = true;
        std::fprintf(stderr,
                     "movimetra: power: cannot keep the device awake during a workout (%s); it may suspend\n",
                     why.c_str());
    }
}

}  // namespace

void MvSleepInhibitorHold(bool hold) {
    MvDesktopPost([hold] { Apply(hold); });
}

void MvSleepInhibitorReset() {
    InhibitorState& s = Inhibitor();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.fd >= 0) close(s.fd);
    s.fd = -1;
    s.reported = false;
}

bool MvSleepInhibitorHeld() {
    InhibitorState& s = Inhibitor();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.fd >= 0;
}
