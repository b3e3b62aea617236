// The history view's day page: reached by a tap on a week page's day column, it shows that day's
// steps, kilocalories or distance by the hour as bars, steps one day at a time with the arrows,
// and says so when the day has no hours stored (recorded before hours were kept, or imported).
#include <sqlite3.h>

#include <climits>
#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "common/messages.h"
#include "screens/history/chart_layout.h"
#include "screens/history/date_utils.h"
#include "screens/history/log_screen.h"

namespace {

// Week page slots: the column centre of day i, and how far from it a tap still means that day.
const int kWeekSlotCentre = 96;
const int kWeekSlotPitch = 53;
const int kWeekSlotReach = 26;
const int kChartTop = 211;
// Hour bars: centre of hour 0, pitch, width.
const int kHourCentre = 96;
const int kHourPitch = 15;
const int kHourBarWidth = 11;
const COLORREF kBarColor = RGB(0, 160, 212);  // the chart's line colour
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(128, 128, 128);
// Korean first, then English.
const wchar_t* const kNoHours[2] = {L"이 날의 시간별 기록이 없습니다", L"No hourly record for this day"};
const wchar_t* const kHourUnit[2] = {L"(시)", L"(Hour)"};

int HourCentre(int hour) {
    return kHourCentre + kHourPitch * hour;
}

}  // namespace

bool CLogScreen::DayColumnAt(int x, int y, int* slot) const {
    if (m_nPeriod != 0 || y < kChartTop || y > kChartBaseY) return false;
    if (x >= m_rcBubble.left && x < m_rcBubble.right && y >= m_rcBubble.top && y < m_rcBubble.bottom)
        return false;
    const int offset = x - kWeekSlotCentre + kWeekSlotReach;
    if (offset < 0) return false;
    const int i = offset / kWeekSlotPitch;
    if (i > 6 || x > kWeekSlotCentre + kWeekSlotPitch * i + kWeekSlotReach) return false;
    *slot = i;
    return true;
}

void CLogScreen::OpenDayOfWeekSlot(int slot) {
    wchar_t base[12];
    int a = 0;
    WeekBase(base, &a);
    int year = 0, month = 0, day = 0;
    ParseDateText(base, &year, &month, &day);
    m_nPeriod = 3;
    ShowDay(year, month, a + slot);
}

void CLogScreen::ShowDay(int year, int month, int day) {
    // Carried into the neighbouring months, as far as the arrows go.
    while (day < 1) {
        if (--month < 1) {
            month = 12;
            --year;
        }
        day += GetDaysInMonth(year, month);
    }
    while (day > GetDaysInMonth(year, month)) {
        day -= GetDaysInMonth(year, month);
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    m_nYear = year;
    m_nMonth = month;
    m_nDay = day;
    swprintf(m_szYear, 8, L"%04d", year);
    swprintf(m_szMonth, 3, L"%d", month);
    SetDayTitle();
    ClearLogData();
    LoadDayPage();
}

void CLogScreen::SetDayTitle() {
    wchar_t date[12];
    swprintf(date, 12, L"%04d-%02d-%02d", m_nYear, m_nMonth, m_nDay);
    const int weekday = GetDayOfWeek(date);
    if (m_nTextOffset == 0)
        swprintf(tChartTxt, 100, L"%d%ls %d%ls (%ls)", m_nMonth, TextTable[14], m_nDay, TextTable[16],
                 TextTable[16 + weekday]);
    else
        swprintf(tChartTxt, 100, L"%ls %d %ls", Text(16 + weekday), m_nDay, GetMonthAbbrev(m_nMonth));
}

void CLogScreen::LoadDayPage() {
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", m_nYear, m_nMonth, m_nDay);
    sqlite3* db = nullptr;
    SendMessageW(m_View.hMain, UM_GET_DB, 0, (LPARAM)&db);
    DayPage& page = m_DayPage;
    page = DayPage{};
    page.bHasHours = CHourlyRecords::ReadDay(db, date, page.hours);
    // The day's total from its rows, summed and cut to hundredths as the week page does.
    sqlite3_stmt* stmt = nullptr;
    if (db && sqlite3_prepare_v2(db,
                                 "SELECT sum(steps), CAST(sum(kcal*100) AS INTEGER), "
                                 "CAST(sum(distance*100) AS INTEGER) FROM pedometer WHERE curdate = ?1;",
                                 -1, &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, date, -1, SQLITE_TRANSIENT);
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            const int64_t steps = sqlite3_column_int64(stmt, 0);
            page.nSteps = steps > INT32_MAX ? INT32_MAX : (steps < 0 ? 0 : static_cast<int32_t>(steps));
            page.dKCal = sqlite3_column_int64(stmt, 1) * 0.01;
            page.dDistance = sqlite3_column_int64(stmt, 2) * 0.01;
        }
    }
    sqlite3_finalize(stmt);
    // The scale by the week page's rule, over the hours.
    m_Query.m_nMaxSteps = 0;
    m_Query.m_dMaxKCal = 0;
    m_Query.m_dMaxDistance = 0;
    for (const HourTotals& hour : page.hours) {
        const int32_t steps = hour.nSteps > INT32_MAX ? INT32_MAX : static_cast<int32_t>(hour.nSteps);
        if (steps > m_Query.m_nMaxSteps) m_Query.m_nMaxSteps = steps;
        // Amounts in whole hundredths, as the week page's statistics keep them.
        const double kcal = static_cast<double>(static_cast<int64_t>(hour.dKcal * 100 + 0.5));
        const double distance = static_cast<double>(static_cast<int64_t>(hour.dDistance * 100 + 0.5));
        if (kcal > m_Query.m_dMaxKCal) m_Query.m_dMaxKCal = kcal;
        if (distance > m_Query.m_dMaxDistance) m_Query.m_dMaxDistance = distance;
    }
    ClearPointBlock();
    ChooseScale();
}

RECT CLogScreen::DayBar(int hour) const {
    const HourTotals& h = m_DayPage.hours[hour];
    const double value = m_nCategory == 2 ? h.dKcal : (m_nCategory == 3 ? h.dDistance : double(h.nSteps));
    const int left = HourCentre(hour) - kHourBarWidth / 2;
    const int top = value > 0 ? ChartPointRow(value, m_nTick, m_nTickY, m_nScaleStep) : kChartBaseY;
    return RECT{left, top, left + kHourBarWidth, kChartBaseY};
}

void CLogScreen::DrawDayChart(HDC hdc) {
    m_nPageSteps = m_DayPage.nSteps;
    m_dPageKCal = m_DayPage.dKCal;
    m_dPageDistance = m_DayPage.dDistance;
    if (!m_DayPage.bHasHours) {
        RECT note = {83, 400, 458, 460};
        DrawTextCell(hdc, kNoHours[m_nTextOffset ? 1 : 0], note, 24, kWhite, DT_CENTER | DT_VCENTER);
        return;
    }
    HBRUSH brush = CreateSolidBrush(kBarColor);
    int top = m_nBubbleY;
    for (int hour = 0; hour < 24; ++hour) {
        const RECT bar = DayBar(hour);
        if (bar.top >= bar.bottom) continue;
        FillRect(hdc, &bar, brush);
        // The bubble stands over the last hour with something in it, as high as the highest bar,
        // so that it covers none.
        m_nBubbleX = HourCentre(hour) - 10;
        if (top > bar.top) top = bar.top;
    }
    m_nBubbleY = top;
    DeleteObject(brush);
}

void CLogScreen::DrawDayLabels(HDC hdc) {
    for (int hour = 0; hour < 24; hour += 6) {
        wchar_t text[8];
        swprintf(text, 8, L"%d", hour);
        RECT cell = {HourCentre(hour) - kHourBarWidth / 2, 653, HourCentre(hour) + 40, 701};
        DrawTextCell(hdc, text, cell, 20, kWhite, DT_LEFT);
    }
    RECT unit = {414, 650, 477, 711};
    DrawTextCell(hdc, kHourUnit[m_nTextOffset ? 1 : 0], unit, 20, kGrey, DT_RIGHT);
}
