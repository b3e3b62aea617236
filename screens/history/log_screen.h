// The history view (view index 3): charts of the stored days, weeks and months, with tabs for
// the page kind, arrows and a date picker for the period, selectors for the category and a
// delete-all through the confirmation popup. A tap on a week page's day opens that day's page
// (period 3): its hours as bars.
#pragma once

#include <cstdint>

#include "app/screen.h"
#include "app/view_common.h"
#include "screens/history/history_queries.h"
#include "store/hourly_records.h"

class CLogScreen : public CScreen {
public:
    CLogScreen();
    ~CLogScreen() override;

    BOOL Create(HWND parent, int index) override;
    void OnPaint(HDC hdc) override;
    void Show(bool show, int otherIndex) override;
    void OnEvent(int value, const wchar_t* key) override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLeftSoftKey() override;
    void OnRightSoftKey() override;
    void OnLanguage(int languageIndex) override;
    void OnGoal(int steps) override;
    void OnOk() override;

    // Page loaders: run the period's query, choose the scale and place the points.
    void LoadWeekPage();
    void LoadMonthPage();
    void LoadYearPage();
    // Rebuilds the weeks of a month, with the week before the 1st or after the last day filled in.
    void RefreshMonthWeeks(int32_t year, int32_t month);
    // Paints the whole screen off-screen and copies it to the window.
    void DrawHistory();

    void ShowTodayWeek();
    // The day page of year-month-day (a day out of its month's range is carried into the next or
    // previous months), loaded (log_screen_day.cpp).
    void ShowDay(int year, int month, int day);
    void LoadDayPage();
    void ReloadPage();
    void PickDate();
    void StepPeriod(int d);

    // Read access for tests.
    const ViewCommon& Common() const { return m_View; }
    int32_t Period() const { return m_nPeriod; }
    int32_t Category() const { return m_nCategory; }
    const wchar_t* Title() const { return tChartTxt; }
    int32_t DisplayedWeek() const { return nDispWeek; }
    int32_t Year() const { return m_nYear; }
    int32_t Month() const { return m_nMonth; }
    int32_t Tick(int k) const { return m_nTick[k]; }
    int32_t Goal() const { return m_nGoal; }
    const wchar_t* PointLabel(int i) const { return m_szPointLabel[i]; }
    int32_t PointX(int i) const { return m_nPointX[i]; }
    int32_t PointY(int i) const { return m_nPointY[i]; }
    int32_t PointSteps(int i) const { return m_nPointSteps[i]; }
    double PointKCal(int i) const { return m_dPointKCal[i]; }
    double PointDistance(int i) const { return m_dPointDistance[i]; }
    int32_t SlotCount() const;
    // Points drawn on the chart: the leading slots not after today.
    int32_t DrawnPointCount() const;
    bool Deleted() const { return m_bDeleted != 0; }
    int32_t Day() const { return m_nDay; }
    bool DayHasHours() const { return m_DayPage.bHasHours; }
    const HourTotals& DayHour(int hour) const { return m_DayPage.hours[hour]; }
    // Left and right edges and top row of the bar of an hour on the day page (the top is the
    // baseline for an hour with nothing).
    RECT DayBar(int hour) const;
    RECT BubbleRect() const { return m_rcBubble; }

private:
    void ClearLogData();
    void ClearPointBlock();
    void ChooseScale();
    // Merges the period entries into n slots with the given labels and columns.
    void MergeSlots(int n, const wchar_t* const* labels, const int32_t* columns);
    void SetWeekTitle();
    void SetMonthTitle();
    void SetYearTitle();
    // The week-finding rule: nDispWeek for m_nDay, moving to a neighbouring month when needed.
    void FindWeekOfDay();
    // The base date 'YYYY-MM-01' and first day a of the displayed week.
    void WeekBase(wchar_t base[12], int* a) const;
    void RelayoutEmptyPage();
    void DrawTabStrip(HDC hdc, int pressed, bool pressedLook);
    void DrawTexts(HDC hdc);
    void DrawBubble(HDC hdc);
    // A tap on the total bubble: the statistics of the page (stats_screen.h).
    void OpenStats();
    const wchar_t* Text(int index) const;
    const wchar_t* Image(int index) const;

    // The day page (log_screen_day.cpp): the week page's day column under a tap inside the chart,
    // the title, the bars, the hours' labels and the note of a day without hours.
    bool DayColumnAt(int x, int y, int* slot) const;
    void OpenDayOfWeekSlot(int slot);
    void SetDayTitle();
    void DrawDayChart(HDC hdc);
    void DrawDayLabels(HDC hdc);

    // The daily goal on the steps chart of week and month pages: its line under the data line,
    // and on week pages a mark on the days at or over it (log_screen_draw.cpp).
    bool ShowsGoal() const;
    void DrawGoalLine(HDC hdc);
    void DrawGoalMarkers(HDC hdc, int drawnPoints);

    ViewCommon m_View;
    int32_t m_nGoal = 0;  // steps, 0 for none
    int32_t m_nPeriod = 0;
    CHistoryQueries m_Query;

    int32_t m_nTick[7] = {};
    int32_t m_nTickY[7] = {};
    wchar_t m_szMonthLabel[12][3] = {};
    int32_t m_nPageSteps = 0;
    double m_dPageKCal = 0;
    double m_dPageDistance = 0;
    // The point block, cleared as one unit by every loader.
    struct PointBlock {
        wchar_t szLabel[12][12];
        int32_t nSteps[20];
        double dKCal[20];
        double dDistance[20];
        int32_t nX[12];
        int32_t nY[12];
    } m_Points{};
    wchar_t (&m_szPointLabel)[12][12] = m_Points.szLabel;
    int32_t (&m_nPointSteps)[20] = m_Points.nSteps;
    double (&m_dPointKCal)[20] = m_Points.dKCal;
    double (&m_dPointDistance)[20] = m_Points.dDistance;
    int32_t (&m_nPointX)[12] = m_Points.nX;
    int32_t (&m_nPointY)[12] = m_Points.nY;
    int32_t m_nScaleStep = 0;

    wchar_t tChartTxt[100] = {};
    wchar_t m_szYearPage[16] = {};
    wchar_t m_szYear[8] = {};  // room beyond four digits for far-future years
    wchar_t m_szMonth[3] = {};
    wchar_t m_szWeek[2] = {};
    int32_t m_nYear = 0;
    int32_t m_nMonth = 0;
    int32_t m_nDay = 0;
    int32_t nDispWeek = 0;
    MonthWeeks& m_MonthWeeks = m_Query.m_MonthWeeks;
    int32_t m_bDeleted = 0;
    int32_t m_nBubbleX = 0;
    int32_t m_nBubbleY = 0;
    RECT m_rcBubble{};  // where the total bubble was drawn last: a tap there opens the statistics
    SIZE m_BubbleEnd{};
    int32_t m_nCategory = 1;
    int32_t& m_nTextOffset = m_View.nTextOffset;
    int32_t& m_nImageOffset = m_View.nImageOffset;
    uint8_t m_bKeepState = 0;
    struct DayPage {
        HourTotals hours[24];
        bool bHasHours;
        int32_t nSteps;  // the day's total, as its week page shows it
        double dKCal;
        double dDistance;
    } m_DayPage{};
};
