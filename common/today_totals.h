// Today's stored totals, read from the newest row of the day and handed to the engine
// with UM_SELECT_TODAY.
#pragma once

#include <cstdint>

struct TodayTotals {
    int32_t nSeconds;
    int32_t nSteps;
    double dKcal;
    double dDistance;
};
