// One consistent copy of the engine's counters and today's stored sums, taken under the
// engine's lock for the saving thread.
#pragma once

#include <cstdint>

struct EngineCounters {
    int32_t nRunState;
    int32_t iStepCount;
    double dCalories;
    double dTotalDistance;
    uint32_t nElapsed;
    int32_t sumStep;
    double sumKCal;
    double sumDistance;
    int32_t sumHMS;
    // Local date (yyyymmdd) to which these totals belong; 0 when no day's totals are known yet.
    int32_t nDay;
    // Local hour (0-23) in which what was counted since the last save was counted; -1: the
    // clock's hour at the save.
    int32_t nHour;
};
