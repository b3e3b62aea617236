// Replays a recording: each reading after its interval, then the end.
#pragma once

#include <memory>
#include <string>

#include "platform/devices/recording_reader.h"
#include "platform/devices/sensor_source.h"

class CReplaySensorSource : public CSensorSource {
public:
    // Opens the file; null and the reason in *error when it cannot be read.
    static std::unique_ptr<CReplaySensorSource> Open(const std::string& path, std::string* error);
    SensorStep Next() override;

private:
    CReplaySensorSource() = default;

    CRecordingReader m_Reader;
    RecordingLine m_Pending{};
    bool m_bPending = false;
    bool m_bEnded = false;
};
