#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/devices/desktop_thread.h"
#include "platform/devices/sensor_source_iio.h"
#include "platform/devices/sensor_test_util.h"
#include "platform/devices/sleep_inhibitor.h"
#include "platform/gdi/gdi_test_util.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/windows.h"

namespace {

struct Received {
    HWND hWnd;
    DWORD nTick;
    WPARAM wParam;
    LPARAM lParam;
    bool bOnUiThread;
};

std::vector<Received>& Inbox() {
    static std::vector<Received> inbox;
    return inbox;
}

// When set, the handler of the reading with this number (from 1) sends SENSOR_CTL_STOP itself.
size_t g_nStopAtReading = 0;

LRESULT CALLBACK SensorTestProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_SENSOR_DATA) {
        Inbox().push_back({hWnd, GetTickCount(), wParam, lParam, MvIsUiThread()});
        if (Inbox().size() == g_nStopAtReading) {
            HANDLE sensor = GetServiceHandle(L"MAG0:", nullptr, nullptr);
            ServiceIoControl(sensor, SENSOR_CTL_STOP, &hWnd, sizeof(hWnd), nullptr, 0, nullptr, nullptr);
        }
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

const wchar_t kClass[] = L"SensorTestWindow";

class SensorServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = MvStartHeadlessWithClasses(SensorTestProc, {kClass});
        (void)started;
    }
    void SetUp() override {
        m_hWnd = CreateWindowExW(0, kClass, L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_hWnd, nullptr);
        m_hSensor = GetServiceHandle(L"MAG0:", nullptr, nullptr);
        ASSERT_NE(m_hSensor, nullptr);
        // No system bus here: the power side says so once, before a test looks at stderr.
        setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/movimetra-test-bus", 1);
        ::testing::internal::CaptureStderr();
        MvSleepInhibitorHold(true);
        MvSleepInhibitorHold(false);
        MvDesktopDrain(5000);
        ::testing::internal::GetCapturedStderr();
        Inbox().clear();
        MvSensorClearLog();
    }
    void TearDown() override {
        Control(SENSOR_CTL_STOP);
        Control(SENSOR_CTL_DETACH);
        MvSensorShutdown();
        DestroyWindow(m_hWnd);
    }
    // Sends a control code the way the program does: the window handle value by address.
    BOOL Control(DWORD code) {
        HWND window = m_hWnd;
        return ServiceIoControl(m_hSensor, code, &window, sizeof(window), nullptr, 0, nullptr, nullptr);
    }
    void StartWith(const std::string& setting) {
        MvSensorConfigure(setting);
        Control(SENSOR_CTL_ATTACH);
        Control(SENSOR_CTL_START);
        m_nStartTick = GetTickCount();
    }
    std::string Recording(const std::string& text) { return "replay:" + m_folder.Write("r.rec", text); }
    size_t Count() const { return Inbox().size(); }

    CDeviceFolder m_folder;
    HWND m_hWnd = nullptr;
    HANDLE m_hSensor = nullptr;
    DWORD m_nStartTick = 0;
};

TEST_F(SensorServiceTest, ReplayArrivesOnTheClockPackedAsSigned16Bit) {
    std::string setting = Recording(
        "# interval_ms,x,y,z\n"
        "60,1,2,3\n"
        "100,-1,-32768,32767\n"
        "40,-300,400,-5\n");
    MvSensorConfigure(setting);
    Control(SENSOR_CTL_ATTACH);
    MvAdvanceClock(500);
    EXPECT_EQ(Count(), 0u) << "nothing before START";
    Control(SENSOR_CTL_START);
    DWORD start = GetTickCount();
    MvAdvanceClock(59);
    EXPECT_EQ(Count(), 0u);
    MvAdvanceClock(1);
    ASSERT_EQ(Count(), 1u);
    MvAdvanceClock(140);
    ASSERT_EQ(Count(), 3u);
    MvAdvanceClock(1000);
    ASSERT_EQ(Count(), 3u) << "the replay ends with the file";

    const std::vector<Received>& in = Inbox();
    EXPECT_EQ(in[0].nTick - start, 60u);
    EXPECT_EQ(in[1].nTick - start, 160u);
    EXPECT_EQ(in[2].nTick - start, 200u);
    for (const Received& r : in) {
        EXPECT_EQ(r.hWnd, m_hWnd);
        EXPECT_TRUE(r.bOnUiThread);
    }
    // lParam = x << 16 | (y & 0xFFFF) as a 32-bit value; wParam = z & 0xFFFF.
    EXPECT_EQ(in[0].lParam, 0x00010002);
    EXPECT_EQ(in[0].wParam, 3u);
    EXPECT_EQ(in[1].lParam, static_cast<LPARAM>(static_cast<int32_t>(0xFFFF8000u)));
    EXPECT_EQ(HIWORD(in[1].lParam), 0xFFFF);
    EXPECT_EQ(LOWORD(in[1].lParam), 0x8000);
    EXPECT_EQ(in[1].wParam, 0x7FFFu);
    EXPECT_EQ(static_cast<int16_t>(HIWORD(in[2].lParam)), -300);
    EXPECT_EQ(static_cast<int16_t>(LOWORD(in[2].lParam)), 400);
    EXPECT_EQ(in[2].wParam, 0xFFFBu);
    EXPECT_EQ(MvSensorControlLog(), std::vector<DWORD>({SENSOR_CTL_ATTACH, SENSOR_CTL_START}));
}

TEST_F(SensorServiceTest, StopEndsDeliveryAndStartResumesAfterTheNextInterval) {
    std::string text;
    for (int i = 1; i <= 10; ++i) text += "60," + std::to_string(i) + ",0,0\n";
    StartWith(Recording(text));
    MvAdvanceClock(130);
    EXPECT_EQ(Count(), 2u);
    Control(SENSOR_CTL_STOP);
    MvAdvanceClock(1000);
    EXPECT_EQ(Count(), 2u) << "nothing after STOP";
    Control(SENSOR_CTL_START);
    MvAdvanceClock(59);
    EXPECT_EQ(Count(), 2u);
    MvAdvanceClock(1);
    ASSERT_EQ(Count(), 3u);
    EXPECT_EQ(HIWORD(Inbox()[2].lParam), 3) << "the replay goes on where it stopped";
    Control(SENSOR_CTL_START);  // a second START changes nothing
    MvAdvanceClock(60 * 20);
    EXPECT_EQ(Count(), 10u);
    EXPECT_EQ(MvSensorControlLog(), std::vector<DWORD>({SENSOR_CTL_ATTACH, SENSOR_CTL_START, SENSOR_CTL_STOP,
                                                        SENSOR_CTL_START, SENSOR_CTL_START}));
}

TEST_F(SensorServiceTest, StopFromTheReadingsOwnHandlerDoesNotDeadlock) {
    g_nStopAtReading = 2;
    StartWith("walk");
    MvAdvanceClock(600);
    g_nStopAtReading = 0;
    EXPECT_EQ(Count(), 2u);
    EXPECT_EQ(MvSensorControlLog(),
              std::vector<DWORD>({SENSOR_CTL_ATTACH, SENSOR_CTL_START, SENSOR_CTL_STOP}));
    Control(SENSOR_CTL_START);
    MvAdvanceClock(120);
    EXPECT_EQ(Count(), 4u);
}

TEST_F(SensorServiceTest, BadRecordingIsReportedOnceAndDeliversNothing) {
    std::string setting = Recording("# a recording\n60,1,2\n60,1,2,3\n");
    ::testing::internal::CaptureStderr();
    StartWith(setting);
    MvAdvanceClock(1000);
    Control(SENSOR_CTL_STOP);
    Control(SENSOR_CTL_START);
    MvAdvanceClock(1000);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(), 0u);
    EXPECT_EQ(err,
              "movimetra: sensor: replay: " + setting.substr(7) +
                  ":2: expected four comma-separated integers (interval_ms,x,y,z); the readings before it "
                  "count, no further ones\n");

    // A good reading before a bad line still arrives; the bad line stops the replay.
    m_folder.Write("r.rec", "60,1,2,3\n60,1,2,3,4\n60,1,2,3\n");
    ::testing::internal::CaptureStderr();
    MvSensorConfigure(setting);
    MvAdvanceClock(1000);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(), 1u);
    EXPECT_NE(err.find("r.rec:2: unexpected text after the fourth value"), std::string::npos) << err;
}

TEST_F(SensorServiceTest, UnknownSourceOrMissingFileIsReportedOnce) {
    ::testing::internal::CaptureStderr();
    StartWith("telepathy");
    MvAdvanceClock(500);
    Control(SENSOR_CTL_STOP);
    Control(SENSOR_CTL_START);
    MvAdvanceClock(500);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(), 0u);
    EXPECT_EQ(err,
              "movimetra: sensor: unknown source \"telepathy\" (use iio[:PATH], replay:FILE, walk or none); "
              "the sensor delivers nothing\n");

    ::testing::internal::CaptureStderr();
    MvSensorConfigure("replay:" + m_folder.Path() + "/missing.rec");
    MvAdvanceClock(500);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("missing.rec"), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line: " << err;
    // A working source replaces it while started.
    MvSensorConfigure("walk");
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 10u);
}

TEST_F(SensorServiceTest, WithoutASourceQueryAndStartAnswerFalseAndNothingIsMadeUp) {
    ::testing::internal::CaptureStderr();
    MvSensorConfigure("none");
    Control(SENSOR_CTL_ATTACH);
    EXPECT_FALSE(Control(SENSOR_CTL_QUERY_SOURCE));
    EXPECT_FALSE(Control(SENSOR_CTL_START));
    MvAdvanceClock(2000);
    EXPECT_EQ(Count(), 0u);
    Control(SENSOR_CTL_STOP);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << "\"none\" was asked for";

    // The default without an accelerometer is no source either, and says so once.
    if (CIioSensorSource::FindDevice(std::string()).empty()) {
        unsetenv("MOVIMETRA_SENSOR");
        ::testing::internal::CaptureStderr();
        MvSensorConfigure("");
        EXPECT_FALSE(Control(SENSOR_CTL_QUERY_SOURCE));
        EXPECT_FALSE(Control(SENSOR_CTL_START));
        MvAdvanceClock(2000);
        EXPECT_EQ(Count(), 0u);
        EXPECT_FALSE(Control(SENSOR_CTL_QUERY_SOURCE));
        Control(SENSOR_CTL_STOP);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "movimetra: sensor: no accelerometer found; steps cannot be counted (MOVIMETRA_SENSOR=walk "
                  "or replay:FILE chooses another source)\n");
    }

    // Asked for, the walker is a source.
    MvSensorConfigure("walk");
    EXPECT_TRUE(Control(SENSOR_CTL_QUERY_SOURCE));
    EXPECT_TRUE(Control(SENSOR_CTL_START));
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 10u);
}

TEST_F(SensorServiceTest, WalkerDeliversAboutSixteenReadingsASecond) {
    StartWith("walk");
    MvAdvanceClock(1000);
    EXPECT_EQ(Count(), 16u);
    MvAdvanceClock(2000);
    EXPECT_EQ(Count(), 50u);  // 3 s / 60 ms
    for (const Received& r : Inbox()) EXPECT_EQ((r.nTick - m_nStartTick) % 60, 0u);
}

TEST_F(SensorServiceTest, IioAccelerometerIsSampledOnThePlatformClock) {
    m_folder.Write("iio/iio:device0/in_temp_raw", "1\n");
    auto setRaw = [&](int x) {
        m_folder.Write("iio/iio:device1/in_accel_x_raw", std::to_string(x) + "\n");
        m_folder.Write("iio/iio:device1/in_accel_y_raw", "0\n");
        m_folder.Write("iio/iio:device1/in_accel_z_raw", "-1000\n");
    };
    setRaw(0);
    m_folder.Write("iio/iio:device1/in_accel_scale", "0.001\n");
    m_folder.Write("iio/iio:device1/in_accel_sampling_frequency", "50\n");
    StartWith("iio:" + m_folder.Path() + "/iio");
    // Reads at 20, 40 and 60 ms; the mean arrives at 60 ms.
    setRaw(300);
    MvAdvanceClock(20);
    setRaw(600);
    MvAdvanceClock(20);
    setRaw(2100);
    MvAdvanceClock(19);
    EXPECT_EQ(Count(), 0u);
    MvAdvanceClock(1);
    ASSERT_EQ(Count(), 1u);
    EXPECT_EQ(static_cast<int16_t>(HIWORD(Inbox()[0].lParam)), 1000);
    EXPECT_EQ(static_cast<int16_t>(Inbox()[0].wParam), -1000);
}

TEST_F(SensorServiceTest, ServiceNameHandleAndControlCodes) {
    EXPECT_EQ(GetServiceHandle(L"mag0:", nullptr, nullptr), m_hSensor);
    EXPECT_EQ(GetServiceHandle(L"MAG1:", nullptr, nullptr), nullptr);
    EXPECT_EQ(GetServiceHandle(L"MAG0", nullptr, nullptr), nullptr);
    EXPECT_EQ(GetServiceHandle(L"MAG0:X", nullptr, nullptr), nullptr);
    HWND window = m_hWnd;
    DWORD returned = 77;
    EXPECT_FALSE(
        ServiceIoControl(nullptr, SENSOR_CTL_START, &window, sizeof(window), nullptr, 0, &returned, nullptr));
    EXPECT_EQ(returned, 0u);
    EXPECT_FALSE(Control(0x1234));
    EXPECT_TRUE(Control(SENSOR_CTL_ATTACH));
    EXPECT_TRUE(Control(SENSOR_CTL_DETACH));
    EXPECT_EQ(MvSensorControlLog(), std::vector<DWORD>({0x1234, SENSOR_CTL_ATTACH, SENSOR_CTL_DETACH}));
}

TEST_F(SensorServiceTest, DetachSilencesAndAttachTakesTheWindowByValueToo) {
    StartWith("walk");
    MvAdvanceClock(120);
    EXPECT_EQ(Count(), 2u);
    Control(SENSOR_CTL_DETACH);
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 2u);
    // The handle value itself, 4 bytes, as the original calling convention passes it.
    HWND other = CreateWindowExW(0, kClass, L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(ServiceIoControl(m_hSensor, SENSOR_CTL_ATTACH, other, 4, nullptr, 0, nullptr, nullptr));
    MvAdvanceClock(120);
    ASSERT_EQ(Count(), 4u);
    EXPECT_EQ(Inbox()[3].hWnd, other);
    // A destroyed window is simply not reached.
    DestroyWindow(other);
    MvAdvanceClock(120);
    EXPECT_EQ(Count(), 4u);
}

TEST_F(SensorServiceTest, ShutdownStopsTheThreadAndTheServiceCanStartAgain) {
    StartWith("walk");
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 10u);
    MvSensorShutdown();
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 10u);
    Control(SENSOR_CTL_START);
    MvAdvanceClock(600);
    EXPECT_EQ(Count(), 20u);
    EXPECT_EQ(MvSensorDeliveredCount() >= 20u, true);
}

TEST_F(SensorServiceTest, TimedQueueReadWaitsOnThePlatformClock) {
    MSGQUEUEOPTIONS options{sizeof(MSGQUEUEOPTIONS), 0, 3, 144, TRUE};
    HANDLE queue = CreateMsgQueue(nullptr, &options);
    HANDLE notifications = RequestPowerNotifications(queue, PBT_RESUME);
    unsigned char buffer[816];
    DWORD bytes = 0, flags = 0;
    DWORD before = GetTickCount();
    EXPECT_FALSE(ReadMsgQueue(queue, buffer, sizeof(buffer), &bytes, 250, &flags));
    EXPECT_EQ(GetTickCount() - before, 250u);
    MvPowerSimulateResume();
    EXPECT_TRUE(ReadMsgQueue(queue, buffer, sizeof(buffer), &bytes, 250, &flags));
    EXPECT_EQ(bytes, sizeof(POWER_BROADCAST));
    EXPECT_EQ(GetTickCount() - before, 250u) << "a waiting message is read at once";
    StopPowerNotifications(notifications);
    CloseMsgQueue(queue);
}

// With the real clock the sensor thread races the UI thread; once STOP has returned, no reading
// may arrive. Runs in a child process of its own, which sets up the platform on the real clock.
bool g_bStopped = false;
int g_nLate = 0;
int g_nReadings = 0;

LRESULT CALLBACK RaceProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UM_SENSOR_DATA) {
        ++g_nReadings;
        if (g_bStopped) ++g_nLate;
        return 0;
    }
    return DefWindowProcW(hWnd, message, wParam, lParam);
}

void PumpFor(std::chrono::milliseconds span) {
    auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        MvPumpMessages();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void RunStopRace(const std::string& recording) {
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    MvPlatformInit(options);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = RaceProc;
    wc.lpszClassName = L"SensorRaceWindow";
    RegisterClassW(&wc);
    HWND window =
        CreateWindowExW(0, L"SensorRaceWindow", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HANDLE sensor = GetServiceHandle(L"MAG0:", nullptr, nullptr);
    MvSensorConfigure("replay:" + recording);
    ServiceIoControl(sensor, SENSOR_CTL_ATTACH, &window, sizeof(window), nullptr, 0, nullptr, nullptr);
    for (int cycle = 0; cycle < 20; ++cycle) {
        g_bStopped = false;
        ServiceIoControl(sensor, SENSOR_CTL_START, &window, sizeof(window), nullptr, 0, nullptr, nullptr);
        PumpFor(std::chrono::milliseconds(15));
        ServiceIoControl(sensor, SENSOR_CTL_STOP, &window, sizeof(window), nullptr, 0, nullptr, nullptr);
        g_bStopped = true;
        PumpFor(std::chrono::milliseconds(5));
    }
    MvSensorShutdown();
    std::fprintf(stderr, "readings=%d late=%d\n", g_nReadings, g_nLate);
    std::exit(g_nLate == 0 && g_nReadings > 20 ? 0 : 1);
}

TEST(SensorServiceRealClock, NoReadingArrivesAfterStopReturns) {
    CDeviceFolder folder;
    std::string text;
    for (int i = 0; i < 50000; ++i) text += "1," + std::to_string(i % 1000) + ",9800,0\n";
    std::string recording = folder.Write("fast.rec", text);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunStopRace(recording), ::testing::ExitedWithCode(0), "late=0");
}

}  // namespace
