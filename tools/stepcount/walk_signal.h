// The synthetic walker used for sample recordings, tests and benchmarks: a steady cadence
// with motion on all three axes, sampled every 60 ms.
#pragma once

#include <cmath>
#include <cstdint>

struct WalkSignal {
    double dFrequency = 1.8;  // cycles per second
    double dAmplitude = 4.0;
    int nIntervalMs = 60;

    // Raw signed readings of sample k (counted from 1), rounded half away from zero.
    void Reading(long k, int16_t* x, int16_t* y, int16_t* z) const {
        const double t = (nIntervalMs / 1000.0) * static_cast<double>(k);
        const double phi = 2 * M_PI * dFrequency * t;
        *x = Clamp(std::lround(350 * dAmplitude * std::sin(phi + 0.7)));
        *y = Clamp(std::lround(9800 + 1000 * dAmplitude * std::sin(phi)));
        *z = Clamp(std::lround(500 * dAmplitude * std::sin(phi / 2 + 0.3)));
    }

private:
    static int16_t Clamp(long v) {
        return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v));
    }
};
