#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/devices/sensor_source.h"
#include "platform/devices/sensor_source_iio.h"
#include "platform/devices/sensor_source_replay.h"
#include "platform/devices/sensor_source_walk.h"
#include "platform/devices/sensor_test_util.h"

namespace {

struct Delivered {
    DWORD nAtMs;  // time of the reading, from the sum of the waits
    int x, y, z;
};

// Runs a source for a span of simulated time, as the service's thread would.
std::vector<Delivered> RunSource(CSensorSource& source, DWORD spanMs) {
    std::vector<Delivered> out;
    DWORD now = 0;
    for (;;) {
        SensorStep step = source.Next();
        if (step.eKind == SensorStep::kEnd) break;
        if (step.eKind == SensorStep::kWait) {
            if (now + step.nWaitMs > spanMs) break;
            now += step.nWaitMs;
            continue;
        }
        out.push_back(Delivered{now, step.x, step.y, step.z});
    }
    return out;
}

TEST(WalkSensorSource, DeliversTheWalkerEvery60Ms) {
    CWalkSensorSource walk;
    std::vector<Delivered> readings = RunSource(walk, 10000);
    ASSERT_EQ(readings.size(), 166u);  // 10 s / 60 ms
    for (size_t i = 0; i < readings.size(); ++i) EXPECT_EQ(readings[i].nAtMs, 60 * (i + 1));
    // The first reading follows the formula at t = 0.06 s.
    double phi = 2 * M_PI * 1.8 * 0.06;
    EXPECT_EQ(readings[0].x, std::lround(1400 * std::sin(phi + 0.7)));
    EXPECT_EQ(readings[0].y, std::lround(9800 + 4000 * std::sin(phi)));
    EXPECT_EQ(readings[0].z, std::lround(2000 * std::sin(phi / 2 + 0.3)));
    // y swings around gravity 1.8 times a second: 18 upward crossings of 9800 in 10 s.
    int crossings = 0, minY = 99999, maxY = -99999;
    for (size_t i = 1; i < readings.size(); ++i) {
        if (readings[i - 1].y < 9800 && readings[i].y >= 9800) ++crossings;
        minY = std::min(minY, readings[i].y);
        maxY = std::max(maxY, readings[i].y);
    }
    EXPECT_NEAR(crossings, 18, 1);
    EXPECT_LT(minY, 6000);
    EXPECT_GT(maxY, 13600);
}

TEST(ReplaySensorSource, WaitsEachIntervalThenEnds) {
    CDeviceFolder folder;
    std::string path = folder.Write("r.rec", "# test\n60,1,2,3\n0,-4,-5,-6\n250,7,8,9\n");
    std::string error;
    auto replay = CReplaySensorSource::Open(path, &error);
    ASSERT_NE(replay, nullptr) << error;
    std::vector<Delivered> readings = RunSource(*replay, 100000);
    ASSERT_EQ(readings.size(), 3u);
    EXPECT_EQ(readings[0].nAtMs, 60u);
    EXPECT_EQ(readings[1].nAtMs, 60u);
    EXPECT_EQ(readings[1].x, -4);
    EXPECT_EQ(readings[2].nAtMs, 310u);
    EXPECT_EQ(readings[2].z, 9);
    EXPECT_EQ(replay->Next().eKind, SensorStep::kEnd);
}

TEST(ReplaySensorSource, MalformedLineIsReportedOnceAndEndsTheReplay) {
    CDeviceFolder folder;
    std::string path = folder.Write("r.rec", "60,1,2,3\n60,1,2\n60,1,2,3\n");
    std::string error;
    auto replay = CReplaySensorSource::Open(path, &error);
    ASSERT_NE(replay, nullptr);
    ::testing::internal::CaptureStderr();
    std::vector<Delivered> readings = RunSource(*replay, 100000);
    EXPECT_EQ(replay->Next().eKind, SensorStep::kEnd);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(readings.size(), 1u);
    EXPECT_EQ(err,
              "movimetra: sensor: replay: " + path +
                  ":2: expected four comma-separated integers (interval_ms,x,y,z); the readings before it "
                  "count, no further ones\n");
}

TEST(ReplaySensorSource, FifoWithoutWriterOpensAtOnceAndWaitsForItsReadings) {
    CDeviceFolder folder;
    std::string path = folder.Path() + "/fifo";
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::string error;
    auto replay = CReplaySensorSource::Open(path, &error);  // would block here if it waited for a writer
    ASSERT_NE(replay, nullptr) << error;
    for (int i = 0; i < 3; ++i) {
        SensorStep step = replay->Next();
        EXPECT_EQ(step.eKind, SensorStep::kWait);
        EXPECT_EQ(step.nWaitMs, kSensorPeriodMs);
    }
    int writer = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(write(writer, "250,7,8,9\n", 10), 10);
    close(writer);
    std::vector<Delivered> readings = RunSource(*replay, 100000);
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].nAtMs, 250u);
    EXPECT_EQ(readings[0].z, 9);
    EXPECT_EQ(replay->Next().eKind, SensorStep::kEnd);
}

TEST(SensorSourceSetting, NamesTheSourceOrTellsWhatIsWrong) {
    std::string error;
    EXPECT_EQ(MvOpenSensorSource("bogus", &error), nullptr);
    EXPECT_EQ(error, "unknown source \"bogus\" (use iio[:PATH], replay:FILE, walk or none)");
    EXPECT_EQ(MvOpenSensorSource("replay:/nonexistent/walk.rec", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent/walk.rec"), std::string::npos) << error;
    EXPECT_EQ(MvOpenSensorSource("replay:", &error), nullptr);
    EXPECT_EQ(MvOpenSensorSource("iio:/nonexistent", &error), nullptr);
    EXPECT_NE(error.find("no accelerometer"), std::string::npos) << error;
    // "none" is no source at all, and not a mistake.
    EXPECT_EQ(MvOpenSensorSource("none", &error), nullptr);
    EXPECT_EQ(error, "");
    auto walk = MvOpenSensorSource("walk", &error);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->Next().eKind, SensorStep::kWait);
}

TEST(SensorSourceSetting, EnvironmentChoosesTheDefault) {
    CDeviceFolder folder;
    std::string path = folder.Write("r.rec", "5,1,1,1\n");
    setenv("MOVIMETRA_SENSOR", ("replay:" + path).c_str(), 1);
    std::string error;
    auto source = MvOpenSensorSource("", &error);
    auto walk = MvOpenSensorSource("walk", &error);  // an explicit setting wins
    unsetenv("MOVIMETRA_SENSOR");
    ASSERT_NE(source, nullptr) << error;
    SensorStep step = source->Next();
    EXPECT_EQ(step.eKind, SensorStep::kWait);
    EXPECT_EQ(step.nWaitMs, 5u);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->Next().eKind, SensorStep::kWait);
}

// A fake sysfs tree: iio:device0 is a thermometer, iio:device1 an accelerometer.
class IioSensorSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder.Write("devices/iio:device0/in_temp_raw", "2345\n");
        m_folder.Write("devices/iio:device0/name", "thermometer\n");
        SetRaw(100, -200, 1000);
        m_folder.Write("devices/iio:device1/in_accel_scale", "0.009806650\n");
    }
    void SetRaw(int x, int y, int z) {
        m_folder.Write("devices/iio:device1/in_accel_x_raw", std::to_string(x) + "\n");
        m_folder.Write("devices/iio:device1/in_accel_y_raw", std::to_string(y) + "\n");
        m_folder.Write("devices/iio:device1/in_accel_z_raw", std::to_string(z) + "\n");
    }
    std::unique_ptr<CIioSensorSource> Open() {
        std::string error;
        auto source = CIioSensorSource::Open(m_folder.Path() + "/devices", &error);
        EXPECT_NE(source, nullptr) << error;
        return source;
    }
    // The next reading, with the waits before it.
    SensorStep NextReading(CSensorSource& source, std::vector<DWORD>* waits = nullptr) {
        for (int i = 0; i < 100; ++i) {
            SensorStep step = source.Next();
            if (step.eKind != SensorStep::kWait) return step;
            if (waits != nullptr) waits->push_back(step.nWaitMs);
        }
        return SensorStep::End();
    }
    // The accelerometer of device 1 with a buffer at 100 Hz; its character device a FIFO, whose
    // path is returned. Channels by index: timestamp (off), z, x, y; a scan is 6 bytes: z, x, y
    // little-endian s16.
    std::string BufferedDevice() {
        const std::string dev = "devices/iio:device1/";
        m_folder.Write(dev + "in_accel_sampling_frequency", "100\n");
        m_folder.Write(dev + "in_accel_scale", "0.001\n");
        m_folder.Write(dev + "buffer/enable", "0\n");
        m_folder.Write(dev + "buffer/length", "0\n");
        m_folder.Write(dev + "buffer/watermark", "1\n");
        const char* axes[3] = {"z", "x", "y"};
        for (int i = 0; i < 3; ++i) {
            m_folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_en", "0\n");
            m_folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_index", std::to_string(i) + "\n");
            m_folder.Write(dev + "scan_elements/in_accel_" + axes[i] + "_type", "le:s16/16>>0\n");
        }
        m_folder.Write(dev + "scan_elements/in_timestamp_en", "0\n");
        m_folder.Write(dev + "scan_elements/in_timestamp_index", "3\n");
        m_folder.Write(dev + "scan_elements/in_timestamp_type", "le:s64/64>>0\n");
        const std::string node = m_folder.Path() + "/iio:device1";
        EXPECT_EQ(mkfifo(node.c_str(), 0600), 0);
        return node;
    }
    // `count` scans with x = firstX, firstX + 100, ...; y -500, z 9807.
    static void WriteScans(int writer, int count, int firstX) {
        std::vector<unsigned char> bytes;
        for (int k = 0; k < count; ++k) {
            const int16_t values[3] = {9807, static_cast<int16_t>(firstX + 100 * k), -500};  // z, x, y
            for (int16_t v : values) {
                bytes.push_back(static_cast<unsigned char>(v & 0xFF));
                bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
            }
        }
        ASSERT_EQ(write(writer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    CDeviceFolder m_folder;
};

TEST_F(IioSensorSourceTest, SkipsDevicesWithoutAccelerometerAndScalesRawValues) {
    auto source = Open();
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->DevicePath(), m_folder.Path() + "/devices/iio:device1");
    EXPECT_EQ(source->ReadsPerPeriod(), 1);
    std::vector<DWORD> waits;
    SensorStep step = NextReading(*source, &waits);
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(waits, std::vector<DWORD>({60}));
    EXPECT_EQ(step.x, 981);    // 100 * 0.00980665 m/s^2 = 0.980665 -> 981
    EXPECT_EQ(step.y, -1961);  // -1.96133
    EXPECT_EQ(step.z, 9807);   // 9.80665
    // Readings follow the device: the raw files are read anew each period.
    SetRaw(0, 0, -1000);
    step = NextReading(*source);
    EXPECT_EQ(step.x, 0);
    EXPECT_EQ(step.z, -9807);
    // A device folder may be named directly.
    std::string error;
    auto direct = CIioSensorSource::Open(m_folder.Path() + "/devices/iio:device1/", &error);
    ASSERT_NE(direct, nullptr) << error;
    EXPECT_EQ(NextReading(*direct).z, -9807);
}

TEST_F(IioSensorSourceTest, PerAxisScaleAndOffsetAndSaturation) {
    m_folder.Write("devices/iio:device1/in_accel_offset", "-10\n");
    m_folder.Write("devices/iio:device1/in_accel_z_scale", "0.5\n");
    SetRaw(110, 10 + 4000000, -70000);
    auto source = Open();
    SensorStep step = NextReading(*source);
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, 981);     // (110 - 10) * 0.00980665
    EXPECT_EQ(step.y, 32767);   // far above the 16-bit range
    EXPECT_EQ(step.z, -32768);  // (-70000 - 10) * 0.5 = -35005 m/s^2
}

TEST_F(IioSensorSourceTest, WithoutScaleTheRawValueIsMetresPerSecondSquared) {
    std::remove((m_folder.Path() + "/devices/iio:device1/in_accel_scale").c_str());
    SetRaw(1, -2, 30);
    auto source = Open();
    SensorStep step = NextReading(*source);
    EXPECT_EQ(step.x, 1000);
    EXPECT_EQ(step.y, -2000);
    EXPECT_EQ(step.z, 30000);
}

TEST_F(IioSensorSourceTest, FasterDeviceIsAveragedOverEachPeriod) {
    m_folder.Write("devices/iio:device1/in_accel_sampling_frequency", "50.000000\n");
    m_folder.Write("devices/iio:device1/in_accel_scale", "0.001\n");
    auto source = Open();
    ASSERT_EQ(source->ReadsPerPeriod(), 3);
    // Three reads 20 ms apart, the device changing between them.
    const int xs[3] = {1000, 2000, 6000};
    std::vector<DWORD> waits;
    SensorStep step = SensorStep::End();
    for (int i = 0; i < 3; ++i) {
        step = source->Next();
        ASSERT_EQ(step.eKind, SensorStep::kWait);
        waits.push_back(step.nWaitMs);
        SetRaw(xs[i], -xs[i], 9807);
        if (i < 2) continue;
        step = source->Next();
    }
    EXPECT_EQ(waits, std::vector<DWORD>({20, 20, 20}));
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, 3000);
    EXPECT_EQ(step.y, -3000);
    EXPECT_EQ(step.z, 9807);

    // 100 Hz: six reads per period; 17 Hz: one.
    m_folder.Write("devices/iio:device1/in_accel_sampling_frequency", "100\n");
    EXPECT_EQ(Open()->ReadsPerPeriod(), 6);
    m_folder.Write("devices/iio:device1/in_accel_sampling_frequency", "17\n");
    EXPECT_EQ(Open()->ReadsPerPeriod(), 1);
}

TEST_F(IioSensorSourceTest, UnreadableValuesAreSkippedAndReportedOnce) {
    auto source = Open();
    m_folder.Write("devices/iio:device1/in_accel_y_raw", "garbage\n");
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        SensorStep step = source->Next();
        ASSERT_EQ(step.eKind, SensorStep::kWait);  // no reading while the device gives garbage
    }
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "movimetra: sensor: iio: cannot read " + m_folder.Path() +
                       "/devices/iio:device1/in_accel_y_raw; such readings are skipped\n");
    SetRaw(0, 0, 1000);
    EXPECT_EQ(NextReading(*source).z, 9807);
}

// A device that offers a buffer: the three axes are enabled in scan_elements, the buffer gets a
// watermark of a second of scans and is enabled, and the scans are read from the character device
// (here a FIFO) once a second, each period's mean a reading with its age.
TEST_F(IioSensorSourceTest, BufferedCaptureReadsScansFromTheCharacterDevice) {
    const std::string dev = "devices/iio:device1/";
    const std::string node = BufferedDevice();

    std::string error;
    auto source = CIioSensorSource::Open(m_folder.Path() + "/devices", node, &error);
    ASSERT_NE(source, nullptr) << error;
    ASSERT_TRUE(source->BufferedCapture());
    EXPECT_EQ(m_folder.Read(dev + "buffer/enable"), "1");
    EXPECT_EQ(m_folder.Read(dev + "buffer/watermark"), "100");
    EXPECT_EQ(m_folder.Read(dev + "buffer/length"), "200");
    const char* axes[3] = {"z", "x", "y"};
    for (const char* axis : axes)
        EXPECT_EQ(m_folder.Read(dev + "scan_elements/in_accel_" + axis + "_en"), "1");
    EXPECT_EQ(m_folder.Read(dev + "scan_elements/in_timestamp_en"), "0\n");

    int writer = open(node.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    auto writeScans = [&](int count, int firstX) { WriteScans(writer, count, firstX); };

    // A batch of 14 scans: two periods of six (100 Hz) and two scans that wait for the next batch.
    SensorStep step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kWait);
    EXPECT_EQ(step.nWaitMs, CIioSensorSource::kBatchMs);
    writeScans(14, 1000);
    step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, 1250);  // mean of 1000..1500
    EXPECT_EQ(step.y, -500);
    EXPECT_EQ(step.z, 9807);
    EXPECT_EQ(step.nAgeMs, 80u);  // its last scan is the 6th of 14: 8 scans of 10 ms before now
    step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, 1850);
    EXPECT_EQ(step.nAgeMs, 20u);
    EXPECT_EQ(source->Next().eKind, SensorStep::kWait);
    // Four more scans complete the third period.
    writeScans(4, 2400);
    step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, (2200 + 2300 + 2400 + 2500 + 2600 + 2700) / 6);
    EXPECT_EQ(step.nAgeMs, 0u);

    // A buffer that stays empty for three batches in a row is given up for the _raw files.
    for (int batch = 0; batch < 3; ++batch) {
        ASSERT_TRUE(source->BufferedCapture());
        EXPECT_EQ(source->Next().eKind, SensorStep::kWait);
    }
    step = source->Next();
    EXPECT_FALSE(source->BufferedCapture());
    EXPECT_EQ(m_folder.Read(dev + "buffer/enable"), "0");
    close(writer);
    source.reset();
    source = CIioSensorSource::Open(m_folder.Path() + "/devices", node, &error);
    ASSERT_NE(source, nullptr) << error;
    ASSERT_TRUE(source->BufferedCapture());

    // Closing the source turns the buffer off again.
    source.reset();
    EXPECT_EQ(m_folder.Read(dev + "buffer/enable"), "0");

    // Without a character device to read, the _raw files are polled as before.
    std::remove(node.c_str());
    auto polling = CIioSensorSource::Open(m_folder.Path() + "/devices", node, &error);
    ASSERT_NE(polling, nullptr) << error;
    EXPECT_FALSE(polling->BufferedCapture());
    EXPECT_EQ(m_folder.Read(dev + "buffer/enable"), "0");
    EXPECT_EQ(polling->ReadsPerPeriod(), 6);
    std::vector<DWORD> waits;
    EXPECT_EQ(NextReading(*polling, &waits).z, 1000);  // in_accel_z_raw 1000 x 0.001 m/s^2
    EXPECT_EQ(waits, std::vector<DWORD>({10, 10, 10, 10, 10, 10}));
}

// The latency sets the batch: unseen, the device keeps a save period of scans (the watermark)
// and is read about that often; seen, a second again. Scans it held at the switch are kept, and
// a flush reads at once, an empty read then being no sign of a buffer that delivers nothing.
TEST_F(IioSensorSourceTest, LatencySetsTheWatermarkAndTheBatchAndKeepsHeldScans) {
    const std::string dev = "devices/iio:device1/";
    const std::string node = BufferedDevice();
    std::string error;
    auto source = CIioSensorSource::Open(m_folder.Path() + "/devices", node, &error);
    ASSERT_NE(source, nullptr) << error;
    ASSERT_TRUE(source->Batches());
    const int writer = open(node.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(source->Next().nWaitMs, 1000u);

    WriteScans(writer, 6, 1000);  // one period, held by the device at the switch
    source->SetLatency(10000);
    EXPECT_EQ(source->BatchMs(), 10000u);
    EXPECT_EQ(m_folder.Read(dev + "buffer/watermark"), "1000");
    EXPECT_EQ(m_folder.Read(dev + "buffer/length"), "2000");
    EXPECT_EQ(m_folder.Read(dev + "buffer/enable"), "1");
    SensorStep step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.x, 1250);
    // The flush before each save normally comes first; the source's own read a second later.
    step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kWait);
    EXPECT_EQ(step.nWaitMs, 11000u);

    for (int i = 0; i < 5; ++i) {
        source->Flush();
        step = source->Next();
        EXPECT_EQ(step.eKind, SensorStep::kWait);
        EXPECT_EQ(step.nWaitMs, 11000u) << "an empty flush does not read again at once";
    }
    EXPECT_TRUE(source->BufferedCapture()) << "empty flushes are not empty batches";
    WriteScans(writer, 12, 2000);
    source->Flush();
    step = source->Next();
    ASSERT_EQ(step.eKind, SensorStep::kReading);
    EXPECT_EQ(step.nAgeMs, 60u);

    source->SetLatency(1000);
    EXPECT_EQ(m_folder.Read(dev + "buffer/watermark"), "100");
    EXPECT_EQ(m_folder.Read(dev + "buffer/length"), "200");
    source->SetLatency(200);  // a second at the least
    EXPECT_EQ(source->BatchMs(), 1000u);
    EXPECT_EQ(m_folder.Read(dev + "buffer/watermark"), "100");
    close(writer);
}

}  // namespace
