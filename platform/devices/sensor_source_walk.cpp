#include "platform/devices/sensor_source_walk.h"

#include <cmath>

namespace {

const double kCadenceHz = 1.8;
const double kAmplitude = 4.0;

int16_t ToRaw(double v) {
    double r = std::lround(v);
    if (r > 32767) r = 32767;
    if (r < -32768) r = -32768;
    return static_cast<int16_t>(r);
}

}  // namespace

CWalkSensorSource::CWalkSensorSource() : m_nReadings(0), m_bWaited(false) {}

SensorStep CWalkSensorSource::Next() {
    if (!m_bWaited) {
        m_bWaited = true;
        return SensorStep::Wait(kSensorPeriodMs);
    }
    m_bWaited = false;
    ++m_nReadings;
    // Time of this reading in seconds; wraps after a day so that the phase stays precise.
    double t = static_cast<double>(m_nReadings % (24L * 3600L * 1000L / static_cast<long>(kSensorPeriodMs))) *
               kSensorPeriodMs / 1000.0;
    double phi = 2.0 * M_PI * kCadenceHz * t;
    return SensorStep::Reading(ToRaw(350.0 * kAmplitude * std::sin(phi + 0.7)),
                               ToRaw(9800.0 + 1000.0 * kAmplitude * std::sin(phi)),
                               ToRaw(500.0 * kAmplitude * std::sin(phi / 2.0 + 0.3)));
}
