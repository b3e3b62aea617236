// The vibrator against real components: feedbackd's interface served by python3-dbusmock on a
// private session bus, and a force-feedback device made through /dev/uinput.
#include <dirent.h>
#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/devices/sensor_test_util.h"
#include "platform/mv_sensor.h"
#include "platform/win_devices.h"
#include "testing/dbus_test_util.h"

namespace {

void Vibrator(int onOff) {
    NLED_SETTINGS_INFO settings;
    std::memset(&settings, 0, sizeof(settings));
    settings.LedNum = 11;
    settings.OffOnBlink = onOff;
    NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings);
}

TEST(Haptics, FeedbackdGetsAnEventAndNoOtherMotorMoves) {
    std::string missing = dbustest::MissingTools();
    if (!missing.empty()) GTEST_SKIP() << missing;
    dbustest::CMockBus bus("session");
    ASSERT_TRUE(bus.Start({"org.sigxcpu.Feedback", "/org/sigxcpu/Feedback", "org.sigxcpu.Feedback"},
                          "org.sigxcpu.Feedback"));
    GVariant* added = bus.Call(
        "org.sigxcpu.Feedback", "/org/sigxcpu/Feedback", "org.freedesktop.DBus.Mock", "AddMethod",
        g_variant_new("(sssss)", "org.sigxcpu.Feedback", "TriggerFeedback", "ssa{sv}i", "u", "ret = 7"),
        nullptr);
    ASSERT_NE(added, nullptr);
    g_variant_unref(added);
    CDeviceFolder folder;
    folder.Write("leds/vibrator/brightness", "0\n");
    MvVibrationSetSysfsRoot(folder.Path());
    Vibrator(1);
    Vibrator(0);
    Vibrator(1);
    Vibrator(0);
    EXPECT_TRUE(MvDesktopDrain(5000));
    EXPECT_EQ(bus.CalledMethods("org.sigxcpu.Feedback", "/org/sigxcpu/Feedback"),
              (std::vector<std::string>{"TriggerFeedback", "TriggerFeedback"}));
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "0\n") << "the sysfs vibrator stays untouched";

    // feedbackd gone: the next pulse falls through to the sysfs vibrator.
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder.Path() + "/no-bus").c_str(), 1);
    MvVibrationSetEvdevFolder(folder.Path() + "/no-input");
    Vibrator(1);
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "1");
    Vibrator(0);
}

// A uinput device that can rumble; a thread answers the kernel's upload and erase requests and
// notes what is played.
class CUinputRumble {
public:
    ~CUinputRumble() {
        m_bStop = true;
        if (m_Thread.joinable()) m_Thread.join();
        if (m_nFd >= 0) {
            ioctl(m_nFd, UI_DEV_DESTROY);
            close(m_nFd);
        }
    }
    // Empty when the device is ready, else why not.
    std::string Create(const std::string& nodeFolder) {
        m_nFd = open("/dev/uinput", O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (m_nFd < 0) return "cannot open /dev/uinput: " + std::string(std::strerror(errno));
        uinput_setup setup;
        std::memset(&setup, 0, sizeof(setup));
        setup.id.bustype = BUS_VIRTUAL;
        std::strcpy(setup.name, "movimetra test rumble");
        setup.ff_effects_max = 4;
        if (ioctl(m_nFd, UI_SET_EVBIT, EV_FF) < 0 || ioctl(m_nFd, UI_SET_FFBIT, FF_RUMBLE) < 0 ||
            ioctl(m_nFd, UI_DEV_SETUP, &setup) < 0 || ioctl(m_nFd, UI_DEV_CREATE) < 0)
            return "the kernel refused the uinput device: " + std::string(std::strerror(errno));
        char sysname[64] = {};
        if (ioctl(m_nFd, UI_GET_SYSNAME(sizeof(sysname)), sysname) < 0) return "no sysfs name for the device";
        // Its event node, made in the test's folder (no udev needed).
        std::string sys = "/sys/class/input/" + std::string(sysname);
        std::string node;
        for (int i = 0; i < 200 && node.empty(); ++i) {
            if (DIR* dir = opendir(sys.c_str())) {
                while (dirent* entry = readdir(dir))
                    if (std::strncmp(entry->d_name, "event", 5) == 0) node = entry->d_name;
                closedir(dir);
            }
            if (node.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (node.empty()) return "no event node for " + sys;
        unsigned major = 0, minor = 0;
        FILE* dev = std::fopen((sys + "/" + node + "/dev").c_str(), "r");
        if (dev == nullptr || std::fscanf(dev, "%u:%u", &major, &minor) != 2) {
            if (dev) std::fclose(dev);
            return "no device number for " + node;
        }
        std::fclose(dev);
        if (mknod((nodeFolder + "/event0").c_str(), S_IFCHR | 0600, makedev(major, minor)) != 0)
            return "cannot make the event node: " + std::string(std::strerror(errno));
        m_Thread = std::thread([this] { Serve(); });
        return std::string();
    }
    std::vector<std::string> Seen() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Seen;
    }

private:
    void Serve() {
        while (!m_bStop) {
            pollfd fd = {m_nFd, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0) continue;
            input_event ev;
            while (read(m_nFd, &ev, sizeof(ev)) == static_cast<ssize_t>(sizeof(ev))) {
                std::lock_guard<std::mutex> lock(m_Mutex);
                if (ev.type == EV_UINPUT && ev.code == UI_FF_UPLOAD) {
                    uinput_ff_upload upload;
                    std::memset(&upload, 0, sizeof(upload));
                    upload.request_id = static_cast<__u32>(ev.value);
                    ioctl(m_nFd, UI_BEGIN_FF_UPLOAD, &upload);
                    m_Seen.push_back("upload " +
                                     std::string(upload.effect.type == FF_RUMBLE ? "rumble" : "other") + " " +
                                     std::to_string(upload.effect.replay.length));
                    upload.retval = 0;
                    ioctl(m_nFd, UI_END_FF_UPLOAD, &upload);
                } else if (ev.type == EV_UINPUT && ev.code == UI_FF_ERASE) {
                    uinput_ff_erase erase;
                    std::memset(&erase, 0, sizeof(erase));
                    erase.request_id = static_cast<__u32>(ev.value);
                    ioctl(m_nFd, UI_BEGIN_FF_ERASE, &erase);
                    m_Seen.push_back("erase");
                    erase.retval = 0;
                    ioctl(m_nFd, UI_END_FF_ERASE, &erase);
                } else if (ev.type == EV_FF) {
                    m_Seen.push_back(ev.value ? "play" : "stop");
                }
            }
        }
    }

    int m_nFd = -1;
    std::atomic<bool> m_bStop{false};
    std::thread m_Thread;
    std::mutex m_Mutex;
    std::vector<std::string> m_Seen;
};

TEST(Haptics, ForceFeedbackDeviceRumblesForThePulseWhenThereIsNoFeedbackd) {
    if (access("/dev/uinput", F_OK) != 0)
        GTEST_SKIP() << "/dev/uinput is missing: no force-feedback device to test with";
    CDeviceFolder folder;
    CUinputRumble device;
    std::string why = device.Create(folder.Path());
    if (!why.empty()) GTEST_SKIP() << why;
    folder.Write("leds/vibrator/brightness", "0\n");
    MvVibrationSetSysfsRoot(folder.Path());
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder.Path() + "/no-bus").c_str(), 1);
    MvVibrationSetEvdevFolder(folder.Path());
    Vibrator(1);
    Vibrator(0);
    for (int i = 0; i < 200 && device.Seen().size() < 4; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::vector<std::string> seen = device.Seen();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0], "upload rumble 1000");
    EXPECT_EQ(seen[1], "play");
    EXPECT_EQ(seen[2], "stop");
    EXPECT_EQ(seen.back(), "erase") << "the effect is taken off the device at the end of the pulse";
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "0\n");
}

}  // namespace
