// The console display state as a power setting: whether anybody can see the screen. The session's
// screen saver decides it: org.gnome.ScreenSaver (Phosh, GNOME) and org.freedesktop.ScreenSaver
// (Plasma) on the session bus, asked with GetActive once and followed by their ActiveChanged
// signal, whichever exists; the display is "off" while either is active. Both the answers and the
// signals are taken by a filter on the shared connection, which runs on GDBus's own thread: no
// main loop of ours wakes for them. A change is posted to every registered window. A screen saver
// whose service leaves the bus counts as inactive from then on, and one that comes back is asked
// again. Connecting happens on the desktop thread, so a hung bus never holds a registration.
#include <gio/gio.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/session_bus.h"
#include "platform/win_devices.h"
#include "platform/win_window.h"

namespace {

struct ScreenSaver {
    const char* name;
    const char* path;
};
const ScreenSaver kScreenSavers[2] = {{"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
                                      {"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"}};

// What a notification points at: the two values it can carry, never freed, so that a posted
// message stays valid however late it is handled.
struct DisplaySetting {
    POWERBROADCAST_SETTING setting;
    UCHAR rest[3];
};
const DisplaySetting kDisplayOff = {{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), {0}}, {0, 0, 0}};
const DisplaySetting kDisplayOn = {{GUID_CONSOLE_DISPLAY_STATE, sizeof(DWORD), {1}}, {0, 0, 0}};

struct Registration {
    HPOWERNOTIFY handle;
    HWND window;
};

struct DisplayState {
    std::mutex mutex;
    std::vector<Registration> registrations;
    uintptr_t nextId = 1;
    GDBusConnection* bus = nullptr;  // watched; null before the first registration
    guint filter = 0;
    bool watching = false;
    bool active[2] = {false, false};
    guint32 pendingReply[2] = {0, 0};  // serials of the GetActive calls not yet answered
};

// Never destroyed: GDBus's thread may still call the filter while the process ends.
DisplayState& State() {
    static DisplayState* state = new DisplayState;
    return *state;
}

const POWERBROADCAST_SETTING* SettingFor(bool on) {
    return on ? &kDisplayOn.setting : &kDisplayOff.setting;
}

bool OnLocked(const DisplayState& s) {
    return !s.active[0] && !s.active[1];
}

void PostLocked(const DisplayState& s, HWND window, bool on) {
    PostMessageW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(SettingFor(on)));
}

void SetActive(int which, bool active) {
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    const bool before = OnLocked(s);
    s.active[which] = active;
    const bool after = OnLocked(s);
    if (before == after) return;
    for (const Registration& r : s.registrations) PostLocked(s, r.window, after);
}

guint32 SendCall(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                 const char* method, GVariant* args, bool wantReply);

// Asks a screen saver for its state; the filter takes the answer.
void AskLocked(DisplayState& s, int which) {
    if (s.bus == nullptr) return;
    s.pendingReply[which] = SendCall(s.bus, kScreenSavers[which].name, kScreenSavers[which].path,
                                     kScreenSavers[which].name, "GetActive", nullptr, true);
}

// A screen saver's service left the bus (it can no longer hide the screen) or came (ask it).
void OwnerChanged(GDBusMessage* message) {
    GVariant* body = g_dbus_message_get_body(message);
    if (body == nullptr || !g_variant_is_of_type(body, G_VARIANT_TYPE("(sss)"))) return;
    const gchar* name = nullptr;
    const gchar* oldOwner = nullptr;
    const gchar* newOwner = nullptr;
    g_variant_get(body, "(&s&s&s)", &name, &oldOwner, &newOwner);
    for (int i = 0; i < 2; ++i) {
        if (std::strcmp(name, kScreenSavers[i].name) != 0) continue;
        if (newOwner[0] == '\0') {
            SetActive(i, false);
        } else {
            DisplayState& s = State();
            std::lock_guard<std::mutex> lock(s.mutex);
            AskLocked(s, i);
        }
    }
}

// A boolean body "(b)", or false.
bool ReadActive(GDBusMessage* message, bool* active) {
    GVariant* body = g_dbus_message_get_body(message);
    if (body == nullptr || !g_variant_is_of_type(body, G_VARIANT_TYPE("(b)"))) return false;
    gboolean value = FALSE;
    g_variant_get(body, "(b)", &value);
    *active = value != FALSE;
    return true;
}

// On GDBus's thread, for every message that comes in: the screen savers' answers and signals.
GDBusMessage* Filter(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer) {
    if (!incoming) return message;
    const GDBusMessageType type = g_dbus_message_get_message_type(message);
    bool active = false;
    if (type == G_DBUS_MESSAGE_TYPE_SIGNAL) {
        const char* member = g_dbus_message_get_member(message);
        const char* interface = g_dbus_message_get_interface(message);
        if (member == nullptr || interface == nullptr) return message;
        if (std::strcmp(member, "NameOwnerChanged") == 0 &&
            std::strcmp(interface, "org.freedesktop.DBus") == 0) {
            OwnerChanged(message);
            return message;
        }
        if (std::strcmp(member, "ActiveChanged") != 0) return message;
        for (int i = 0; i < 2; ++i)
            if (std::strcmp(interface, kScreenSavers[i].name) == 0 && ReadActive(message, &active))
                SetActive(i, active);
    } else if (type == G_DBUS_MESSAGE_TYPE_METHOD_RETURN) {
        const guint32 serial = g_dbus_message_get_reply_serial(message);
        int which = -1;
        {
            DisplayState& s = State();
            std::lock_guard<std::mutex> lock(s.mutex);
            for (int i = 0; i < 2; ++i)
                if (serial != 0 && s.pendingReply[i] == serial) {
                    which = i;
                    s.pendingReply[i] = 0;
                }
        }
        if (which >= 0 && ReadActive(message, &active)) SetActive(which, active);
    }
    return message;
}

// Sends a call whose answer, if any, the filter takes; 0 when it could not be sent.
guint32 SendCall(GDBusConnection* bus, const char* name, const char* path, const char* interface,
                 const char* method, GVariant* args, bool wantReply) {
    GDBusMessage* call = g_dbus_message_new_method_call(name, path, interface, method);
    if (args != nullptr) g_dbus_message_set_body(call, args);
    // A screen saver that is not running is not started for us.
    int flags = G_DBUS_MESSAGE_FLAGS_NO_AUTO_START;
    if (!wantReply) flags |= G_DBUS_MESSAGE_FLAGS_NO_REPLY_EXPECTED;
    g_dbus_message_set_flags(call, static_cast<GDBusMessageFlags>(flags));
    guint32 serial = 0;
    const gboolean sent =
        g_dbus_connection_send_message(bus, call, G_DBUS_SEND_MESSAGE_FLAGS_NONE, &serial, nullptr);
    g_object_unref(call);
    return sent ? serial : 0;
}

void AddMatch(GDBusConnection* bus, const std::string& rule) {
    SendCall(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "AddMatch",
             g_variant_new("(s)", rule.c_str()), false);
}

// Starts following the screen savers (on the desktop thread, once per run of the platform).
void Watch() {
    GDBusConnection* bus = MvSessionBus("following the screen saver");
    if (bus == nullptr) return;
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.watching || s.bus != nullptr) {
        g_object_unref(bus);
        return;
    }
    s.bus = bus;
    s.filter = g_dbus_connection_add_filter(s.bus, Filter, nullptr, nullptr);
    for (int i = 0; i < 2; ++i) {
        AddMatch(s.bus, std::string("type='signal',interface='") + kScreenSavers[i].name +
                            "',member='ActiveChanged',path='" + kScreenSavers[i].path + "'");
        AddMatch(s.bus,
                 std::string("type='signal',sender='org.freedesktop.DBus',interface='org.freedesktop.DBus',"
                             "member='NameOwnerChanged',arg0='") +
                     kScreenSavers[i].name + "'");
        AskLocked(s, i);
    }
}

void WatchLocked(DisplayState& s) {
    if (s.watching) return;
    s.watching = true;
    MvDesktopPost(Watch);
}

}  // namespace

HPOWERNOTIFY RegisterPowerSettingNotification(HANDLE hRecipient, LPCGUID PowerSettingGuid, DWORD Flags) {
    if (hRecipient == nullptr || PowerSettingGuid == nullptr || Flags != DEVICE_NOTIFY_WINDOW_HANDLE ||
        !(*PowerSettingGuid == GUID_CONSOLE_DISPLAY_STATE))
        return nullptr;
    HWND window = static_cast<HWND>(hRecipient);
    if (!IsWindow(window)) return nullptr;
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    HPOWERNOTIFY handle = reinterpret_cast<HPOWERNOTIFY>(0x50530000u + s.nextId++);
    s.registrations.push_back({handle, window});
    // A window takes the display for on until told otherwise: only an "off" is sent at once.
    if (!OnLocked(s)) PostLocked(s, window, false);
    WatchLocked(s);
    return handle;
}

BOOL UnregisterPowerSettingNotification(HPOWERNOTIFY Handle) {
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto it = s.registrations.begin(); it != s.registrations.end(); ++it)
        if (it->handle == Handle) {
            s.registrations.erase(it);
            return TRUE;
        }
    return FALSE;
}

void MvDisplayStateShutdown() {
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.bus != nullptr) {
        g_dbus_connection_remove_filter(s.bus, s.filter);
        g_object_unref(s.bus);
    }
    s.bus = nullptr;
    s.filter = 0;
    s.watching = false;
    s.registrations.clear();
    s.active[0] = s.active[1] = false;
    s.pendingReply[0] = s.pendingReply[1] = 0;
}
