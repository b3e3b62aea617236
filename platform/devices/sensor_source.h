// Sources of the sensor service: each yields a sequence of steps, either "wait this long on the
// platform clock" or "deliver this reading". The service's thread does the waiting and the
// delivering, so a source is plain logic that tests can drive step by step.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win_types.h"

struct SensorStep {
    enum Kind { kWait, kReading, kEnd };
    Kind eKind;
    DWORD nWaitMs;  // kWait
    int16_t x;      // kReading: raw signed 16-bit readings
    int16_t y;
    int16_t z;
    DWORD nAgeMs;  // kReading: how long ago it was taken (readings read in batches)

    static SensorStep Wait(DWORD ms) { return SensorStep{kWait, ms, 0, 0, 0, 0}; }
    static SensorStep Reading(int16_t x, int16_t y, int16_t z, DWORD ageMs = 0) {
        return SensorStep{kReading, 0, x, y, z, ageMs};
    }
    static SensorStep End() { return SensorStep{kEnd, 0, 0, 0, 0, 0}; }
};

class CSensorSource {
public:
    virtual ~CSensorSource() = default;
    // The next step. After kEnd the source keeps answering kEnd.
    virtual SensorStep Next() = 0;
    // The longest a reading may wait before it is delivered. A source that reads in batches reads
    // about that often (and has its device keep as much); the others deliver each reading as it
    // comes and ignore it.
    virtual void SetLatency(DWORD ms) {}
    // Whether readings taken may wait in the source (it reads in batches).
    virtual bool Batches() const { return false; }
    // The next step reads what was taken until now rather than waiting for the batch.
    virtual void Flush() {}
    // No readings are wanted for a while (the sensor stopped, the program ends): a device that
    // captures on its own stops doing so. The next step takes it up again.
    virtual void Pause() {}
};

// Opens the source a setting names ("iio[:PATH]", "replay:FILE", "walk", "none"; empty: the
// default, see mv_sensor.h). Returns null and the reason in *error for a bad setting; "none"
// (chosen, or the default without an accelerometer) returns null with an empty *error.
std::unique_ptr<CSensorSource> MvOpenSensorSource(const std::string& setting, std::string* error);

// Writes one line about the sensor to stderr.
void MvSensorReport(const std::string& message);

// Period of the readings the program expects.
const DWORD kSensorPeriodMs = 60;
