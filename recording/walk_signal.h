// The synthetic walker: a steady cadence with motion on all three axes, sampled at a fixed
// interval. The "walk" sensor source delivers it; movimetra-make-recording writes it, for
// sample recordings, tests and benchmarks.
#pragma once

#include <cstdint>

struct WalkSignal {
    double dFrequency = 1.8;  // cycles per second
    double dAmplitude = 4.0;
    int nIntervalMs = 60;

    // Raw signed readings of sample k (counted from 1), rounded half away from zero and
    // limited to the signed 16-bit range.
    void Reading(long k, int16_t* x, int16_t* y, int16_t* z) const;
};
