// A synthetic walker: a steady cadence of 1.8 steps per second, a reading every 60 ms.
#pragma once

#include "platform/devices/sensor_source.h"

class CWalkSensorSource : public CSensorSource {
public:
    CWalkSensorSource();
    SensorStep Next() override;

private:
    long m_nReadings;  // readings delivered so far
    bool m_bWaited;
};
