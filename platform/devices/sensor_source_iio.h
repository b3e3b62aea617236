// A Linux Industrial I/O accelerometer. Readings are m/s^2 x 1000 as signed 16-bit values, one
// every 60 ms; a device that samples faster gives the mean of each period. Where the device offers
// a buffer (and its sampling frequency is known), its scans are captured in the buffer and read
// about once a second from the character device, each reading with its age; otherwise the _raw
// files are read through sysfs at every period.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/devices/iio_buffer.h"
#include "platform/devices/sensor_source.h"

class CIioSensorSource : public CSensorSource {
public:
    // Default root of the devices.
    static const char* const kDefaultRoot;

    // PATH is a devices folder (the first device with accelerometer files, by name) or one device
    // folder. Null and the reason in *error when no accelerometer is found.
    static std::unique_ptr<CIioSensorSource> Open(const std::string& path, std::string* error);
    // The same with the buffer's character device at `node` (tests; empty: /dev/<device name>).
    static std::unique_ptr<CIioSensorSource> Open(const std::string& path, const std::string& node,
                                                  std::string* error);
    // The device folder Open would use, or empty.
    static std::string FindDevice(const std::string& path);

    ~CIioSensorSource() override;
    SensorStep Next() override;

    void SetLatency(DWORD ms) override;
    bool Batches() const override { return m_Buffer.IsOpen(); }
    void Flush() override;
    void Pause() override;

    const std::string& DevicePath() const { return m_strDevice; }
    int ReadsPerPeriod() const { return m_nReads; }
    bool BufferedCapture() const { return m_Buffer.IsOpen(); }
    // The buffered batch: how often the buffer is read, at the least latency.
    static constexpr DWORD kBatchMs = 1000;
    // Latency of the batches now, and how long the device keeps a batch (the buffer's watermark).
    DWORD BatchMs() const { return m_dwBatchMs; }
    int Watermark() const { return WatermarkFor(m_dwBatchMs); }

private:
    CIioSensorSource();
    bool ReadOnce();
    DWORD SliceMs(int index) const;
    SensorStep NextBuffered();
    int16_t ToReading(int axis, double raw) const;
    int WatermarkFor(DWORD batchMs) const;
    // The wait before the next batch is read.
    DWORD BatchWaitMs() const;

    std::string m_strDevice;
    int m_fdRaw[3];
    double m_dScale[3];
    double m_dOffset[3];
    int m_nReads;  // reads per period
    int m_nDone;   // reads done in this period
    int m_nGood;   // successful reads in this period
    double m_dSum[3];
    bool m_bWaited;
    bool m_bReadFailureReported;
    // Buffered capture: scans per period, scans read but not yet a whole period, and readings made
    // from the last batch with their ages.
    CIioBuffer m_Buffer;
    double m_dHz = 0;
    int m_nScansPerPeriod = 1;
    std::vector<double> m_scans;
    std::deque<SensorStep> m_ready;
    // Batches in a row that brought no scan; at kMaxEmptyBatches the _raw files are polled.
    static constexpr int kMaxEmptyBatches = 3;
    int m_nEmptyBatches = 0;
    DWORD m_dwBatchMs = kBatchMs;
    bool m_bFlushing = false;  // the next read was asked for early: an empty one is no sign
    bool m_bPaused = false;    // the buffer's capture is off until the next step
};
