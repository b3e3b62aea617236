// Everything the statistics view shows for a page, read and computed in one call: the work
// of opening the view (its benchmark measures this).
#pragma once

#include <vector>

#include "screens/history/stats_queries.h"
#include "screens/history/stats_rows.h"

struct StatsView {
    StatsFigures figures;
    std::vector<StatsRow> rows;
};

StatsView LoadStatsView(const CStatsQueries& query, const StatsPage& page, int32_t today, int32_t goal,
                        bool english);
