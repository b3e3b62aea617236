// The program's object on the session bus: org.movimetra.Movimetra.Pedometer1 at
// /org/movimetra/Movimetra under the well-known name org.movimetra.Movimetra. Registered, owned
// and served on the desktop thread (its main context delivers the calls); the properties answer
// from the state the program published last, under a lock.
#include <gio/gio.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "bus_interface.h"
#include "install_config.h"
#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/session_bus.h"
#include "platform/mv_desktop.h"
#include "platform/win_window.h"

namespace {

const char kObjectPath[] = "/org/movimetra/Movimetra";
const char kInterface[] = MV_APP_ID ".Pedometer1";

struct BusService {
    std::mutex mutex;
    HWND window = nullptr;
    UINT message = 0;
    MvPedometerState state{};      // what the properties answer
    MvPedometerState announced{};  // what the last PropertiesChanged told
    // Desktop thread only:
    GDBusConnection* bus = nullptr;
    guint registration = 0;
    guint owner = 0;
    bool acquired = false;
    bool reported = false;
};

BusService& Service() {
    static BusService* service = new BusService;
    return *service;
}

GDBusInterfaceInfo* InterfaceInfo() {
    static GDBusInterfaceInfo* info = [] {
        GError* error = nullptr;
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kMvBusInterfaceXml, &error);
        if (node == nullptr) {
            std::fprintf(stderr, "movimetra: the bus interface does not parse: %s\n", error->message);
            g_error_free(error);
            return static_cast<GDBusInterfaceInfo*>(nullptr);
        }
        GDBusInterfaceInfo* found = g_dbus_node_info_lookup_interface(node, kInterface);
        if (found != nullptr) g_dbus_interface_info_ref(found);
        g_dbus_node_info_unref(node);
        return found;
    }();
    return info;
}

GVariant* PropertyValue(const MvPedometerState& state, const char* name) {
    const std::string n = name;
    if (n == "Steps") return g_variant_new_uint32(state.steps);
    if (n == "Kcal") return g_variant_new_double(state.kcal);
    if (n == "Distance") return g_variant_new_double(state.distance);
    if (n == "Elapsed") return g_variant_new_uint32(state.elapsed);
    if (n == "Running") return g_variant_new_boolean(state.running ? TRUE : FALSE);
    if (n == "Goal") return g_variant_new_uint32(state.goal);
    return nullptr;
}

const char* const kProperties[] = {"Steps", "Kcal", "Distance", "Elapsed", "Running", "Goal"};

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
                  GDBusMethodInvocation* invocation, gpointer) {
    BusService& s = Service();
    const bool start = g_strcmp0(method, "Start") == 0;
    if (!start && g_strcmp0(method, "Stop") != 0) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod",
                                                   method);
        return;
    }
    {
        // The program's state machine decides, on its own thread.
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.window != nullptr) PostMessageW(s.window, s.message, start ? 1 : 0, 0);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* name,
                        GError** error, gpointer) {
    BusService& s = Service();
    std::lock_guard<std::mutex> lock(s.mutex);
    GVariant* value = PropertyValue(s.state, name);
    if (value == nullptr)
        g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", name);
    return value;
}

const GDBusInterfaceVTable kVTable = {OnMethodCall, OnGetProperty, nullptr, {nullptr}};

void Report(BusService& s, const char* why) {
    if (s.reported) return;
    s.reported = true;
    std::fprintf(stderr, "movimetra: %s; the bus service (%s) steps aside\n", why, MV_APP_ID);
}

void Withdraw(BusService& s) {
    if (s.owner != 0) g_bus_unown_name(s.owner);
    if (s.registration != 0 && s.bus != nullptr) g_dbus_connection_unregister_object(s.bus, s.registration);
    if (s.bus != nullptr) g_object_unref(s.bus);
    s.owner = s.registration = 0;
    s.bus = nullptr;
    s.acquired = false;
}

void OnNameAcquired(GDBusConnection*, const gchar*, gpointer) {
    Service().acquired = true;
}

// Never had it (another program owns it), or lost it: said once, and the object goes.
void OnNameLost(GDBusConnection* connection, const gchar*, gpointer) {
    BusService& s = Service();
    if (connection == nullptr) return;  // no bus: said when connecting
    Report(s, s.acquired ? "the name was taken over" : "the name is owned by another program");
    Withdraw(s);
}

void Register() {
    BusService& s = Service();
    if (s.bus != nullptr) return;
    GDBusInterfaceInfo* info = InterfaceInfo();
    if (info == nullptr) return;
    s.bus = MvSessionBus("the bus service");
    if (s.bus == nullptr) return;
    GError* error = nullptr;
    s.registration =
        g_dbus_connection_register_object(s.bus, kObjectPath, info, &kVTable, nullptr, nullptr, &error);
    if (s.registration == 0) {
        Report(s, error != nullptr ? error->message : "the object cannot be registered");
        if (error != nullptr) g_error_free(error);
        Withdraw(s);
        return;
    }
    s.owner = g_bus_own_name_on_connection(s.bus, MV_APP_ID, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                                           OnNameAcquired, OnNameLost, nullptr, nullptr);
}

// On the desktop thread: the properties that differ between the two states.
void Announce(MvPedometerState before, MvPedometerState after) {
    BusService& s = Service();
    if (s.bus == nullptr || s.registration == 0) return;
    GVariantBuilder changed;
    g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
    int count = 0;
    for (const char* name : kProperties) {
        GVariant* a = PropertyValue(before, name);
        GVariant* b = PropertyValue(after, name);
        g_variant_ref_sink(a);
        if (!g_variant_equal(a, b)) {
            g_variant_builder_add(&changed, "{sv}", name, b);
            ++count;
        } else {
            g_variant_unref(g_variant_ref_sink(b));
        }
        g_variant_unref(a);
    }
    GVariant* body = g_variant_new("(sa{sv}as)", kInterface, &changed, nullptr);
    if (count == 0) {
        g_variant_unref(g_variant_ref_sink(body));
        return;
    }
    g_dbus_connection_emit_signal(s.bus, nullptr, kObjectPath, "org.freedesktop.DBus.Properties",
                                  "PropertiesChanged", body, nullptr);
}

}  // namespace

void MvBusServiceStart(HWND window, UINT message) {
    BusService& s = Service();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.window = window;
        s.message = message;
    }
    MvDesktopPost(Register);
}

void MvBusServicePublish(const MvPedometerState& state, bool announce) {
    BusService& s = Service();
    MvPedometerState before;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        before = s.announced;
        s.state = state;
        if (!announce) return;
        s.announced = state;
    }
    MvDesktopPost([before, state] { Announce(before, state); });
}

void MvBusServiceStop() {
    BusService& s = Service();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.window = nullptr;
    }
    MvDesktopPost([] { Withdraw(Service()); });
}

void MvBusServiceReset() {
    BusService& s = Service();
    Withdraw(s);
    std::lock_guard<std::mutex> lock(s.mutex);
    s.window = nullptr;
    s.state = MvPedometerState{};
    s.announced = MvPedometerState{};
    s.reported = false;
}
