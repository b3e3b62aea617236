#include "platform/devices/haptic_feedbackd.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace {

// A pulse that comes late is worse than none: do not wait long for an answer.
const int kCallTimeoutMs = 500;

// The session bus as the environment names it. GLib's own lookup would fall back to starting a
// bus through X11 ("autolaunch"), which is not wanted for a vibration.
std::string SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && address[0] != '\0') return address;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] == '\0') return std::string();
    std::string path = std::string(runtime) + "/bus";
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return std::string();
    return "unix:path=" + path;
}

}  // namespace

bool MvFeedbackdTrigger() {
    std::string address = SessionBusAddress();
    if (address.empty()) return false;
    GError* error = nullptr;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (bus == nullptr) {
        g_error_free(error);
        return false;
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // Timeout -1: the event's own length, as the feedback profile defines it.
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.sigxcpu.Feedback", "/org/sigxcpu/Feedback", "org.sigxcpu.Feedback", "TriggerFeedback",
        g_variant_new("(ssa{sv}i)", "movimetra", "button-pressed", &hints, -1), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, nullptr, &error);
    bool ok = reply != nullptr;
    if (reply != nullptr) g_variant_unref(reply);
    if (error != nullptr) g_error_free(error);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return ok;
}
