// The three page queries of the history view and the statistics of the chart's scale.
#include "screens/history/history_queries.h"

#include <climits>
#include <cwchar>
#include <string>
#include <vector>

#include "store/store_text.h"

namespace {

const int kStatementSize = 1024;
const int kColumns = 4;

// A text placed between quotes in a statement: quotes are doubled so that the text stays one
// literal whatever it holds.
std::wstring QuoteSafe(const wchar_t* text) {
    std::wstring out;
    for (const wchar_t* p = text ? text : L""; *p; ++p) {
        out.push_back(*p);
        if (*p == L'\'') out.push_back(L'\'');
    }
    return out;
}

// Whole-number part of a decimal text ("1234", "1234.0", "-5.5"); 0 for none or "(null)".
double WholeNumber(const std::wstring& text) {
    const std::wstring& value = StoreNullAsEmpty(text);
    size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == L'-' || value[i] == L'+')) negative = value[i++] == L'-';
    double whole = 0;
    for (; i < value.size() && value[i] >= L'0' && value[i] <= L'9'; ++i)
        whole = whole * 10 + (value[i] - L'0');
    return negative ? -whole : whole;
}

int32_t ClampToInt32(double value) {
    if (value >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    if (value <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t SaturatingAdd(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

// Runs a select; the rows' column texts ("(null)" as empty), or false when the statement failed
// to prepare, found no row or has too few columns.
bool RunSelect(CDbHelper& helper, const wchar_t* statement, std::vector<std::wstring>* texts, int* rows) {
    SqlResult result{};
    if (!helper.ExecuteSql(SQL_SELECT, statement, *texts, &result)) return false;
    if (result.nColumns < kColumns || texts->empty()) return false;
    *rows = static_cast<int>(texts->size() / static_cast<size_t>(result.nColumns));
    if (*rows == 0) return false;
    // Keep exactly the four columns per row.
    if (result.nColumns != kColumns) {
        std::vector<std::wstring> kept;
        for (int r = 0; r < *rows; ++r)
            for (int c = 0; c < kColumns; ++c) kept.push_back((*texts)[r * result.nColumns + c]);
        texts->swap(kept);
    }
    for (std::wstring& text : *texts) text = StoreNullAsEmpty(text);
    return true;
}

}  // namespace

CHistoryQueries::CHistoryQueries() {
    ClearLogData();
}

void CHistoryQueries::ClearLogData() {
    for (LogInfo& entry : m_LogInfo) entry = LogInfo{};
    for (auto& label : m_szDayLabels) label[0] = L'\0';
    for (auto& label : m_szWeekLabels) label[0] = L'\0';
    for (auto& label : m_szMonthLabels) label[0] = L'\0';
    m_nMaxSteps = 0;
    m_nSumSteps = 0;
    m_dMaxKCal = 0;
    m_dSumKCal = 0;
    m_dMaxDistance = 0;
    m_dSumDistance = 0;
}

void CHistoryQueries::AddToStatistics(const LogInfo& entry) {
    const int32_t steps = ClampToInt32(WholeNumber(entry.szSteps));
    const double kcal = WholeNumber(entry.szCalorie);
    const double distance = WholeNumber(entry.szDistance);
    if (steps > m_nMaxSteps) m_nMaxSteps = steps;
    m_nSumSteps = SaturatingAdd(m_nSumSteps, steps);
    if (kcal > m_dMaxKCal) m_dMaxKCal = kcal;
    m_dSumKCal += kcal;
    if (distance > m_dMaxDistance) m_dMaxDistance = distance;
    m_dSumDistance += distance;
}

int CHistoryQueries::QueryWeekDays(const wchar_t* base, int a, int b) {
    const std::wstring safeBase = QuoteSafe(base);
    wchar_t offsetA[32];
    wchar_t offsetB[32];
    swprintf(offsetA, 32, L"+%d day", a - 1);
    swprintf(offsetB, 32, L"+%d day", b - 1);
    wchar_t statement[kStatementSize];
    if (swprintf(statement, kStatementSize,
                 L"select substr(curdate,6,5), sum(steps), sum(kcal*100), sum(distance*100) "
                 L"\t\t\t\t\t\tfrom pedometer\t\t\t\t\t\t\twhere curdate >= date('%ls', '%ls')"
                 L"\t\t\t\t\t\t\tand curdate <= date('%ls', '%ls')\t\t\t\t\t\t\tgroup by curdate;",
                 safeBase.c_str(), offsetA, safeBase.c_str(), offsetB) < 0)
        return 0;

    std::vector<std::wstring> texts;
    int rows = 0;
    if (!RunSelect(m_DbHelper, statement, &texts, &rows)) return 0;
    for (int i = 0; i < rows && i < kMaxLogInfo; ++i) {
        LogInfo& entry = m_LogInfo[i];
        StoreCopyText(entry.szDate, 12, texts[i * kColumns]);
        StoreCopyText(entry.szSteps, 20, texts[i * kColumns + 1]);
        StoreCopyText(entry.szCalorie, 20, texts[i * kColumns + 2]);
        StoreCopyText(entry.szDistance, 20, texts[i * kColumns + 3]);
        AddToStatistics(entry);
    }
    return 1;
}

int CHistoryQueries::QueryYearMonths(const wchar_t* yearText) {
    const std::wstring safeYear = QuoteSafe(yearText);
    wchar_t statement[kStatementSize];
    if (swprintf(statement, kStatementSize,
                 L"select substr(curdate,6,2), sum(steps), sum(kcal*100) , sum(distance*100) "
                 L"\t\t\t\t\t\tfrom pedometer\t\t\t\t\t\t\twhere substr(curdate,1,4) = '%ls'"
                 L"\t\t\t\t\t\t\tgroup by substr(curdate,6,2);",
                 safeYear.c_str()) < 0)
        return 0;

    std::vector<std::wstring> texts;
    int rows = 0;
    if (!RunSelect(m_DbHelper, statement, &texts, &rows)) return 0;
    for (int i = 0; i < rows && i < kMaxLogInfo; ++i) {
        LogInfo& entry = m_LogInfo[i];
        swprintf(entry.szDate, 12, L"%d", ClampToInt32(WholeNumber(texts[i * kColumns])));
        StoreCopyText(entry.szSteps, 20, texts[i * kColumns + 1]);
        StoreCopyText(entry.szCalorie, 20, texts[i * kColumns + 2]);
        StoreCopyText(entry.szDistance, 20, texts[i * kColumns + 3]);
        AddToStatistics(entry);
    }
    return 1;
}

int CHistoryQueries::QueryMonthWeeks(const wchar_t* monthText) {
    const MonthWeeks& weeks = m_MonthWeeks;
    if (weeks.nWeeks < 1 || weeks.nWeeks > 6) return 0;

    // The Sunday of week 1; the view fills it in when week 1 begins before the 1st.
    int startYear = weeks.year, startMonth = weeks.month, startDay = weeks.weekStart[0];
    if (startDay <= 0) GetFirstWeekStart(weeks.year, weeks.month, &startYear, &startMonth, &startDay);
    wchar_t startDate[32];
    swprintf(startDate, 32, L"%04d-%02d-%02d", startYear, startMonth, startDay);
    const std::wstring safeMonth = QuoteSafe(monthText);
    wchar_t offset[32];
    swprintf(offset, 32, L"+%d day", weeks.weekStart[weeks.nWeeks - 1] + 5);
    wchar_t statement[kStatementSize];
    if (swprintf(statement, kStatementSize,
                 L"select curdate, sum(steps), sum(kcal*100), sum(distance*100) "
                 L"\t\t\t\t\t\tfrom pedometer\t\t\t\t\t\t\twhere curdate >= '%ls'"
                 L"\t\t\t\t\t\t\tand curdate <= date('%ls-01', '%ls')\t\t\t\t\t\t\tgroup by curdate;",
                 startDate, safeMonth.c_str(), offset) < 0)
        return 0;

    std::vector<std::wstring> texts;
    int rows = 0;
    if (!RunSelect(m_DbHelper, statement, &texts, &rows)) return 0;
    if (rows > kMaxMonthRows) rows = kMaxMonthRows;

    int shownYear = 0, shownMonth = 0;
    ParseDateText(monthText, &shownYear, &shownMonth, nullptr);
    std::vector<LogMonthInfo> days(static_cast<size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        LogMonthInfo& day = days[i];
        day = LogMonthInfo{};
        StoreCopyText(day.szDate, 12, texts[i * kColumns]);
        StoreCopyText(day.szSteps, 20, texts[i * kColumns + 1]);
        StoreCopyText(day.szCalorie, 20, texts[i * kColumns + 2]);
        StoreCopyText(day.szDistance, 20, texts[i * kColumns + 3]);
        // Days of the neighbouring months in the range belong to the first or the last week.
        int y = 0, m = 0, d = 0;
        ParseDateText(day.szDate, &y, &m, &d);
        int week;
        if (y * 12 + m < shownYear * 12 + shownMonth) {
            week = 1;
        } else if (y * 12 + m > shownYear * 12 + shownMonth) {
            week = weeks.nWeeks;
        } else {
            week = GetWeekOfMonth(y, m, d);
            if (week < 1) week = 1;
            if (week > weeks.nWeeks) week = weeks.nWeeks;
        }
        swprintf(day.szWeek, 10, L"%d", week);
    }

    if (rows == 1) {
        LogInfo& entry = m_LogInfo[0];
        StoreCopyText(entry.szDate, 12, days[0].szWeek);
        StoreCopyText(entry.szSteps, 20, days[0].szSteps);
        StoreCopyText(entry.szCalorie, 20, days[0].szCalorie);
        StoreCopyText(entry.szDistance, 20, days[0].szDistance);
        m_nMaxSteps = m_nSumSteps = ClampToInt32(WholeNumber(entry.szSteps));
        m_dMaxKCal = m_dSumKCal = WholeNumber(entry.szCalorie);
        m_dMaxDistance = m_dSumDistance = WholeNumber(entry.szDistance);
        return 1;
    }

    // Consecutive days of one week become one entry.
    int next = 0;
    for (int i = 0; i < rows && next < kMaxLogInfo;) {
        double steps = 0, kcal = 0, distance = 0;
        int j = i;
        for (; j < rows && wcscmp(days[j].szWeek, days[i].szWeek) == 0; ++j) {
            steps += WholeNumber(days[j].szSteps);
            kcal += WholeNumber(days[j].szCalorie);
            distance += WholeNumber(days[j].szDistance);
        }
        LogInfo& entry = m_LogInfo[next++];
        StoreCopyText(entry.szDate, 12, days[i].szWeek);
        swprintf(entry.szSteps, 20, L"%d", ClampToInt32(steps));
        StoreCopyText(entry.szCalorie, 20, StoreHundredths(kcal));
        StoreCopyText(entry.szDistance, 20, StoreHundredths(distance));
        AddToStatistics(entry);
        i = j;
    }
    return 1;
}

void CHistoryQueries::SetWeekLabels() {
    nDiff = m_MonthWeeks.nWeeks < 5 ? m_MonthWeeks.nWeeks : 5;
    if (nDiff < 0) nDiff = 0;
    for (int i = 0; i < nDiff; ++i) swprintf(m_szWeekLabels[i], 4, L"%d", i + 1);
}
