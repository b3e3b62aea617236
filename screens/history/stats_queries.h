// The statistics view's reads: the stored days up to today in one grouped query, and the
// period's busiest hour where the database keeps hours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/history/stats_figures.h"

struct sqlite3;

class CStatsQueries {
public:
    void SetDbHandle(sqlite3* db) { m_pDb = db; }

    // Every stored day up to `today`, each the sum of its rows, in order; rows whose date is not
    // a date are left out. False when the query failed.
    bool LoadDays(int32_t today, std::vector<StatsDay>* days) const;
    // Whether the database keeps steps by hour.
    bool HasHours() const;
    // The hour (0-23) with the most steps over the days of `range`; -1 when none has a step.
    int32_t BusiestHour(const StatsRange& range) const;

    // "YYYY-MM-DD" of a day number.
    static std::string DateText(int32_t dayNumber);

private:
    sqlite3* m_pDb = nullptr;
};
