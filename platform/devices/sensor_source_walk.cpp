#include "platform/devices/sensor_source_walk.h"

namespace {

// Readings in a day: the walker's phase starts over every day (1.8 Hz makes whole cycles), so
// that it stays precise however long the program runs.
const long kReadingsPerDay = 24L * 3600L * 1000L / static_cast<long>(kSensorPeriodMs);

}  // namespace

CWalkSensorSource::CWalkSensorSource() : m_nReadings(0), m_bWaited(false) {
    m_Walk.nIntervalMs = static_cast<int>(kSensorPeriodMs);
}

SensorStep CWalkSensorSource::Next() {
    if (!m_bWaited) {
        m_bWaited = true;
        return SensorStep::Wait(kSensorPeriodMs);
    }
    m_bWaited = false;
    m_nReadings = (m_nReadings + 1) % kReadingsPerDay;
    int16_t x, y, z;
    m_Walk.Reading(m_nReadings, &x, &y, &z);
    return SensorStep::Reading(x, y, z);
}
