#include "recording/walk_signal.h"

#include <cmath>

namespace {

int16_t ToRaw(double v) {
    long r = std::lround(v);
    return static_cast<int16_t>(r < -32768 ? -32768 : (r > 32767 ? 32767 : r));
}

}  // namespace

void WalkSignal::Reading(long k, int16_t* x, int16_t* y, int16_t* z) const {
    const double t = (nIntervalMs / 1000.0) * static_cast<double>(k);
    const double phi = 2 * M_PI * dFrequency * t;
    *x = ToRaw(350 * dAmplitude * std::sin(phi + 0.7));
    *y = ToRaw(9800 + 1000 * dAmplitude * std::sin(phi));
    *z = ToRaw(500 * dAmplitude * std::sin(phi / 2 + 0.3));
}
