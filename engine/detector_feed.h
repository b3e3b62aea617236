// The rules between a sensor reading and the step detector during a workout, in one place so
// that the engine and the replay tool (movimetra-stepcount) count alike:
// - each reading goes to the detector with the time since the previous one, as 16 bits of
//   milliseconds;
// - a resume from suspend makes the detector start afresh;
// - once more than 15 s have passed without a step since the workout began or since the last
//   step, the detector starts afresh, once until the next step.
// Plain logic over the detector; no platform calls.
#pragma once

#include <cstdint>

#include "engine/step_detector.h"

class CDetectorFeed {
public:
    struct Outcome {
        bool bNewStep;      // the step count differs from the one shown before
        bool bIdleRestart;  // the idle rule restarted the detector (the engine leaves unattended mode)
    };

    // A workout begins: no idle time yet, the idle rule armed.
    void Start();
    // One reading, intervalMs after the previous one (or the start). shownSteps is the count
    // last taken from the detector; *info receives the detector's totals after the reading.
    Outcome Feed(const AccelSample& sample, uint32_t intervalMs, bool resumed, int32_t shownSteps,
                 StepInfo* info);

private:
    uint32_t m_nIdleMs = 0;
    bool m_bIdleRestartArmed = false;
};
