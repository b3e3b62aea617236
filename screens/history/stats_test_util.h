// The statistics tests' dates: the day number of a "YYYY-MM-DD" text (a failed expectation when
// it is not a date).
#pragma once

#include <gtest/gtest.h>

#include "screens/history/stats_figures.h"

inline int32_t Day(const char* date) {
    int32_t day = kNoDay;
    EXPECT_TRUE(StatsParseDate(date, &day)) << date;
    return day;
}
