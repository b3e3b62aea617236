// The statistics view's figures: one pass over the stored days.
#include "screens/history/stats_figures.h"

#include <algorithm>
#include <cmath>

#include "screens/history/date_utils.h"

int32_t StatsDayNumber(int32_t year, int32_t month, int32_t day) {
    // Days from the civil calendar, counted in 400-year eras that begin on March 1st.
    year -= month <= 2 ? 1 : 0;
    const int32_t era = (year >= 0 ? year : year - 399) / 400;
    const int32_t yearOfEra = year - era * 400;
    const int32_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int32_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void StatsDateOf(int32_t dayNumber, int32_t* year, int32_t* month, int32_t* day) {
    const int32_t z = dayNumber + 719468;
    const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int32_t dayOfEra = z - era * 146097;
    const int32_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int32_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int32_t mp = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * mp + 2) / 5 + 1;
    *month = mp < 10 ? mp + 3 : mp - 9;
    *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

bool StatsParseDate(const char* text, int32_t* dayNumber) {
    if (text == nullptr) return false;
    int32_t parts[3] = {};
    const int widths[3] = {4, 2, 2};
    const char* p = text;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && *p++ != '-') return false;
        for (int k = 0; k < widths[i]; ++k, ++p) {
            if (*p < '0' || *p > '9') return false;
            parts[i] = parts[i] * 10 + (*p - '0');
        }
    }
    if (*p != '\0' || parts[0] < 1) return false;
    if (parts[2] < 1 || parts[2] > GetDaysInMonth(parts[0], parts[1])) return false;
    *dayNumber = StatsDayNumber(parts[0], parts[1], parts[2]);
    return true;
}

namespace {

StatsRange MonthRange(int32_t year, int32_t month) {
    return {StatsDayNumber(year, month, 1), StatsDayNumber(year, month, GetDaysInMonth(year, month))};
}

StatsRange YearRange(int32_t year) {
    return {StatsDayNumber(year, 1, 1), StatsDayNumber(year, 12, 31)};
}

}  // namespace

StatsRange StatsPeriodRange(const StatsPage& page) {
    const int32_t first = StatsDayNumber(page.nYear, page.nMonth, page.nDay);
    switch (page.nKind) {
        case STATS_WEEK:
            return {first, first + 6};
        case STATS_MONTH:
            return MonthRange(page.nYear, page.nMonth);
        case STATS_YEAR:
            return YearRange(page.nYear);
        default:
            return {first, first};
    }
}

StatsRange StatsPreviousRange(const StatsPage& page) {
    const StatsRange range = StatsPeriodRange(page);
    switch (page.nKind) {
        case STATS_WEEK:
            return {range.nFirst - 7, range.nLast - 7};
        case STATS_MONTH:
            return page.nMonth > 1 ? MonthRange(page.nYear, page.nMonth - 1) : MonthRange(page.nYear - 1, 12);
        case STATS_YEAR:
            return YearRange(page.nYear - 1);
        default:
            return {range.nFirst - 1, range.nFirst - 1};
    }
}

StatsFigures ComputeStatsFigures(const std::vector<StatsDay>& days, const StatsPage& page, int32_t today,
                                 int32_t goal) {
    StatsFigures f;
    const StatsRange range = StatsPeriodRange(page);
    const int32_t lastSeen = std::min(range.nLast, today);
    f.nDaysElapsed = std::max(0, lastSeen - range.nFirst + 1);
    // The previous period over as many days as this one has had so far.
    const StatsRange previous = StatsPreviousRange(page);
    const int32_t previousLast = std::min(previous.nLast, previous.nFirst + f.nDaysElapsed - 1);
    int64_t previousSteps = 0;

    int32_t run = 0;
    int32_t runFirst = -1;
    int32_t lastQualified = INT32_MIN;
    for (const StatsDay& d : days) {
        if (d.nDay > today) continue;
        if (f.nFirstDay == kNoDay || d.nDay < f.nFirstDay) f.nFirstDay = d.nDay;
        f.nTotalSteps += d.nSteps;
        f.dTotalDistance += d.dDistance;
        if (d.nSteps > 0 && d.nSteps > f.nRecordSteps) {
            f.nRecordSteps = d.nSteps;
            f.nRecordDay = d.nDay;
        }
        if (d.nDay >= range.nFirst && d.nDay <= lastSeen) {
            f.nSteps += d.nSteps;
            f.dKCal += d.dKCal;
            f.dDistance += d.dDistance;
            if (d.nSteps > 0) ++f.nDaysWalked;
            if (goal > 0 && d.nSteps >= goal) ++f.nGoalDays;
            if (d.nSteps > 0 && d.nSteps > f.nBestSteps) {
                f.nBestSteps = d.nSteps;
                f.nBestDay = d.nDay;
            }
        }
        if (d.nDay >= previous.nFirst && d.nDay <= previousLast) previousSteps += d.nSteps;

        // Streaks: runs of consecutive qualifying days. Today below the goal does not end one:
        // the day is not over.
        const bool qualifies = goal > 0 ? d.nSteps >= goal : d.nSteps > 0;
        if (qualifies) {
            if (run > 0 && lastQualified == d.nDay - 1) {
                ++run;
            } else {
                run = 1;
                runFirst = d.nDay;
            }
            lastQualified = d.nDay;
            if (run >= f.nLongestStreak) {
                f.nLongestStreak = run;
                f.nLongestFirst = runFirst;
                f.nLongestLast = d.nDay;
            }
        } else if (d.nDay != today) {
            run = 0;
        }
    }
    if (run > 0 && (lastQualified == today || lastQualified == today - 1)) {
        f.nCurrentStreak = run;
        f.nCurrentFirst = runFirst;
    }

    if (f.nDaysElapsed > 0)
        f.nAverage = static_cast<int64_t>(std::llround(double(f.nSteps) / f.nDaysElapsed));
    if (f.nDaysElapsed > 0 && previousSteps > 0) {
        f.bHasChange = true;
        const double percent = (double(f.nSteps) - double(previousSteps)) * 100.0 / double(previousSteps);
        f.nChangePercent = static_cast<int64_t>(std::llround(std::clamp(percent, -1e15, 1e15)));
    }
    return f;
}
