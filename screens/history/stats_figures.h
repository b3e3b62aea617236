// The figures of the statistics view, computed from the stored days without the screen: the
// period's totals, average, walked days, best day and change against the previous period, and
// all time's record, totals and streaks. Days are numbered consecutively (StatsDayNumber).
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "common/stats_page.h"

// No day (day numbers before 1970 are negative, so -1 is a day).
constexpr int32_t kNoDay = INT32_MIN;

// Day number of a calendar date (0 = 1970-01-01; earlier dates are negative), and back.
int32_t StatsDayNumber(int32_t year, int32_t month, int32_t day);
void StatsDateOf(int32_t dayNumber, int32_t* year, int32_t* month, int32_t* day);
// Reads "YYYY-MM-DD" exactly (a real date); false for anything else.
bool StatsParseDate(const char* text, int32_t* dayNumber);

// One day: the sum of its rows.
struct StatsDay {
    int32_t nDay;
    int64_t nSteps;
    double dKCal;
    double dDistance;  // metres
};

// The days [nFirst, nLast] of a period.
struct StatsRange {
    int32_t nFirst;
    int32_t nLast;
};

// The period a page shows, and the one before it of the same kind.
StatsRange StatsPeriodRange(const StatsPage& page);
StatsRange StatsPreviousRange(const StatsPage& page);

struct StatsFigures {
    // The period, up to today.
    int64_t nSteps = 0;
    double dKCal = 0;
    double dDistance = 0;
    int32_t nDaysElapsed = 0;   // the period's days up to today
    int32_t nDaysWalked = 0;    // of those, days with at least one step
    int64_t nAverage = 0;       // steps per elapsed day, rounded
    int32_t nBestDay = kNoDay;  // no day with a step
    int64_t nBestSteps = 0;
    bool bHasChange = false;  // false: the previous period had nothing to compare with
    int64_t nChangePercent = 0;
    int32_t nGoalDays = 0;
    // All time, up to today.
    int32_t nRecordDay = kNoDay;
    int64_t nRecordSteps = 0;
    int64_t nTotalSteps = 0;
    double dTotalDistance = 0;
    int32_t nFirstDay = kNoDay;  // the first day with a row
    // Streaks of days at the goal (or of walked days without a goal).
    int32_t nCurrentStreak = 0;
    int32_t nCurrentFirst = kNoDay;
    int32_t nLongestStreak = 0;
    int32_t nLongestFirst = kNoDay;
    int32_t nLongestLast = kNoDay;
};

// `days`: every stored day up to today, in order, one entry per day. `goal` 0: none.
StatsFigures ComputeStatsFigures(const std::vector<StatsDay>& days, const StatsPage& page, int32_t today,
                                 int32_t goal);
