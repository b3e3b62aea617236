// The statistics view's texts: its figures as labelled rows in Korean or English, numbers grouped
// by thousands, distance in km with one decimal, kcal whole, "—" where there is no day to name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screens/history/stats_figures.h"

struct StatsRow {
    bool bHeading = false;
    std::wstring sLabel;
    std::wstring sValue;
    std::wstring sDetail;  // a second, smaller line under the value (dates); may be empty
};

// What the rows are made of besides the figures.
struct StatsRowInput {
    const wchar_t* pszTitle = L"";  // the history page's title
    bool bEnglish = false;
    int32_t nGoal = 0;          // steps, 0 for none
    bool bHasHours = false;     // the database keeps steps by hour
    int32_t nBusiestHour = -1;  // -1: no hour with a step
};

std::vector<StatsRow> BuildStatsRows(const StatsFigures& f, const StatsRowInput& input);

// The pieces, for the rows and their tests.
std::wstring StatsGrouped(int64_t value);
std::wstring StatsKilometres(double metres);
std::wstring StatsDate(int32_t dayNumber, bool english);
std::wstring StatsChange(const StatsFigures& f);
