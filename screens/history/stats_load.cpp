#include "screens/history/stats_load.h"

StatsView LoadStatsView(const CStatsQueries& query, const StatsPage& page, int32_t today, int32_t goal,
                        bool english) {
    StatsView view;
    std::vector<StatsDay> days;
    // A failed read shows the empty state rather than half the figures.
    if (!query.LoadDays(today, &days)) days.clear();
    view.figures = ComputeStatsFigures(days, page, today, goal);
    StatsRowInput input;
    input.pszTitle = page.szTitle;
    input.bEnglish = english;
    input.nGoal = goal;
    input.bHasHours = query.HasHours();
    if (input.bHasHours && view.figures.nDaysElapsed > 0) {
        const StatsRange range = StatsPeriodRange(page);
        input.nBusiestHour = query.BusiestHour({range.nFirst, range.nFirst + view.figures.nDaysElapsed - 1});
    }
    view.rows = BuildStatsRows(view.figures, input);
    return view;
}
