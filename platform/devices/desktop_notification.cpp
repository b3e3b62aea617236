// Balloons of the notification area as desktop notifications: org.freedesktop.Notifications.Notify
// on the shared session-bus connection. The shell's own chrome has no notification area to draw.
#include <gio/gio.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "install_config.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/session_bus.h"
#include "platform/win_module.h"
#include "platform/win_shell.h"

namespace {

// A notice that is late is still worth showing; a server that does not answer by then has none.
const int kCallTimeoutMs = 2000;

std::string Utf8(const WCHAR* text, size_t units) {
    size_t length = 0;
    while (length < units && text[length] != L'\0') ++length;
    if (length == 0) return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

// Said once per run, as the session bus's own lack is.
void ReportNoServer(const char* why) {
    static std::once_flag once;
    std::call_once(once, [why] {
        std::fprintf(stderr,
                     "movimetra: no desktop notification server (%s); desktop notification steps aside\n",
                     why);
    });
}

void Notified(GObject* source, GAsyncResult* result, gpointer) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply != nullptr) g_variant_unref(reply);
    if (error != nullptr) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) ReportNoServer(error->message);
        g_error_free(error);
    }
}

// On the desktop thread: the call goes out and its answer comes back there, later.
void Notify(const std::string& appName, const std::string& summary, const std::string& body) {
    GDBusConnection* bus = MvSessionBus("desktop notification");
    if (bus == nullptr) return;
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(MV_APP_ID));
    // Icon: the installed application icon, named by the application's id.
    g_dbus_connection_call(bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", "Notify",
                           g_variant_new("(susssasa{sv}i)", appName.c_str(), 0u, MV_APP_ID, summary.c_str(),
                                         body.c_str(), &actions, &hints, -1),
                           G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs,
                           MvDesktopCancellable(), Notified, nullptr);
    g_object_unref(bus);
}

}  // namespace

BOOL Shell_NotifyIconW(DWORD message, PNOTIFYICONDATAW data) {
    if (data == nullptr) return FALSE;
    if (message == NIM_DELETE) return TRUE;
    if (message != NIM_ADD && message != NIM_MODIFY) return FALSE;
    if ((data->uFlags & NIF_INFO) == 0) return TRUE;
    std::string appName = (data->uFlags & NIF_TIP) != 0 ? Utf8(data->szTip, 128) : std::string();
    if (appName.empty()) appName = "Movimetra";
    MvDesktopPost([appName, summary = Utf8(data->szInfoTitle, 64), body = Utf8(data->szInfo, 256)] {
        Notify(appName, summary, body);
    });
    return TRUE;
}
