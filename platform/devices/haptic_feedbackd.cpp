#include "platform/devices/haptic_feedbackd.h"

#include <gio/gio.h>

#include "platform/devices/desktop_thread.h"
#include "platform/devices/session_bus.h"

namespace {

// A pulse that comes late is worse than none: do not wait long for an answer.
const int kCallTimeoutMs = 500;

}  // namespace

bool MvFeedbackdTrigger() {
    GDBusConnection* bus = MvSessionBus("vibration through feedbackd");
    if (bus == nullptr) return false;
    GError* error = nullptr;
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // Timeout -1: the event's own length, as the feedback profile defines it.
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.sigxcpu.Feedback", "/org/sigxcpu/Feedback", "org.sigxcpu.Feedback", "TriggerFeedback",
        g_variant_new("(ssa{sv}i)", "movimetra", "button-pressed", &hints, -1), G_VARIANT_TYPE("(u)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, MvDesktopCancellable(), &error);
    bool ok = reply != nullptr;
    if (reply != nullptr) g_variant_unref(reply);
    if (error != nullptr) g_error_free(error);
    g_object_unref(bus);
    return ok;
}
