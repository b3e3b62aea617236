#include "platform/devices/sensor_source_iio.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

const char* const kAxes[3] = {"x", "y", "z"};
const int kMaxReadsPerPeriod = 16;

bool IsReadable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

bool HasAccelerometer(const std::string& dir) {
    for (const char* axis : kAxes)
        if (!IsReadable(dir + "/in_accel_" + axis + "_raw")) return false;
    return true;
}

// Parses a sysfs number ("-123", "0.009576", "1e-3"), blanks and a newline around it allowed;
// independent of the C locale.
bool ParseNumber(const char* begin, const char* end, double* value) {
    while (begin < end && (*begin == ' ' || *begin == '\t')) ++begin;
    while (end > begin && (end[-1] == '\n' || end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\0')) --end;
    if (begin < end && *begin == '+') ++begin;
    if (begin == end) return false;
    auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(*value);
}

bool ReadNumberAt(int fd, double* value) {
    char buf[64];
    ssize_t n = pread(fd, buf, sizeof(buf) - 1, 0);
    if (n <= 0) return false;
    return ParseNumber(buf, buf + n, value);
}

bool ReadNumberFile(const std::string& path, double* value) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ReadNumberAt(fd, value);
    close(fd);
    return ok;
}

// Per-axis attribute (in_accel_x_scale) if present, else the shared one (in_accel_scale).
double ReadAxisAttribute(const std::string& dir, const char* axis, const char* name, double fallback) {
    double v;
    if (ReadNumberFile(dir + "/in_accel_" + axis + "_" + name, &v)) return v;
    if (ReadNumberFile(dir + "/in_accel_" + name, &v)) return v;
    return fallback;
}

int16_t ToRaw(double metresPerSecond2) {
    double r = std::round(metresPerSecond2 * 1000.0);
    if (std::isnan(r)) return 0;
    if (r > 32767.0) return 32767;
    if (r < -32768.0) return -32768;
    return static_cast<int16_t>(r);
}

}  // namespace

const char* const CIioSensorSource::kDefaultRoot = "/sys/bus/iio/devices";

std::string CIioSensorSource::FindDevice(const std::string& path) {
    std::string root = path.empty() ? kDefaultRoot : path;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (HasAccelerometer(root)) return root;
    DIR* dir = opendir(root.c_str());
    if (dir == nullptr) return std::string();
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string device = root + "/" + name;
        if (HasAccelerometer(device)) return device;
    }
    return std::string();
}

CIioSensorSource::CIioSensorSource()
    : m_fdRaw{-1, -1, -1},
      m_dScale{1, 1, 1},
      m_dOffset{0, 0, 0},
      m_nReads(1),
      m_nDone(0),
      m_nGood(0),
      m_dSum{0, 0, 0},
      m_bWaited(false),
      m_bReadFailureReported(false) {}

CIioSensorSource::~CIioSensorSource() {
    for (int fd : m_fdRaw)
        if (fd >= 0) close(fd);
}

std::unique_ptr<CIioSensorSource> CIioSensorSource::Open(const std::string& path, std::string* error) {
    return Open(path, std::string(), error);
}

std::unique_ptr<CIioSensorSource> CIioSensorSource::Open(const std::string& path, const std::string& node,
                                                         std::string* error) {
    std::string device = FindDevice(path);
    if (device.empty()) {
        *error = "iio: no accelerometer (in_accel_x_raw, in_accel_y_raw, in_accel_z_raw) under " +
                 (path.empty() ? std::string(kDefaultRoot) : path);
        return nullptr;
    }
    std::unique_ptr<CIioSensorSource> source(new CIioSensorSource());
    source->m_strDevice = device;
    for (int i = 0; i < 3; ++i) {
        std::string raw = device + "/in_accel_" + kAxes[i] + "_raw";
        source->m_fdRaw[i] = open(raw.c_str(), O_RDONLY | O_CLOEXEC);
        if (source->m_fdRaw[i] < 0) {
            *error = "iio: cannot open " + raw + ": " + std::strerror(errno);
            return nullptr;
        }
        source->m_dScale[i] = ReadAxisAttribute(device, kAxes[i], "scale", 1.0);
        source->m_dOffset[i] = ReadAxisAttribute(device, kAxes[i], "offset", 0.0);
    }
    double hz = 0;
    if (ReadNumberFile(device + "/in_accel_sampling_frequency", &hz) ||
        ReadNumberFile(device + "/sampling_frequency", &hz)) {
        int reads = static_cast<int>(std::floor(hz * kSensorPeriodMs / 1000.0 + 1e-9));
        source->m_nReads = std::clamp(reads, 1, kMaxReadsPerPeriod);
        // Buffered: the scans of each period are averaged, a second of them read at a time.
        if (hz > 0 && hz <= 100000) {
            source->m_dHz = hz;
            source->m_nScansPerPeriod = std::max(reads, 1);
            if (!source->m_Buffer.Open(device, node, source->WatermarkFor(kBatchMs)))
                source->m_Buffer.Close();
        }
    }
    return source;
}

int CIioSensorSource::WatermarkFor(DWORD batchMs) const {
    return std::max(static_cast<int>(m_dHz * batchMs / 1000.0), 1);
}

// A longer batch is read a second after its watermark: the flush before each save normally takes
// it first, and the device keeps twice the watermark.
DWORD CIioSensorSource::BatchWaitMs() const {
    return m_dwBatchMs > kBatchMs ? m_dwBatchMs + kBatchMs : kBatchMs;
}

void CIioSensorSource::SetLatency(DWORD ms) {
    const DWORD batch = std::max(ms, kBatchMs);
    if (batch == m_dwBatchMs) return;
    m_dwBatchMs = batch;
    if (!m_Buffer.IsOpen()) return;
    // The scans the device holds are taken before it is set anew. The batch is read again at once
    // (the service starts its wait anew): that early read coming back empty is no sign.
    m_Buffer.ReadScans(&m_scans);
    m_bFlushing = true;
    if (!m_Buffer.SetWatermark(WatermarkFor(batch))) {
        MvSensorReport("iio: cannot set the buffer of " + m_strDevice + "; its _raw files are read instead");
        m_Buffer.Close();
        m_scans.clear();
        m_bWaited = false;
        return;
    }
    if (m_bPaused) m_Buffer.Enable(false);  // setting it switched the capture on
}

void CIioSensorSource::Pause() {
    if (!m_Buffer.IsOpen() || m_bPaused) return;
    m_Buffer.Enable(false);
    m_bPaused = true;
    m_scans.clear();
    m_ready.clear();
    m_bWaited = false;
    m_nEmptyBatches = 0;
}

void CIioSensorSource::Flush() {
    if (!m_Buffer.IsOpen()) return;
    m_bWaited = true;
    m_bFlushing = true;
}

DWORD CIioSensorSource::SliceMs(int index) const {
    DWORD slice = kSensorPeriodMs / static_cast<DWORD>(m_nReads);
    if (index == m_nReads - 1) return kSensorPeriodMs - slice * static_cast<DWORD>(m_nReads - 1);
    return slice;
}

bool CIioSensorSource::ReadOnce() {
    double raw[3];
    for (int i = 0; i < 3; ++i) {
        if (!ReadNumberAt(m_fdRaw[i], &raw[i])) {
            if (!m_bReadFailureReported) {
                m_bReadFailureReported = true;
                MvSensorReport("iio: cannot read " + m_strDevice + "/in_accel_" + kAxes[i] +
                               "_raw; such readings are skipped");
            }
            return false;
        }
    }
    for (int i = 0; i < 3; ++i) m_dSum[i] += (raw[i] + m_dOffset[i]) * m_dScale[i];
    ++m_nGood;
    return true;
}

int16_t CIioSensorSource::ToReading(int axis, double raw) const {
    return ToRaw((raw + m_dOffset[axis]) * m_dScale[axis]);
}

SensorStep CIioSensorSource::NextBuffered() {
    if (m_bPaused) {
        m_bPaused = false;
        if (!m_Buffer.Enable(true)) {
            MvSensorReport("iio: cannot switch the buffer of " + m_strDevice +
                           " on; its _raw files are read instead");
            m_Buffer.Close();
            return Next();
        }
    }
    for (;;) {
        if (!m_ready.empty()) {
            SensorStep step = m_ready.front();
            m_ready.pop_front();
            return step;
        }
        if (!m_bWaited) {
            m_bWaited = true;
            return SensorStep::Wait(BatchWaitMs());
        }
        m_bWaited = false;
        const size_t before = m_scans.size();
        const bool readable = m_Buffer.ReadScans(&m_scans);
        // A buffer that stays empty (no trigger drives it) would count nothing: poll instead.
        if (m_scans.size() != before)
            m_nEmptyBatches = 0;
        else if (!m_bFlushing)
            ++m_nEmptyBatches;
        m_bFlushing = false;
        if (!readable || m_nEmptyBatches >= kMaxEmptyBatches) {
            MvSensorReport("iio: " +
                           std::string(readable ? "the buffer of " + m_strDevice + " delivers nothing"
                                                : "cannot read the buffer of " + m_strDevice) +
                           "; its _raw files are read instead");
            m_Buffer.Close();
            m_scans.clear();
            return Next();
        }
        // Each whole period of scans makes a reading; the newest scan was taken about now and the
        // scans before it one sampling interval apart.
        const size_t scans = m_scans.size() / 3;
        const size_t per = static_cast<size_t>(m_nScansPerPeriod);
        const size_t periods = scans / per;
        for (size_t p = 0; p < periods; ++p) {
            double mean[3] = {0, 0, 0};
            for (size_t k = p * per; k < (p + 1) * per; ++k)
                for (int a = 0; a < 3; ++a) mean[a] += m_scans[k * 3 + a] / static_cast<double>(per);
            const size_t last = (p + 1) * per - 1;
            const DWORD age = static_cast<DWORD>(std::lround((scans - 1 - last) * 1000.0 / m_dHz));
            m_ready.push_back(SensorStep::Reading(ToReading(0, mean[0]), ToReading(1, mean[1]),
                                                  ToReading(2, mean[2]), age));
        }
        m_scans.erase(m_scans.begin(), m_scans.begin() + static_cast<long>(periods * per * 3));
    }
}

SensorStep CIioSensorSource::Next() {
    if (m_Buffer.IsOpen()) return NextBuffered();
    for (;;) {
        if (!m_bWaited) {
            m_bWaited = true;
            return SensorStep::Wait(SliceMs(m_nDone));
        }
        m_bWaited = false;
        ReadOnce();
        if (++m_nDone < m_nReads) continue;
        int good = m_nGood;
        double mean[3];
        for (int i = 0; i < 3; ++i) {
            mean[i] = good > 0 ? m_dSum[i] / good : 0.0;
            m_dSum[i] = 0;
        }
        m_nDone = 0;
        m_nGood = 0;
        if (good > 0) return SensorStep::Reading(ToRaw(mean[0]), ToRaw(mean[1]), ToRaw(mean[2]));
    }
}
