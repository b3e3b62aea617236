// The history view's page loaders: the period query, the scale and one chart point per slot.
#include <cstring>
#include <cwchar>

#include "screens/history/chart_layout.h"
#include "screens/history/log_screen.h"

namespace {

const int64_t kSecondsPerDay = 86400;

// Date text of the day `offset` days after the base date.
void DayAfter(const wchar_t* base, int offset, wchar_t out[12]) {
    int y = 0, m = 0, d = 0;
    ParseDateText(base, &y, &m, &d);
    CalendarRecord record{};
    record.tm_mday = d;
    record.tm_mon = m - 1;
    record.tm_year = y - 1900;
    const int64_t start = MakeLocalTime(&record);
    const CalendarRecord day = BreakLocalTime(start + offset * kSecondsPerDay);
    swprintf(out, 12, L"%04d-%02d-%02d", day.tm_year + 1900, day.tm_mon + 1, day.tm_mday);
}

void TodayText(wchar_t out[12], bool monthOnly) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (monthOnly)
        swprintf(out, 12, L"%04d-%02d", now.wYear, now.wMonth);
    else
        swprintf(out, 12, L"%04d-%02d-%02d", now.wYear, now.wMonth, now.wDay);
}

}  // namespace

void CLogScreen::ClearLogData() {
    m_Query.ClearLogData();
    m_nPageSteps = 0;
    m_dPageKCal = 0;
    m_dPageDistance = 0;
    std::memset(m_szMonthLabel, 0, sizeof(m_szMonthLabel));
    ClearPointBlock();
}

void CLogScreen::ClearPointBlock() {
    std::memset(&m_Points, 0, sizeof(m_Points));
}

void CLogScreen::ChooseScale() {
    if (m_nCategory == 2)
        m_nScaleStep = GetAmountScale(m_Query.m_dMaxKCal, 2);
    else if (m_nCategory == 3)
        m_nScaleStep = GetAmountScale(m_Query.m_dMaxDistance, 3);
    else
        m_nScaleStep = GetStepsScale(m_Query.m_nMaxSteps);
    FillChartGrid(m_nScaleStep, m_nTick, m_nTickY);
}

void CLogScreen::MergeSlots(int n, const wchar_t* const* labels, const int32_t* columns) {
    int j = 0;
    for (int i = 0; i < n && i < 12; ++i) {
        m_nPointX[i] = columns[i];
        m_nPointY[i] = kChartBaseY;
        swprintf(m_szPointLabel[i], 12, L"%ls", labels[i]);
        if (j >= CHistoryQueries::kMaxLogInfo || wcscmp(m_Query.m_LogInfo[j].szDate, labels[i]) != 0)
            continue;
        const LogInfo& entry = m_Query.m_LogInfo[j++];
        double value = 0;
        if (m_nCategory == 2) {
            m_dPointKCal[i] = _wtoi(entry.szCalorie) * 0.01;
            value = m_dPointKCal[i];
        } else if (m_nCategory == 3) {
            m_dPointDistance[i] = _wtoi(entry.szDistance) * 0.01;
            value = m_dPointDistance[i];
        } else {
            m_nPointSteps[i] = _wtoi(entry.szSteps);
            value = m_nPointSteps[i];
        }
        m_nPointY[i] = ChartPointRow(value, m_nTick, m_nTickY, m_nScaleStep);
    }
}

void CLogScreen::RefreshMonthWeeks(int32_t year, int32_t month) {
    m_MonthWeeks = BuildMonthWeeks(year, month);
    int y = 0, m = 0, d = 0;
    if (m_MonthWeeks.weekStart[0] == 0) {
        GetFirstWeekStart(year, month, &y, &m, &d);
        m_MonthWeeks.weekStart[0] = d;
        m_MonthWeeks.year = y;
        m_MonthWeeks.month = m;
    } else if (m_MonthWeeks.nWeeks >= 0 && m_MonthWeeks.nWeeks < 6) {
        GetLastWeekStart(year, month, &y, &m, &d);
        m_MonthWeeks.weekStart[m_MonthWeeks.nWeeks] = d;
        m_MonthWeeks.endYear = y;
        m_MonthWeeks.endMonth = m;
    }
}

void CLogScreen::WeekBase(wchar_t base[12], int* a) const {
    const int index = nDispWeek >= 1 && nDispWeek <= 6 ? nDispWeek - 1 : 0;
    *a = m_MonthWeeks.weekStart[index];
    // Week 1 starts on the 1st to 3rd of this month or on a day of the month before (the 25th at
    // the earliest: 1 March of a common year on a Thursday).
    if (nDispWeek == 1 && *a > 7)
        swprintf(base, 12, L"%04d-%02d-01", m_MonthWeeks.year, m_MonthWeeks.month);
    else
        swprintf(base, 12, L"%04d-%02d-01", m_nYear, m_nMonth);
}

void CLogScreen::LoadWeekPage() {
    wchar_t base[12];
    int a = 0;
    WeekBase(base, &a);
    m_Query.QueryWeekDays(base, a, a + 6);
    GetWeekDayLabels(base, a, m_Query.m_szDayLabels);
    ClearPointBlock();
    ChooseScale();
    const wchar_t* labels[7];
    int32_t columns[7];
    for (int i = 0; i < 7; ++i) {
        labels[i] = m_Query.m_szDayLabels[i];
        columns[i] = 86 + 53 * i;
    }
    MergeSlots(7, labels, columns);
}

void CLogScreen::LoadMonthPage() {
    RefreshMonthWeeks(m_nYear, m_nMonth);
    m_Query.m_nYear = m_nYear;
    m_Query.m_nMonth = m_nMonth;
    wchar_t monthText[16];
    swprintf(monthText, 16, L"%04d-%02d", m_nYear, m_nMonth);
    m_Query.QueryMonthWeeks(monthText);
    m_Query.SetWeekLabels();
    ClearPointBlock();
    ChooseScale();
    const wchar_t* labels[6];
    int32_t columns[6];
    const int n = m_Query.nDiff;
    for (int i = 0; i < n; ++i) {
        labels[i] = m_Query.m_szWeekLabels[i];
        columns[i] = 86 + i * (n == 4 ? 91 : 68);
    }
    MergeSlots(n, labels, columns);
}

void CLogScreen::LoadYearPage() {
    m_Query.QueryYearMonths(m_szYearPage);
    for (int i = 0; i < 12; ++i) swprintf(m_szMonthLabel[i], 3, L"%d", i + 1);
    ClearPointBlock();
    ChooseScale();
    const wchar_t* labels[12];
    int32_t columns[12];
    for (int i = 0; i < 12; ++i) {
        labels[i] = m_szMonthLabel[i];
        columns[i] = 86 + 27 * i;
    }
    MergeSlots(12, labels, columns);
}

int32_t CLogScreen::SlotCount() const {
    if (m_nPeriod == 1) return m_Query.nDiff;
    return m_nPeriod == 2 ? 12 : 7;
}

int32_t CLogScreen::DrawnPointCount() const {
    const int n = SlotCount();
    wchar_t today[12];
    wchar_t slot[12];
    int m = 0;
    if (m_nPeriod == 0) {
        wchar_t base[12];
        int a = 0;
        WeekBase(base, &a);
        TodayText(today, false);
        for (; m < n; ++m) {
            DayAfter(base, a - 1 + m, slot);
            if (!CompareDates(today, slot, false)) break;
        }
    } else if (m_nPeriod == 1) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        if (m_nYear < now.wYear) return n;
        if (m_nYear > now.wYear) return 0;
        TodayText(today, false);
        for (; m < n && m < 6; ++m) {
            const bool before = m == 0;
            swprintf(slot, 12, L"%04d-%02d-%02d", before ? m_MonthWeeks.year : m_nYear,
                     before ? m_MonthWeeks.month : m_nMonth, m_MonthWeeks.weekStart[m]);
            if (!CompareDates(today, slot, false)) break;
        }
    } else {
        TodayText(today, true);
        for (; m < n; ++m) {
            swprintf(slot, 12, L"%04d-%02d", m_nYear, m + 1);
            if (!CompareDates(today, slot, true)) break;
        }
    }
    return m;
}
