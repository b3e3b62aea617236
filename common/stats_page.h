// What the history hands to the statistics view when its total bubble is tapped: the page's
// period (kind and date), its category and its title.
#pragma once

#include <cstdint>

enum StatsPeriodKind : int32_t {
    STATS_WEEK = 0,   // Sunday to Saturday
    STATS_MONTH = 1,  // a calendar month
    STATS_YEAR = 2,   // a calendar year
    STATS_DAY = 3,
};

struct StatsPage {
    int32_t nKind;
    // The first day of the period (a week's Sunday, a month's or year's 1st).
    int32_t nYear;
    int32_t nMonth;  // 1-12
    int32_t nDay;    // 1-31
    int32_t nCategory;
    wchar_t szTitle[100];
};
