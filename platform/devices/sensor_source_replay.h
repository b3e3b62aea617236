// Replays a recording: each reading after its interval, then the end. The file is opened and
// read without ever blocking, so a FIFO whose writer has not come (or is slow) only delays the
// readings: the source then asks to be called again after a period.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <memory>
#include <string>

#include "platform/devices/sensor_source.h"
#include "recording/recording_reader.h"

class CReplaySensorSource : public CSensorSource {
public:
    // Opens the file ("-": standard input); null and the reason in *error when it cannot.
    static std::unique_ptr<CReplaySensorSource> Open(const std::string& path, std::string* error);
    SensorStep Next() override;

private:
    CReplaySensorSource() = default;

    CRecordingReader m_Reader;
    RecordingReading m_Reading{};
    bool m_bHaveReading = false;  // waited for; delivered at the next call
    bool m_bEnded = false;
};
