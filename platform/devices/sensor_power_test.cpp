#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/devices/sensor_test_util.h"
#include "platform/mv_sensor.h"
#include "platform/win_devices.h"

namespace {

// The queue the engine opens for resume notifications.
HANDLE OpenResumeQueue() {
    MSGQUEUEOPTIONS options{};
    options.dwSize = sizeof(options);
    options.dwFlags = 0;
    options.dwMaxMessages = 3;
    options.cbMaxMessage = 144;
    options.bReadAccess = TRUE;
    return CreateMsgQueue(nullptr, &options);
}

// The engine's resume check: one message of at least 16 bytes with PBT_RESUME in its first word.
bool ReadResume(HANDLE queue) {
    unsigned char buffer[816] = {};
    DWORD bytes = 0, flags = 0;
    if (!ReadMsgQueue(queue, buffer, sizeof(buffer), &bytes, 0, &flags)) return false;
    DWORD message;
    std::memcpy(&message, buffer, sizeof(message));
    return bytes >= 16 && (message & PBT_RESUME) != 0;
}

TEST(PowerNotifications, ResumeReachesRegisteredQueuesOnly) {
    ASSERT_EQ(sizeof(MSGQUEUEOPTIONS), 20u);
    HANDLE queue = OpenResumeQueue();
    ASSERT_NE(queue, nullptr);
    HANDLE unregistered = OpenResumeQueue();
    EXPECT_FALSE(ReadResume(queue));  // empty: answers at once
    HANDLE notifications = RequestPowerNotifications(queue, PBT_RESUME);
    ASSERT_NE(notifications, nullptr);
    EXPECT_FALSE(ReadResume(queue));

    MvPowerSimulateResume();
    EXPECT_TRUE(ReadResume(queue));
    EXPECT_FALSE(ReadResume(queue)) << "one notification per resume";
    EXPECT_FALSE(ReadResume(unregistered));

    // The queue holds at most three notifications; older ones stay first.
    for (int i = 0; i < 5; ++i) MvPowerSimulateResume();
    int count = 0;
    while (ReadResume(queue)) ++count;
    EXPECT_EQ(count, 3);

    EXPECT_EQ(StopPowerNotifications(notifications), (DWORD)TRUE);
    MvPowerSimulateResume();
    EXPECT_FALSE(ReadResume(queue));
    EXPECT_TRUE(CloseMsgQueue(queue));
    EXPECT_TRUE(CloseMsgQueue(unregistered));
    EXPECT_FALSE(CloseMsgQueue(queue));
    EXPECT_FALSE(ReadResume(queue)) << "a closed queue reads nothing";
    EXPECT_EQ(RequestPowerNotifications(queue, PBT_RESUME), nullptr);
    MvPowerShutdown();
}

TEST(PowerNotifications, ShortBufferAndBadOptionsFail) {
    EXPECT_EQ(CreateMsgQueue(nullptr, nullptr), nullptr);
    MSGQUEUEOPTIONS zero{};
    EXPECT_EQ(CreateMsgQueue(nullptr, &zero), nullptr);
    HANDLE queue = OpenResumeQueue();
    HANDLE notifications = RequestPowerNotifications(queue, PBT_RESUME);
    MvPowerSimulateResume();
    unsigned char small[8];
    DWORD bytes = 0, flags = 0;
    EXPECT_FALSE(ReadMsgQueue(queue, small, sizeof(small), &bytes, 0, &flags));
    EXPECT_TRUE(ReadResume(queue)) << "the message waits for a big enough buffer";
    // Notifications for other transitions do not carry resumes.
    HANDLE other = RequestPowerNotifications(queue, PBT_TRANSITION);
    StopPowerNotifications(notifications);
    MvPowerSimulateResume();
    EXPECT_FALSE(ReadResume(queue));
    StopPowerNotifications(other);
    CloseMsgQueue(queue);
}

TEST(PowerPolicy, UnattendedModeAndIdleTimer) {
    EXPECT_FALSE(MvPowerUnattended());
    EXPECT_TRUE(PowerPolicyNotify(PPN_UNATTENDEDMODE, TRUE));
    EXPECT_TRUE(MvPowerUnattended());
    EXPECT_TRUE(PowerPolicyNotify(PPN_UNATTENDEDMODE, FALSE));
    EXPECT_FALSE(MvPowerUnattended());
    unsigned before = MvPowerIdleResets();
    SystemIdleTimerReset();
    SystemIdleTimerReset();
    EXPECT_EQ(MvPowerIdleResets(), before + 2);
}

NLED_SETTINGS_INFO Led(UINT number, INT offOnBlink) {
    NLED_SETTINGS_INFO info{};
    info.LedNum = number;
    info.OffOnBlink = offOnBlink;
    return info;
}

// No feedbackd and no force-feedback device: the sysfs vibrator is what is left.
void OnlySysfs(const CDeviceFolder& folder) {
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder.Path() + "/no-bus").c_str(), 1);
    MvVibrationSetEvdevFolder(folder.Path() + "/no-input");
}

TEST(Vibration, PulseIsLoggedAndDrivesTheLedVibrator) {
    CDeviceFolder folder;
    OnlySysfs(folder);
    folder.Write("leds/vibrator/brightness", "0\n");
    folder.Write("leds/vibrator/max_brightness", "255\n");
    MvVibrationSetSysfsRoot(folder.Path());
    MvVibrationClearLog();
    NLED_SETTINGS_INFO on = Led(11, 1), off = Led(11, 0);
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &on));
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "255");
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &off));
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "0");
    EXPECT_EQ(MvVibrationLog(), std::vector<int>({1, 0}));
    // Another LED is logged but does not move the vibrator; a wrong id or no settings fail.
    NLED_SETTINGS_INFO other = Led(3, 1);
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &other));
    EXPECT_EQ(folder.Read("leds/vibrator/brightness"), "0");
    EXPECT_FALSE(NLedSetDevice(1, &on));
    EXPECT_FALSE(NLedSetDevice(NLED_SETTINGS_INFO_ID, nullptr));
    EXPECT_EQ(MvVibrationLog(), std::vector<int>({1, 0, 1}));
}

// A blink is logged as its pulses when asked for, and played on the desktop thread, ending off.
TEST(Vibration, BlinkIsLoggedAtOnceAndEndsWithTheMotorOff) {
    CDeviceFolder folder;
    OnlySysfs(folder);
    folder.Write("leds/vibrator/brightness", "0\n");
    MvVibrationSetSysfsRoot(folder.Path());
    MvVibrationClearLog();
    NLED_SETTINGS_INFO blink = Led(11, 2);
    blink.OnTime = 200000;
    blink.OffTime = 100000;
    blink.MetaCycleOn = 3;
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &blink));
    EXPECT_EQ(MvVibrationLog(), std::vector<int>({1, 0, 1, 0, 1, 0}));
    // On for the first pulse at once; off after the last.
    std::vector<std::string> seen = {folder.Read("leds/vibrator/brightness")};
    for (int i = 0; i < 400 && seen.back() != "0"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        seen.push_back(folder.Read("leds/vibrator/brightness"));
    }
    EXPECT_EQ(seen.front(), "1");
    EXPECT_EQ(seen.back(), "0");
}

TEST(Vibration, TimedVibratorAndNoVibratorAtAll) {
    CDeviceFolder folder;
    OnlySysfs(folder);
    folder.Write("timed_output/vibrator/enable", "0\n");
    MvVibrationSetSysfsRoot(folder.Path());
    NLED_SETTINGS_INFO on = Led(11, 1), off = Led(11, 0);
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &on));
    EXPECT_EQ(folder.Read("timed_output/vibrator/enable"), "1000");
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &off));
    EXPECT_EQ(folder.Read("timed_output/vibrator/enable"), "0");
    MvVibrationSetSysfsRoot(folder.Path() + "/absent");
    EXPECT_TRUE(NLedSetDevice(NLED_SETTINGS_INFO_ID, &on));
}

}  // namespace
