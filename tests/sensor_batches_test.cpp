// Readings in batches while nobody looks: an accelerometer with a buffer (a FIFO standing in for
// its character device, fed a scan per 20 ms of the manual clock) is read once per save period
// while the window is minimized. Each reading still counts with its own interval, so the program
// stores what the replay tool counts in the same walk, and readings reach the program up to a
// save period late rather than every second. A stop while unseen counts what is still waiting.
// A screen that flaps (seen, unseen, briefly seen) loses nothing and keeps the buffer, which is
// off whenever the sensor is stopped; visibility changes do not put off a replay's readings.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/devices/sensor_test_util.h"
#include "tests/records_test_util.h"

namespace {

using namespace maintest;

struct Scan {
    int16_t x, y, z;
};

std::vector<Scan> LoadScans(const std::string& path) {
    std::vector<Scan> scans;
    std::ifstream in(path);
    std::string line;
    int interval, x, y, z;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#' &&
            std::sscanf(line.c_str(), "%d,%d,%d,%d", &interval, &x, &y, &z) == 4)
            scans.push_back({static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<int16_t>(z)});
    return scans;
}

// A device of 50 scans a second (three to a reading) whose scans are x, y, z as little-endian s16,
// with a scale that keeps the recorded values.
std::string MakeDevice(const CDeviceFolder& folder) {
    const std::string dev = "iio:device0/";
    folder.Write(dev + "in_accel_sampling_frequency", "50\n");
    folder.Write(dev + "in_accel_scale", "0.001\n");
    for (const char* axis : {"x", "y", "z"}) folder.Write(dev + "in_accel_" + axis + "_raw", "0\n");
    folder.Write(dev + "buffer/enable", "0\n");
    folder.Write(dev + "buffer/length", "0\n");
    folder.Write(dev + "buffer/watermark", "1\n");
    const char* axes[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_en", "0\n");
        folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_index", std::to_string(i) + "\n");
        folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_type", "le:s16/16>>0\n");
    }
    return folder.Path() + "/" + dev;
}

// A walk recording, what the replay tool counts in it, and a buffered device fed through a FIFO.
class BufferedWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string recording = std::string(MV_TEST_DATA_DIR) + "/walk_1_8hz.rec";
        scans = LoadScans(recording);
        ASSERT_EQ(scans.size(), 600u);
        std::string error;
        ASSERT_TRUE(trace.Run(recording, &error)) << error;
        const std::string device = MakeDevice(folder);
        const std::string node = folder.Path() + "/node";
        ASSERT_EQ(mkfifo(node.c_str(), 0600), 0);
        // Held open for reading and writing, the FIFO keeps what is fed whoever reads it.
        feeder = open(node.c_str(), O_RDWR | O_NONBLOCK);
        ASSERT_GE(feeder, 0);
        MvSensorSetBufferNode(node);
        ASSERT_TRUE(run.PrepareStoredProfile());
        run.SetSensor("iio:" + device);
    }
    void TearDown() override {
        MvSensorSetBufferNode("");
        if (feeder >= 0) close(feeder);
    }

    std::vector<Scan> scans;
    recordstest::CStepTrace trace;
    CDeviceFolder folder;
    int feeder = -1;
    CShellRun run;
};

TEST_F(BufferedWalkTest, UnseenReadingsComeInSavePeriodsEachWithItsIntervalAndCountAsTheToolCounts) {
    constexpr size_t kScansPerReading = 3;
    constexpr DWORD kScanMs = 20;
    size_t fed = 0;
    std::vector<DWORD> takenAt;      // clock when each scan is taken
    std::vector<DWORD> handledAt;    // clock when each reading reached the main window
    std::vector<uint32_t> readings;  // lParam of each, x << 16 | y
    run.Hook("hide", [] { MvWindowShown(false); });
    run.Hook("feed", [&] {
        if (fed == 0) {
            EXPECT_EQ(folder.Read("iio:device0/buffer/watermark"), "500") << "ten seconds of scans";
            EXPECT_EQ(folder.Read("iio:device0/buffer/length"), "1000");
            MvSetMessageObserver([&](HWND, UINT message, WPARAM, LPARAM lParam) {
                if (message != UM_SENSOR_DATA) return;
                handledAt.push_back(GetTickCount());
                readings.push_back(static_cast<uint32_t>(lParam));
            });
        }
        // The scan taken at the end of the wait that follows: whenever the device is read, its
        // newest scan was taken just then, as on a device that samples on.
        const Scan& s = scans[fed++ / kScansPerReading];
        const int16_t values[3] = {s.x, s.y, s.z};
        ASSERT_EQ(write(feeder, values, sizeof values), static_cast<ssize_t>(sizeof values));
        takenAt.push_back(GetTickCount() + kScanMs);
    });
    int engineSteps = -1;
    run.Hook("stopped", [&] {
        EXPECT_FALSE(GetApplication()->Engine().IsSensorRunning());
        engineSteps = MainView()->WorkoutSteps();
    });
    std::string script = "call hide\nwait 100\n" + std::string(recordstest::kTapStartStop);
    for (size_t i = 0; i < scans.size() * kScansPerReading; ++i) script += "call feed\nwait 20\n";
    script += std::string(recordstest::kTapStartStop) + "call stopped\nquit\n";
    EXPECT_EQ(run.Run(script), 0);

    // Every reading, in order, each handled after it was taken; in batches up to a save period
    // late, not every second.
    ASSERT_EQ(readings.size(), scans.size());
    DWORD latest = 0;
    for (size_t i = 0; i < scans.size(); ++i) {
        EXPECT_EQ(readings[i], (static_cast<uint32_t>(static_cast<uint16_t>(scans[i].x)) << 16) |
                                   static_cast<uint16_t>(scans[i].y));
        const DWORD taken = takenAt[i * kScansPerReading + kScansPerReading - 1];
        ASSERT_GE(handledAt[i], taken);
        latest = std::max(latest, handledAt[i] - taken);
    }
    EXPECT_GT(latest, 9000u);
    EXPECT_LE(latest, 11000u);
    // Counted with their own intervals: what the tool counts, shown and stored.
    EXPECT_EQ(engineSteps, trace.Final().nSteps);
    EXPECT_EQ(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), trace.Final().nSteps);
}

// A screen saver that flaps: unseen 5 s, seen, unseen 0.5 s, seen, and bursts of quick changes,
// through a buffered walk. Everything is stored as the tool counts it, the buffer is never given
// up for the _raw files, and its capture is off after Stop and after the exit.
TEST_F(BufferedWalkTest, AFlappingScreenLosesNoReadingAndKeepsTheBufferWhichStopsWithTheSensor) {
    size_t fed = 0;
    run.Hook("feed", [&] {
        const Scan& s = scans[fed++ / 3];
        const int16_t values[3] = {s.x, s.y, s.z};
        ASSERT_EQ(write(feeder, values, sizeof values), static_cast<ssize_t>(sizeof values));
    });
    run.Hook("hide", [] { MvWindowShown(false); });
    run.Hook("show", [] { MvWindowShown(true); });
    std::vector<std::string> enable;
    run.Hook("enable", [&] { enable.push_back(folder.Read("iio:device0/buffer/enable")); });
    int engineSteps = -1;
    run.Hook("stopped", [&] { engineSteps = MainView()->WorkoutSteps(); });
    // Scan i is fed at 20 ms * i; the cycle of 7.5 s: unseen 5 s, seen 1 s, unseen 0.5 s, seen
    // 1 s with a change every 40 ms in its middle.
    std::string script = std::string(recordstest::kTapStartStop) + "wait 100\ncall enable\n";
    for (size_t i = 0; i < scans.size() * 3; ++i) {
        const size_t at = (i * 20) % 7500;
        if (at == 0 || at == 6000) script += "call hide\n";
        if (at == 5000 || at == 6500) script += "call show\n";
        if (at > 6600 && at < 7400 && at % 40 == 0) script += at % 80 == 0 ? "call hide\n" : "call show\n";
        script += "call feed\nwait 20\n";
    }
    script += "call show\nwait 100\n" + std::string(recordstest::kTapStartStop) +
              "wait 100\ncall stopped\ncall enable\n" + recordstest::kTapStartStop +
              "wait 1500\ncall enable\nquit\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(run.Run(script), 0);
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_EQ(said.find("_raw files are read instead"), std::string::npos) << said;
    EXPECT_EQ(engineSteps, trace.Final().nSteps);
    EXPECT_EQ(QueryInt(run.DbPath(), "SELECT SUM(steps) FROM pedometer;"), trace.Final().nSteps);
    EXPECT_EQ(enable, (std::vector<std::string>{"1", "0", "1"})) << "on while running, off after Stop";
    EXPECT_EQ(folder.Read("iio:device0/buffer/enable"), "0") << "off after the exit";
}

// A replay goes on at its own pace however often the screen is seen or not: each change wakes
// the sensor thread, whose wait for the next reading goes on to its end.
TEST(SensorBatchesTest, VisibilityChangesDoNotPutOffAReplay) {
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "60," + std::to_string(i) + ",0,0\n";
    CTempDir dir("mv_flap_");
    const std::string recording = dir.Path() + "/flat.rec";
    ASSERT_TRUE(shelltest::WriteTextFile(recording, text));
    CShellRun run;
    ASSERT_TRUE(run.PrepareStoredProfile());
    run.SetSensor("replay:" + recording);
    int readings = 0;
    run.Hook("count", [&] {
        MvSetMessageObserver(
            [&](HWND, UINT message, WPARAM, LPARAM) { readings += message == UM_SENSOR_DATA; });
    });
    run.Hook("hide", [] { MvWindowShown(false); });
    run.Hook("show", [] { MvWindowShown(true); });
    std::string script = "call count\n" + std::string(recordstest::kTapStartStop);
    // 100 readings 60 ms apart: 6 s, with a change every 25 ms.
    for (int i = 0; i < 260; ++i)
        script += std::string(i % 2 == 0 ? "call hide\n" : "call show\n") + "wait 25\n";
    script += "call show\nwait 1000\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(readings, 100);
}

}  // namespace
