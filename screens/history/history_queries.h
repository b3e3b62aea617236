// The history data of the week, month and year pages: one aggregate query per page over the
// pedometer table, turned into period entries and the running statistics of the chart's scale.
// kcal and distance are carried multiplied by 100, as whole numbers.
#pragma once

#include <cstdint>

#include "screens/history/date_utils.h"
#include "store/db_helper.h"

// One chart point: the period's label and its three totals as decimal texts.
struct LogInfo {
    wchar_t szDate[12];
    wchar_t szSteps[20];
    wchar_t szCalorie[20];
    wchar_t szDistance[20];
};

// One day row of the month query with the week it belongs to.
struct LogMonthInfo {
    wchar_t szDate[12];
    wchar_t szWeek[10];
    wchar_t szSteps[20];
    wchar_t szCalorie[20];
    wchar_t szDistance[20];
};

class CHistoryQueries {
public:
    static const int kMaxLogInfo = 50;
    static const int kMaxMonthRows = 300;

    CHistoryQueries();

    void SetDbHandle(sqlite3* db) { m_DbHelper.SetHandle(db); }

    // Empties the entries, all labels and the six statistics (nDiff is kept).
    void ClearLogData();
    // Days a ... b counted from base ('YYYY-MM-01', day 1 = base). 1 when rows became entries.
    int QueryWeekDays(const wchar_t* base, int a, int b);
    // The weeks of the displayed month 'YYYY-MM', as described by m_MonthWeeks.
    int QueryMonthWeeks(const wchar_t* monthText);
    // nDiff and the week labels of the month page.
    void SetWeekLabels();
    // The months of the year 'YYYY'.
    int QueryYearMonths(const wchar_t* yearText);

    // The data of the page, read by the chart and the history view.
    LogInfo m_LogInfo[kMaxLogInfo];
    wchar_t m_szDayLabels[7][12];
    wchar_t m_szWeekLabels[6][4];
    wchar_t m_szMonthLabels[12][3];
    int32_t nDiff = 0;
    int32_t m_nMaxSteps = 0;
    int32_t m_nSumSteps = 0;
    double m_dMaxKCal = 0;
    double m_dSumKCal = 0;
    double m_dMaxDistance = 0;
    double m_dSumDistance = 0;

    // Inputs kept by the history view.
    int32_t m_nYear = 0;
    int32_t m_nMonth = 0;
    MonthWeeks m_MonthWeeks{};

private:
    // Adds one entry's values (whole-number parts of its texts) to the statistics.
    void AddToStatistics(const LogInfo& entry);

    CDbHelper m_DbHelper;
};
