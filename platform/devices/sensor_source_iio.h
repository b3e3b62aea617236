// A Linux Industrial I/O accelerometer read through sysfs. Readings are m/s^2 x 1000 as signed
// 16-bit values, one every 60 ms; a device that samples faster is read several times per period
// and the mean of each period is delivered.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <memory>
#include <string>

#include "platform/devices/sensor_source.h"

class CIioSensorSource : public CSensorSource {
public:
    // Default root of the devices.
    static const char* const kDefaultRoot;

    // PATH is a devices folder (the first device with accelerometer files, by name) or one device
    // folder. Null and the reason in *error when no accelerometer is found.
    static std::unique_ptr<CIioSensorSource> Open(const std::string& path, std::string* error);
    // The device folder Open would use, or empty.
    static std::string FindDevice(const std::string& path);

    ~CIioSensorSource() override;
    SensorStep Next() override;

    const std::string& DevicePath() const { return m_strDevice; }
    int ReadsPerPeriod() const { return m_nReads; }

private:
    CIioSensorSource();
    bool ReadOnce();
    DWORD SliceMs(int index) const;

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
};
