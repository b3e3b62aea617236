#include "platform/devices/sensor_source_replay.h"

std::unique_ptr<CReplaySensorSource> CReplaySensorSource::Open(const std::string& path, std::string* error) {
    std::unique_ptr<CReplaySensorSource> source(new CReplaySensorSource());
    if (path.empty()) {
        *error = "replay: no recording file named";
        return nullptr;
    }
    if (!source->m_Reader.Open(path)) {
        *error = "replay: cannot open " + source->m_Reader.Error();
        return nullptr;
    }
    return source;
}

SensorStep CReplaySensorSource::Next() {
    if (m_bEnded) return SensorStep::End();
    if (m_bPending) {
        m_bPending = false;
        return SensorStep::Reading(m_Pending.x, m_Pending.y, m_Pending.z);
    }
    switch (m_Reader.Next(&m_Pending)) {
        case CRecordingReader::kReading:
            m_bPending = true;
            return SensorStep::Wait(m_Pending.nIntervalMs);
        case CRecordingReader::kError:
            MvSensorReport("replay: " + m_Reader.Error() + "; no further readings");
            break;
        case CRecordingReader::kEnd:
            break;
    }
    m_bEnded = true;
    m_Reader.Close();
    return SensorStep::End();
}
