// The notification LED driver: LED 11 is the vibrator. Switching it on gives a pulse through the
// first way that reaches a motor: feedbackd, else a force-feedback input device, else a sysfs
// vibrator; switching it off ends the pulse the same way. Blinking (OffOnBlink 2) gives
// MetaCycleOn pulses of OnTime, OffTime apart (microseconds). The motors are driven on the desktop
// thread, in the order of the calls, so that neither feedbackd's answer nor a blink's pauses hold
// the UI thread; a blink's pauses are timeouts there, and the platform's end switches it off. Every call is
// logged for tests as it is made (a blink as its ons and offs).
#include <fcntl.h>
#include <gio/gio.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/haptic_evdev.h"
#include "platform/devices/haptic_feedbackd.h"
#include "platform/mv_sensor.h"
#include "platform/win_devices.h"

namespace {

const UINT kVibratorLed = 11;
// A timed vibrator needs a duration: long enough for any pulse, short enough to stop by itself.
const char kTimedOnMs[] = "1000";
const int kRumbleMaxMs = 1000;

enum class Motor { None, Feedbackd, Evdev, Sysfs };

struct VibrationState {
    std::mutex mutex;
    std::vector<int> log;
    std::string root = "/sys/class";
    std::string evdevFolder = "/dev/input";
    Motor motor = Motor::None;  // what the last switch-on used
    CEvdevRumble rumble;
};

VibrationState& Vibration() {
    static VibrationState* state = new VibrationState;
    return *state;
}

bool WriteText(const std::string& path, const char* text) {
    if (access(path.c_str(), W_OK) != 0) return false;
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    size_t length = std::strlen(text);
    bool ok = write(fd, text, length) == static_cast<ssize_t>(length);
    close(fd);
    return ok;
}

std::string ReadFirstLine(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string();
    char buf[32];
    ssize_t n = read(fd, buf, sizeof(buf) - 1);
    close(fd);
    if (n <= 0) return std::string();
    std::string text(buf, static_cast<size_t>(n));
    size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

bool IsPositiveNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
           text.find_first_not_of('0') != std::string::npos;
}

void DriveSysfs(const std::string& root, bool on) {
    std::string led = root + "/leds/vibrator/";
    std::string maxLevel = on ? ReadFirstLine(led + "max_brightness") : std::string();
    const char* level = !on ? "0" : IsPositiveNumber(maxLevel) ? maxLevel.c_str() : "1";
    if (WriteText(led + "brightness", level)) return;
    WriteText(root + "/timed_output/vibrator/enable", on ? kTimedOnMs : "0");
}

void DriveVibrator(VibrationState& v, bool on) {
    if (!on) {
        // feedbackd ends its event by itself.
        if (v.motor == Motor::Evdev) v.rumble.Stop();
        if (v.motor == Motor::Sysfs || v.motor == Motor::None) DriveSysfs(v.root, false);
        v.motor = Motor::None;
        return;
    }
    if (v.motor == Motor::Evdev) v.rumble.Stop();
    if (MvFeedbackdTrigger()) {
        v.motor = Motor::Feedbackd;
    } else if (v.rumble.Start(v.evdevFolder, kRumbleMaxMs)) {
        v.motor = Motor::Evdev;
    } else {
        DriveSysfs(v.root, true);
        v.motor = Motor::Sysfs;
    }
}

void Drive(bool on) {
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    DriveVibrator(v, on);
}

// A blink in progress, on the desktop thread: its phases are timeouts of the thread's main
// context, so that the thread goes on with other calls meanwhile (and the exit need not wait).
struct BlinkState {
    int pulsesLeft = 0;
    guint onMs = 0;
    guint offMs = 0;
    bool motorOn = false;
    guint source = 0;
};
BlinkState g_blink;

gboolean OnBlinkTimer(gpointer);

void ScheduleBlink(guint ms) {
    GSource* timer = g_timeout_source_new(ms);
    g_source_set_callback(timer, OnBlinkTimer, nullptr, nullptr);
    g_blink.source = g_source_attach(timer, MvDesktopContext());
    g_source_unref(timer);
}

// The next phase: the motor on for onMs, then off for offMs before the next pulse.
void BlinkPhase() {
    if (g_blink.motorOn) {
        Drive(false);
        g_blink.motorOn = false;
        if (--g_blink.pulsesLeft > 0) ScheduleBlink(g_blink.offMs);
        return;
    }
    Drive(true);
    g_blink.motorOn = true;
    ScheduleBlink(g_blink.onMs);
}

gboolean OnBlinkTimer(gpointer) {
    g_blink.source = 0;
    BlinkPhase();
    return G_SOURCE_REMOVE;
}

void Blink(int pulses, long onTime, long offTime) {
    // A new blink takes over from one still playing.
    if (g_blink.source != 0) {
        GSource* old = g_main_context_find_source_by_id(MvDesktopContext(), g_blink.source);
        if (old != nullptr) g_source_destroy(old);
    }
    g_blink = BlinkState{};
    g_blink.pulsesLeft = pulses;
    g_blink.onMs = static_cast<guint>(onTime / 1000);
    g_blink.offMs = static_cast<guint>(offTime / 1000);
    BlinkPhase();
}

// The longest blink taken: a pattern, not a way to keep the motor running.
const int kMaxPulses = 10;
const long kMaxPhaseUs = 2000000;

long Phase(LONG microseconds) {
    return microseconds < 0 ? 0 : microseconds > kMaxPhaseUs ? kMaxPhaseUs : microseconds;
}

}  // namespace

BOOL NLedSetDevice(UINT deviceId, void* info) {
    if (deviceId != NLED_SETTINGS_INFO_ID || info == nullptr) return FALSE;
    NLED_SETTINGS_INFO settings;
    std::memcpy(&settings, info, sizeof(settings));
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    if (settings.OffOnBlink == 2) {
        const int pulses = settings.MetaCycleOn < 1            ? 1
                           : settings.MetaCycleOn > kMaxPulses ? kMaxPulses
                                                               : settings.MetaCycleOn;
        for (int i = 0; i < pulses; ++i) {
            v.log.push_back(1);
            v.log.push_back(0);
        }
        if (settings.LedNum == kVibratorLed)
            MvDesktopPost([pulses, on = Phase(settings.OnTime), off = Phase(settings.OffTime)] {
                Blink(pulses, on, off);
            });
        return TRUE;
    }
    v.log.push_back(settings.OffOnBlink);
    if (settings.LedNum == kVibratorLed) MvDesktopPost([on = settings.OffOnBlink != 0] { Drive(on); });
    return TRUE;
}

void MvVibrationReset() {
    // The desktop thread has ended: a blink it was playing stops with the motor off.
    if (g_blink.motorOn) Drive(false);
    g_blink = BlinkState{};
}

std::vector<int> MvVibrationLog() {
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    return v.log;
}

void MvVibrationClearLog() {
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    v.log.clear();
}

void MvVibrationSetSysfsRoot(const std::string& root) {
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    v.root = root;
}

void MvVibrationSetEvdevFolder(const std::string& folder) {
    VibrationState& v = Vibration();
    std::lock_guard<std::mutex> lock(v.mutex);
    v.evdevFolder = folder;
}
