// Movimetra on a private session bus (dbus-daemon, python3-dbusmock's notification daemon): its
// object's introspection is the installed XML, Steps is what the main view shows, changes are told
// no more often than stated, Start and Stop act as the button does, and a workout nobody sees has
// one notification, replaced once a minute while the steps change, closed when seen again, whose
// "stop" stops the workout. Without a session bus nothing changes but one line on stderr.
#include <gio/gio.h>

#include <atomic>
#include <thread>

#include "testing/dbus_test_util.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

constexpr const char* kName = "org.movimetra.Movimetra";
constexpr const char* kPath = "/org/movimetra/Movimetra";
constexpr const char* kInterface = "org.movimetra.Movimetra.Pedometer1";

GVariant* Property(dbustest::CMockBus& bus, const char* name) {
    GVariant* reply = bus.Call(kName, kPath, "org.freedesktop.DBus.Properties", "Get",
                               g_variant_new("(ss)", kInterface, name), "(v)");
    if (reply == nullptr) return nullptr;
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    g_variant_unref(reply);
    return value;
}

long StepsProperty(dbustest::CMockBus& bus) {
    GVariant* value = Property(bus, "Steps");
    if (value == nullptr) return -1;
    const long steps = g_variant_get_uint32(value);
    g_variant_unref(value);
    return steps;
}

bool CallMethod(dbustest::CMockBus& bus, const char* method) {
    GVariant* reply = bus.Call(kName, kPath, kInterface, method, nullptr, nullptr);
    if (reply != nullptr) g_variant_unref(reply);
    return reply != nullptr;
}

// Counts PropertiesChanged from the program, as a status bar listening on its own connection would.
class CChangeCounter {
public:
    bool Start(const std::string& address) {
        GError* error = nullptr;
        m_pBus = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, &error);
        if (error != nullptr) g_error_free(error);
        if (m_pBus == nullptr) return false;
        m_nFilter = g_dbus_connection_add_filter(m_pBus, Filter, this, nullptr);
        GVariant* reply = g_dbus_connection_call_sync(
            m_pBus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "AddMatch",
            g_variant_new("(s)",
                          "type='signal',interface='org.freedesktop.DBus.Properties',"
                          "member='PropertiesChanged',path='/org/movimetra/Movimetra'"),
            nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
        if (reply != nullptr) g_variant_unref(reply);
        return reply != nullptr;
    }
    ~CChangeCounter() {
        if (m_pBus == nullptr) return;
        g_dbus_connection_remove_filter(m_pBus, m_nFilter);
        g_object_unref(m_pBus);
    }
    // The count once what the program sent so far has arrived.
    int Count() {
        MvDesktopDrain(5000);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return m_nCount.load();
    }

private:
    static GDBusMessage* Filter(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer self) {
        if (incoming && g_dbus_message_get_message_type(message) == G_DBUS_MESSAGE_TYPE_SIGNAL &&
            g_strcmp0(g_dbus_message_get_member(message), "PropertiesChanged") == 0 &&
            g_strcmp0(g_dbus_message_get_path(message), kPath) == 0)
            ++static_cast<CChangeCounter*>(self)->m_nCount;
        return message;
    }
    GDBusConnection* m_pBus = nullptr;
    guint m_nFilter = 0;
    std::atomic<int> m_nCount{0};
};

struct NoticeCall {
    std::string method;
    guint32 replaces = 0;
    std::string summary;
    std::vector<std::string> actions;
};

std::vector<NoticeCall> NoticeCalls(dbustest::CMockBus& bus) {
    std::vector<NoticeCall> out;
    bus.ForEachCall("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                    [&](const std::string& method, const std::vector<GVariant*>& a) {
                        if (method != "Notify" && method != "CloseNotification") return;
                        NoticeCall call;
                        call.method = method;
                        if (method == "Notify" && a.size() == 8) {
                            call.replaces = g_variant_get_uint32(a[1]);
                            call.summary = g_variant_get_string(a[3], nullptr);
                            gsize n = 0;
                            const gchar** names = g_variant_get_strv(a[5], &n);
                            for (gsize i = 0; i < n; ++i) call.actions.push_back(names[i]);
                            g_free(names);
                        }
                        out.push_back(call);
                    });
    return out;
}

int ShownSteps() {
    return MainView()->TodaySteps() + MainView()->WorkoutSteps();
}

class BusServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = dbustest::MissingTools();
        if (!missing.empty()) GTEST_SKIP() << missing;
        ASSERT_TRUE(run.PrepareStoredProfile(1));
        ASSERT_TRUE(bus.Start({"-t", "notification_daemon"}, "org.freedesktop.Notifications"));
        run.Hook("walk", [] { MvSensorConfigure("walk"); });
    }
    void TearDown() override { unsetenv("DBUS_SESSION_BUS_ADDRESS"); }

    dbustest::CMockBus bus{"session"};
    CShellRun run;
};

TEST_F(BusServiceTest, IntrospectionIsTheInstalledInterfaceAndTheNameIsHeldForTheProgramsLife) {
    std::string introspected;
    bool owned = false;
    run.Hook("look", [&] {
        ASSERT_TRUE(MvDesktopDrain(5000));
        for (int i = 0; i < 200 && !(owned = bus.HasOwner(kName)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        GVariant* reply =
            bus.Call(kName, kPath, "org.freedesktop.DBus.Introspectable", "Introspect", nullptr, "(s)");
        ASSERT_NE(reply, nullptr);
        const gchar* xml = nullptr;
        g_variant_get(reply, "(&s)", &xml);
        introspected = xml;
        g_variant_unref(reply);
    });
    EXPECT_EQ(run.Run("wait 300\ncall look\nquit\n"), 0);
    EXPECT_TRUE(owned);
    EXPECT_FALSE(bus.HasOwner(kName)) << "released at the exit";

    GError* error = nullptr;
    gchar* installed = nullptr;
    ASSERT_TRUE(g_file_get_contents(MV_TEST_DATA_DIR
                                    "/../../packaging/org.movimetra.Movimetra.Pedometer1.xml",
                                    &installed, nullptr, &error));
    GDBusNodeInfo* want = g_dbus_node_info_new_for_xml(installed, &error);
    GDBusNodeInfo* got = g_dbus_node_info_new_for_xml(introspected.c_str(), &error);
    g_free(installed);
    ASSERT_NE(want, nullptr);
    ASSERT_NE(got, nullptr);
    GDBusInterfaceInfo* a = g_dbus_node_info_lookup_interface(want, kInterface);
    GDBusInterfaceInfo* b = g_dbus_node_info_lookup_interface(got, kInterface);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    auto describe = [](GDBusInterfaceInfo* info) {
        std::string text;
        for (GDBusMethodInfo** m = info->methods; m && *m; ++m) {
            text += std::string("method ") + (*m)->name + "(";
            for (GDBusArgInfo** arg = (*m)->in_args; arg && *arg; ++arg) text += (*arg)->signature;
            text += ")->(";
            for (GDBusArgInfo** arg = (*m)->out_args; arg && *arg; ++arg) text += (*arg)->signature;
            text += ")\n";
        }
        for (GDBusPropertyInfo** p = info->properties; p && *p; ++p)
            text += std::string("property ") + (*p)->name + " " + (*p)->signature + " " +
                    std::to_string((*p)->flags) + "\n";
        return text;
    };
    EXPECT_EQ(describe(b), describe(a));
    EXPECT_NE(describe(a).find("property Steps u"), std::string::npos);
    g_dbus_node_info_unref(want);
    g_dbus_node_info_unref(got);
}

TEST_F(BusServiceTest, StepsIsWhatTheMainViewShowsAndChangesAreToldNoMoreOftenThanStated) {
    CChangeCounter counter;
    ASSERT_TRUE(counter.Start(bus.Address()));
    std::vector<std::pair<long, int>> samples;  // Steps on the bus, steps shown
    int seenCount = -1, unseenCount = -1;
    run.Hook("sample", [&] { samples.push_back({StepsProperty(bus), ShownSteps()}); });
    run.Hook("seen", [&] { seenCount = counter.Count(); });
    run.Hook("hide", [] { MvWindowShown(false); });
    run.Hook("unseen", [&] { unseenCount = counter.Count() - seenCount; });
    std::string script = std::string("call walk\nwait 300\ntap ") + kStartStop + "\nwait 5000\ncall sample\n";
    for (int i = 0; i < 3; ++i) script += "wait 5000\ncall sample\n";
    // 20 s seen, then 60 s unseen.
    script += "call seen\ncall hide\nwait 60000\ncall unseen\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    ASSERT_EQ(samples.size(), 4u);
    for (const auto& [onBus, shown] : samples) {
        EXPECT_GT(shown, 0);
        EXPECT_EQ(onBus, shown);
    }
    // At most once a second seen (20 s), once per ten seconds unseen (60 s), and changes were told.
    EXPECT_GT(seenCount, 5);
    EXPECT_LE(seenCount, 21);
    EXPECT_GT(unseenCount, 0);
    EXPECT_LE(unseenCount, 7);
}

TEST_F(BusServiceTest, StartAndStopOnTheBusActAsTheButton) {
    std::vector<int> states;
    run.Hook("start", [&] { ASSERT_TRUE(CallMethod(bus, "Start")); });
    run.Hook("stop", [&] { ASSERT_TRUE(CallMethod(bus, "Stop")); });
    run.Hook("state", [&] { states.push_back(MainView()->RunState()); });
    std::string script =
        "call walk\nwait 300\ncall stop\nwait 300\ncall state\n"  // a Stop while stopped
        "call start\nwait 5000\ncall state\ncall start\nwait 300\ncall state\n"
        "call stop\nwait 300\ncall state\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(states, (std::vector<int>{MAIN_STOPPED, MAIN_RUNNING, MAIN_RUNNING, MAIN_STOPPED}));
    EXPECT_GT(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), 0) << "the Stop saved the walk";
}

// Minimized for a little over three minutes of walking: one notification, replaced at each of
// the three minutes, closed when the window shows again.
TEST_F(BusServiceTest, AnUnseenWorkoutHasOneNotificationReplacedEachMinuteAndClosedWhenSeen) {
    run.Hook("hide", [] { MvWindowShown(false); });
    run.Hook("show", [] { MvWindowShown(true); });
    run.Hook("drain", [] { MvDesktopDrain(5000); });
    EXPECT_EQ(run.Run(std::string("call walk\nwait 300\ntap ") + kStartStop +
                      "\nwait 3000\ncall hide\nwait 185000\ncall show\nwait 300\ncall drain\nquit\n"),
              0);
    const std::vector<NoticeCall> calls = NoticeCalls(bus);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].method, "Notify");
    EXPECT_EQ(calls[0].replaces, 0u);
    EXPECT_EQ(calls[0].actions, (std::vector<std::string>{"stop", "Stop"}));
    EXPECT_NE(calls[0].summary.find(" steps"), std::string::npos) << calls[0].summary;
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(calls[i].method, "Notify");
        EXPECT_NE(calls[i].replaces, 0u) << "replaced in place";
        EXPECT_NE(calls[i].summary, calls[i - 1].summary) << "the steps moved on";
    }
    EXPECT_EQ(calls[4].method, "CloseNotification");
}

TEST_F(BusServiceTest, TheNotificationsStopStopsTheWorkoutAndTheDayHoldsTheWalk) {
    run.Hook("hide", [] { MvWindowShown(false); });
    guint32 id = 0;
    run.Hook("press", [&] {
        ASSERT_TRUE(MvDesktopDrain(5000));
        const std::vector<NoticeCall> calls = NoticeCalls(bus);
        ASSERT_EQ(calls.size(), 1u);
        // The mock numbers its notifications from 1.
        id = 1;
        GVariantBuilder args;
        g_variant_builder_init(&args, G_VARIANT_TYPE("av"));
        g_variant_builder_add(&args, "v", g_variant_new_uint32(id));
        g_variant_builder_add(&args, "v", g_variant_new_string("stop"));
        GVariant* reply = bus.Call(
            "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.DBus.Mock",
            "EmitSignal",
            g_variant_new("(sssav)", "org.freedesktop.Notifications", "ActionInvoked", "us", &args), nullptr);
        ASSERT_NE(reply, nullptr) << bus.Log();
        g_variant_unref(reply);
    });
    int state = -1;
    int shown = -1;
    run.Hook("after", [&] {
        for (int i = 0; i < 500 && MainView()->RunState() != MAIN_STOPPED; ++i) {
            MvPumpMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        state = MainView()->RunState();
        shown = ShownSteps();
    });
    EXPECT_EQ(run.Run(std::string("call walk\nwait 300\ntap ") + kStartStop +
                      "\nwait 3000\ncall hide\nwait 20000\ncall press\ncall after\nwait 300\nquit\n"),
              0);
    EXPECT_EQ(state, MAIN_STOPPED);
    EXPECT_GT(shown, 20);
    EXPECT_EQ(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), shown);
    const std::vector<NoticeCall> calls = NoticeCalls(bus);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().method, "CloseNotification");
}

TEST(BusServiceWithoutBusTest, NothingChangesButOneLineOnStandardError) {
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/movimetra-test-bus", 1);
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile(1));
    run.Hook("walk", [] { MvSensorConfigure("walk"); });
    run.Hook("hide", [] { MvWindowShown(false); });
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run(std::string("call walk\nwait 300\ntap ") + kStartStop +
                      "\nwait 3000\ncall hide\nwait 70000\ntap " + kStartStop + "\nwait 300\nquit\n"),
              0);
    const std::string said = testing::internal::GetCapturedStderr();
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    size_t lines = 0;
    for (size_t at = said.find("session bus"); at != std::string::npos; at = said.find("session bus", at + 1))
        ++lines;
    EXPECT_EQ(lines, 1u) << said;
    EXPECT_GT(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), 50);
}

}  // namespace
