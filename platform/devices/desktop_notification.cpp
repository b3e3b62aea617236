// Balloons of the notification area as desktop notifications: org.freedesktop.Notifications.Notify
// on the shared session-bus connection. The shell's own chrome has no notification area to draw.
#include <gio/gio.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "install_config.h"
#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/session_bus.h"
#include "platform/win_module.h"
#include "platform/win_shell.h"
#include "platform/win_window.h"

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

// ---- Bubbles: one notification each, replaced in place, with actions -------------------------

namespace {

struct BubbleState {
    unsigned key = 0;
    guint32 serverId = 0;  // the server's id, 0 before its answer (or after it closed)
    HWND sink = nullptr;
    std::vector<MvBubbleAction> actions;
};

// Desktop thread only.
std::vector<BubbleState> g_bubbleStates;
GDBusConnection* g_signalBus = nullptr;
guint g_actionSubscription = 0;
guint g_closedSubscription = 0;

BubbleState* FindState(unsigned key) {
    for (BubbleState& state : g_bubbleStates)
        if (state.key == key) return &state;
    return nullptr;
}

void OnServerSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                    GVariant* args, gpointer) {
    if (g_strcmp0(signal, "ActionInvoked") == 0 && g_variant_is_of_type(args, G_VARIANT_TYPE("(us)"))) {
        guint32 id = 0;
        const gchar* action = nullptr;
        g_variant_get(args, "(u&s)", &id, &action);
        for (const BubbleState& state : g_bubbleStates)
            if (state.serverId != 0 && state.serverId == id)
                for (const MvBubbleAction& a : state.actions)
                    if (a.key == action && state.sink != nullptr)
                        PostMessageW(state.sink, WM_COMMAND, a.command, 0);
    } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
               g_variant_is_of_type(args, G_VARIANT_TYPE("(uu)"))) {
        guint32 id = 0, reason = 0;
        g_variant_get(args, "(uu)", &id, &reason);
        // Dismissed by the user: the next show is a new notification.
        for (BubbleState& state : g_bubbleStates)
            if (state.serverId == id) state.serverId = 0;
    }
}

// The server's signals reach this thread's main context.
void Subscribe(GDBusConnection* bus) {
    if (g_signalBus == bus) return;
    if (g_signalBus != nullptr) {
        g_dbus_connection_signal_unsubscribe(g_signalBus, g_actionSubscription);
        g_dbus_connection_signal_unsubscribe(g_signalBus, g_closedSubscription);
        g_object_unref(g_signalBus);
    }
    g_signalBus = static_cast<GDBusConnection*>(g_object_ref(bus));
    for (guint* id : {&g_actionSubscription, &g_closedSubscription})
        *id = g_dbus_connection_signal_subscribe(
            bus, nullptr, "org.freedesktop.Notifications",
            id == &g_actionSubscription ? "ActionInvoked" : "NotificationClosed",
            "/org/freedesktop/Notifications", nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnServerSignal, nullptr,
            nullptr);
}

void ShowBubbleNow(unsigned key, HWND sink, const std::string& summary, const std::string& body,
                   const std::vector<MvBubbleAction>& actions, bool silent) {
    GDBusConnection* bus = MvSessionBus("desktop notification");
    if (bus == nullptr) return;
    Subscribe(bus);
    BubbleState* state = FindState(key);
    if (state == nullptr) {
        g_bubbleStates.push_back(BubbleState{});
        state = &g_bubbleStates.back();
        state->key = key;
    }
    state->sink = sink;
    state->actions = actions;
    GVariantBuilder names;
    g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
    for (const MvBubbleAction& a : actions) {
        g_variant_builder_add(&names, "s", a.key.c_str());
        g_variant_builder_add(&names, "s", a.label.c_str());
    }
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(MV_APP_ID));
    // The first show may come up as a banner; a replacement never does (GNOME Shell shows no
    // banner for a low urgency; Phosh updates a replaced notification in place).
    const bool replacing = state->serverId != 0;
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(replacing ? 0 : 1));
    // Kept until the program closes it, also after its action or a tap on it.
    g_variant_builder_add(&hints, "{sv}", "resident", g_variant_new_boolean(TRUE));
    g_variant_builder_add(&hints, "{sv}", "transient", g_variant_new_boolean(FALSE));
    if (silent) {
        g_variant_builder_add(&hints, "{sv}", "suppress-sound", g_variant_new_boolean(TRUE));
        g_variant_builder_add(&hints, "{sv}", "x-phosh-fb-profile", g_variant_new_string("none"));
    }
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify",
        g_variant_new("(susssasa{sv}i)", "Movimetra", state->serverId, MV_APP_ID, summary.c_str(),
                      body.c_str(), &names, &hints, 0),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, MvDesktopCancellable(), &error);
    if (reply != nullptr) {
        g_variant_get(reply, "(u)", &state->serverId);
        g_variant_unref(reply);
    }
    if (error != nullptr) {
        if (!g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) ReportNoServer(error->message);
        g_error_free(error);
    }
    g_object_unref(bus);
}

void CloseBubbleNow(unsigned key) {
    for (auto it = g_bubbleStates.begin(); it != g_bubbleStates.end(); ++it) {
        if (it->key != key) continue;
        if (it->serverId != 0 && g_signalBus != nullptr)
            g_dbus_connection_call(
                g_signalBus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                "org.freedesktop.Notifications", "CloseNotification", g_variant_new("(u)", it->serverId),
                nullptr, G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, MvDesktopCancellable(), nullptr, nullptr);
        g_bubbleStates.erase(it);
        return;
    }
}

}  // namespace

void MvDesktopBubbleShow(unsigned key, HWND sink, const std::string& summary, const std::string& body,
                         const std::vector<MvBubbleAction>& actions, bool silent) {
    MvDesktopPost([=] { ShowBubbleNow(key, sink, summary, body, actions, silent); });
}

void MvDesktopBubbleClose(unsigned key) {
    MvDesktopPost([key] { CloseBubbleNow(key); });
}

void MvDesktopBubblesReset() {
    if (g_signalBus != nullptr) {
        g_dbus_connection_signal_unsubscribe(g_signalBus, g_actionSubscription);
        g_dbus_connection_signal_unsubscribe(g_signalBus, g_closedSubscription);
        g_object_unref(g_signalBus);
    }
    g_signalBus = nullptr;
    g_actionSubscription = g_closedSubscription = 0;
    g_bubbleStates.clear();
}
