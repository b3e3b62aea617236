// The synthetic walker (recording/walk_signal.h) as a source: 1.8 steps per second, a reading
// every 60 ms.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include "platform/devices/sensor_source.h"
#include "recording/walk_signal.h"

class CWalkSensorSource : public CSensorSource {
public:
    CWalkSensorSource();
    SensorStep Next() override;

private:
    WalkSignal m_Walk;
    long m_nReadings;  // readings delivered so far, modulo a day of readings
    bool m_bWaited;
};
