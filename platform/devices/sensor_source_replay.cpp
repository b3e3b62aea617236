#include "platform/devices/sensor_source_replay.h"

std::unique_ptr<CReplaySensorSource> CReplaySensorSource::Open(const std::string& path, std::string* error) {
    std::unique_ptr<CReplaySensorSource> source(new CReplaySensorSource());
    if (path.empty()) {
        *error = "replay: no recording file named";
        return nullptr;
    }
    if (path == "-") {
        source->m_Reader.Attach(0, "-", true);
    } else if (!source->m_Reader.Open(path, true)) {
        *error = "replay: cannot open " + source->m_Reader.Error();
        return nullptr;
    }
    return source;
}

SensorStep CReplaySensorSource::Next() {
    if (m_bEnded) return SensorStep::End();
    if (m_bHaveReading) {
        m_bHaveReading = false;
        return SensorStep::Reading(m_Reading.nX, m_Reading.nY, m_Reading.nZ);
    }
    switch (m_Reader.Next(&m_Reading)) {
        case CRecordingReader::kReading:
            m_bHaveReading = true;
            return SensorStep::Wait(m_Reading.nIntervalMs);
        case CRecordingReader::kPending:
            // A pipe with no complete line yet: look again a period later.
            return SensorStep::Wait(kSensorPeriodMs);
        case CRecordingReader::kError:
            MvSensorReport("replay: " + m_Reader.Error() + "; the readings before it count, no further ones");
            break;
        case CRecordingReader::kEnd:
            break;
    }
    m_bEnded = true;
    m_Reader.Close();
    return SensorStep::End();
}
