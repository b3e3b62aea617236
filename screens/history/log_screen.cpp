// The history view's control: showing, tabs, arrows, date picker, category selectors, press
// feedback, page titles and the delete of all records confirmed through the popup.
#include "screens/history/log_screen.h"

#include <cwchar>

#include "app/draw_util.h"
#include "app/text_tables.h"
#include "common/messages.h"
#include "common/sql_types.h"
#include "resources/resource_ids.h"
#include "screens/history/calendar_dlg_helper.h"
#include "screens/history/stats_figures.h"

namespace {

bool Inside(int x, int y, int left, int top, int right, int bottom) {
    return x >= left && x <= right && y >= top && y <= bottom;
}

SYSTEMTIME Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now;
}

// Tab hit areas, left to right.
const int kTabLeft[3] = {15, 166, 316};
const int kTabRight[3] = {164, 314, 465};

}  // namespace

CLogScreen::CLogScreen() = default;
CLogScreen::~CLogScreen() = default;

BOOL CLogScreen::Create(HWND parent, int index) {
    if (!CreateViewWindow(m_View, parent, index)) return FALSE;
    sqlite3* db = nullptr;
    SendMessageW(parent, UM_GET_DB, 0, (LPARAM)&db);
    m_Query.SetDbHandle(db);
    return TRUE;
}

void CLogScreen::Show(bool show, int otherIndex) {
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Set, IDR_MENUBAR_RESET_KO, IDR_MENUBAR_RESET_EN);
    if (!show) return;
    if (!m_bKeepState) {
        m_nCategory = 1;
        m_nPeriod = 0;
        // A confirmed delete is remembered until Close, across later popup answers.
        m_bDeleted = 0;
        ClearLogData();
        ShowTodayWeek();
    }
    m_bKeepState = 0;
    UpdateWindow(m_View.hWnd);
}

void CLogScreen::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

void CLogScreen::OnGoal(int steps) {
    m_nGoal = steps > 0 ? steps : 0;
}

void CLogScreen::OnLeftSoftKey() {
    m_bKeepState = 1;
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_POPUP, 0);
}

void CLogScreen::OnRightSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
    if (m_bDeleted == 1) {
        SendMessageW(m_View.hMain, UM_RESET_MAIN, 0, 0);
        m_bDeleted = 0;
    }
}

void CLogScreen::OnOk() {
    OnRightSoftKey();
}

void CLogScreen::SetWeekTitle() {
    if (m_nTextOffset == 0)
        swprintf(tChartTxt, 100, L"%ls%ls %ls%ls", m_szMonth, TextTable[14], m_szWeek, TextTable[9]);
    else
        swprintf(tChartTxt, 100, L"%ls %ls%ls", GetMonthAbbrev(m_nMonth), m_szWeek,
                 GetOrdinalSuffix(nDispWeek));
}

void CLogScreen::SetMonthTitle() {
    if (m_nTextOffset == 0)
        swprintf(tChartTxt, 100, L"%ls%ls %ls%ls", m_szYear, TextTable[15], m_szMonth, TextTable[14]);
    else
        swprintf(tChartTxt, 100, L"%ls%ls %ls", m_szYear, TextTable[15 + m_nTextOffset],
                 GetMonthAbbrev(m_nMonth));
}

void CLogScreen::SetYearTitle() {
    swprintf(tChartTxt, 100, L"%ls%ls", m_szYearPage, TextTable[15 + m_nTextOffset]);
}

void CLogScreen::FindWeekOfDay() {
    nDispWeek = GetWeekOfMonth(m_nYear, m_nMonth, m_nDay);
    if (nDispWeek > m_MonthWeeks.nWeeks) {
        if (++m_nMonth > 12) {
            m_nMonth = 1;
            ++m_nYear;
        }
        RefreshMonthWeeks(m_nYear, m_nMonth);
        nDispWeek = 1;
    } else if (nDispWeek == 0) {
        if (--m_nMonth < 1) {
            m_nMonth = 12;
            --m_nYear;
        }
        RefreshMonthWeeks(m_nYear, m_nMonth);
        nDispWeek = m_MonthWeeks.nWeeks;
    }
}

// Rewrites the week page's texts and title and loads it.
static void WriteWeekTexts(wchar_t* year, wchar_t* month, wchar_t* week, int y, int m, int w) {
    swprintf(year, 8, L"%04d", y);
    swprintf(month, 3, L"%d", m);
    swprintf(week, 2, L"%d", w);
}

void CLogScreen::ShowTodayWeek() {
    const SYSTEMTIME today = Today();
    m_nYear = today.wYear;
    m_nMonth = today.wMonth;
    m_nDay = today.wDay;
    RefreshMonthWeeks(m_nYear, m_nMonth);
    FindWeekOfDay();
    WriteWeekTexts(m_szYear, m_szMonth, m_szWeek, m_nYear, m_nMonth, nDispWeek);
    SetWeekTitle();
    LoadWeekPage();
}

void CLogScreen::StepPeriod(int d) {
    if (m_nPeriod == 3) {
        ShowDay(m_nYear, m_nMonth, m_nDay + d);
    } else if (m_nPeriod == 0) {
        m_nYear = _wtoi(m_szYear);
        m_nMonth = _wtoi(m_szMonth);
        nDispWeek += d;
        if (nDispWeek < 1) {
            if (--m_nMonth < 1) {
                m_nMonth = 12;
                --m_nYear;
            }
            RefreshMonthWeeks(m_nYear, m_nMonth);
            nDispWeek = m_MonthWeeks.nWeeks;
        } else if (nDispWeek > m_MonthWeeks.nWeeks) {
            if (++m_nMonth > 12) {
                m_nMonth = 1;
                ++m_nYear;
            }
            RefreshMonthWeeks(m_nYear, m_nMonth);
            nDispWeek = 1;
        }
        WriteWeekTexts(m_szYear, m_szMonth, m_szWeek, m_nYear, m_nMonth, nDispWeek);
        SetWeekTitle();
        ClearLogData();
        LoadWeekPage();
    } else if (m_nPeriod == 1) {
        m_nYear = _wtoi(m_szYear);
        m_nMonth = _wtoi(m_szMonth) + d;
        if (m_nMonth < 1) {
            m_nMonth = 12;
            --m_nYear;
        } else if (m_nMonth > 12) {
            m_nMonth = 1;
            ++m_nYear;
        }
        swprintf(m_szYear, 8, L"%d", m_nYear);
        swprintf(m_szMonth, 3, L"%d", m_nMonth);
        SetMonthTitle();
        ClearLogData();
        LoadMonthPage();
    } else {
        m_nYear = _wtoi(m_szYearPage) + d;
        tChartTxt[0] = L'\0';
        swprintf(m_szYearPage, 16, L"%04d", m_nYear);
        SetYearTitle();
        ClearLogData();
        LoadYearPage();
    }
}

void CLogScreen::ReloadPage() {
    if (m_nPeriod == 3) {
        ShowDay(m_nYear, m_nMonth, m_nDay);
    } else if (m_nPeriod == 0) {
        m_nYear = _wtoi(m_szYear);
        m_nMonth = _wtoi(m_szMonth);
        WriteWeekTexts(m_szYear, m_szMonth, m_szWeek, m_nYear, m_nMonth, nDispWeek);
        SetWeekTitle();
        ClearLogData();
        LoadWeekPage();
    } else if (m_nPeriod == 1) {
        m_nYear = _wtoi(m_szYear);
        m_nMonth = _wtoi(m_szMonth);
        swprintf(m_szYear, 8, L"%d", m_nYear);
        swprintf(m_szMonth, 3, L"%d", m_nMonth);
        SetMonthTitle();
        ClearLogData();
        LoadMonthPage();
    } else {
        m_nYear = _wtoi(m_szYearPage);
        swprintf(m_szYearPage, 16, L"%04d", m_nYear);
        SetYearTitle();
        ClearLogData();
        LoadYearPage();
    }
}

void CLogScreen::PickDate() {
    int chosen = 0;
    SYSTEMTIME date = Today();
    CCalendarDlgHelper* helper = CCalendarDlgHelper::GetInstance();
    if (helper)
        chosen =
            helper->RunSelectDateDlg(TextTable[TEXT_PICK_DATE_TITLE + m_nTextOffset], &date, m_View.hMain);
    if (chosen) {
        m_nYear = date.wYear;
        m_nMonth = date.wMonth;
        m_nDay = date.wDay;
    }
    CCalendarDlgHelper::DestroyInstance();
    if (m_nPeriod == 3) {
        ShowDay(m_nYear, m_nMonth, m_nDay);
        return;
    }
    if (!chosen) {
        if (m_nPeriod == 2) {
            m_nYear = _wtoi(m_szYearPage);
        } else {
            m_nYear = _wtoi(m_szYear);
            m_nMonth = _wtoi(m_szMonth);
        }
    }
    m_szYearPage[0] = L'\0';
    tChartTxt[0] = L'\0';
    if (m_nPeriod == 0) {
        RefreshMonthWeeks(m_nYear, m_nMonth);
        if (chosen) FindWeekOfDay();
        WriteWeekTexts(m_szYear, m_szMonth, m_szWeek, m_nYear, m_nMonth, nDispWeek);
        SetWeekTitle();
        ClearLogData();
        LoadWeekPage();
    } else if (m_nPeriod == 1) {
        swprintf(m_szYear, 8, L"%d", m_nYear);
        swprintf(m_szMonth, 3, L"%d", m_nMonth);
        SetMonthTitle();
        ClearLogData();
        LoadMonthPage();
    } else {
        swprintf(m_szYearPage, 16, L"%04d", m_nYear);
        SetYearTitle();
        ClearLogData();
        LoadYearPage();
    }
}

void CLogScreen::OnLButtonDown(int x, int y) {
    for (int t = 0; t < 3; ++t) {
        if (!Inside(x, y, kTabLeft[t], 14, kTabRight[t], 78)) continue;
        OffscreenCanvas canvas;
        if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
        DrawTabStrip(canvas.hMemDC, t, true);
        EndOffscreen(m_View.hWnd, &canvas, 14, 13, 452, 66);
        return;
    }
    const bool left = Inside(x, y, 101, 109, 139, 147);
    const bool right = Inside(x, y, 341, 109, 379, 147);
    if (!left && !right) return;
    HDC hdc = GetDC(m_View.hWnd);
    DrawImageAt(m_View.hMain, hdc, left ? 100 : 340, 98, Image(left ? 29 : 31));
    ReleaseDC(m_View.hWnd, hdc);
}

void CLogScreen::OnLButtonUp(int x, int y) {
    const SYSTEMTIME today = Today();
    int slot = 0;
    if (DayColumnAt(x, y, &slot)) {
        OpenDayOfWeekSlot(slot);
    } else if (Inside(x, y, kTabLeft[0], 14, kTabRight[0], 78)) {
        m_nPeriod = 0;
        ClearLogData();
        ShowTodayWeek();
    } else if (Inside(x, y, kTabLeft[1], 14, kTabRight[1], 78)) {
        m_nPeriod = 1;
        m_nYear = today.wYear;
        m_nMonth = today.wMonth;
        tChartTxt[0] = L'\0';
        swprintf(m_szYear, 8, L"%d", m_nYear);
        swprintf(m_szMonth, 3, L"%d", m_nMonth);
        SetMonthTitle();
        ClearLogData();
        LoadMonthPage();
    } else if (Inside(x, y, kTabLeft[2], 14, kTabRight[2], 78)) {
        m_nPeriod = 2;
        tChartTxt[0] = L'\0';
        swprintf(m_szYearPage, 16, L"%04d", today.wYear);
        m_nYear = today.wYear;
        SetYearTitle();
        ClearLogData();
        LoadYearPage();
    } else if (Inside(x, y, 171, 109, 319, 147)) {
        PickDate();
    } else if (Inside(x, y, 101, 109, 139, 147)) {
        StepPeriod(-1);
    } else if (Inside(x, y, 341, 109, 379, 147)) {
        StepPeriod(+1);
    } else if (Inside(x, y, 15, 154, 163, 202) || Inside(x, y, 166, 154, 314, 202) ||
               Inside(x, y, 316, 154, 464, 202)) {
        m_nCategory = x <= 163 ? 1 : (x <= 314 ? 2 : 3);
        ReloadPage();
    } else if (x >= m_rcBubble.left && x < m_rcBubble.right && y >= m_rcBubble.top && y < m_rcBubble.bottom) {
        OpenStats();
        return;
    }
    DrawHistory();
}

void CLogScreen::RelayoutEmptyPage() {
    const wchar_t* labels[12];
    int32_t columns[12];
    int n = 0;
    if (m_nPeriod == 3) {
        LoadDayPage();
        return;
    }
    if (m_nPeriod == 0) {
        wchar_t base[12];
        int a = 0;
        WeekBase(base, &a);
        GetWeekDayLabels(base, a, m_Query.m_szDayLabels);
        for (; n < 7; ++n) {
            labels[n] = m_Query.m_szDayLabels[n];
            columns[n] = 86 + 53 * n;
        }
    } else if (m_nPeriod == 1) {
        m_Query.SetWeekLabels();
        for (; n < m_Query.nDiff && n < 6; ++n) {
            labels[n] = m_Query.m_szWeekLabels[n];
            columns[n] = 86 + n * (m_Query.nDiff == 4 ? 91 : 68);
        }
    } else {
        for (; n < 12; ++n) {
            swprintf(m_szMonthLabel[n], 3, L"%d", n + 1);
            labels[n] = m_szMonthLabel[n];
            columns[n] = 86 + 27 * n;
        }
    }
    // The entries are empty after ClearLogData, so every slot lands on the baseline at 0.
    MergeSlots(n, labels, columns);
}

void CLogScreen::OpenStats() {
    StatsPage page{};
    page.nKind = m_nPeriod;
    page.nCategory = m_nCategory;
    page.nDay = 1;
    if (m_nPeriod == 0) {
        // The seven days the week page shows.
        wchar_t base[12];
        int a = 0;
        WeekBase(base, &a);
        int y = 0, m = 0, d = 0;
        ParseDateText(base, &y, &m, &d);
        StatsDateOf(StatsDayNumber(y, m, 1) + a - 1, &page.nYear, &page.nMonth, &page.nDay);
    } else if (m_nPeriod == 1) {
        page.nYear = _wtoi(m_szYear);
        page.nMonth = _wtoi(m_szMonth);
    } else if (m_nPeriod == 2) {
        page.nYear = _wtoi(m_szYearPage);
        page.nMonth = 1;
    } else {
        page.nYear = m_nYear;
        page.nMonth = m_nMonth;
        page.nDay = m_nDay;
    }
    swprintf(page.szTitle, 100, L"%ls", tChartTxt);
    // The history comes back as it was, as from the popup.
    m_bKeepState = 1;
    SendMessageW(m_View.hMain, UM_OPEN_STATS, 0, (LPARAM)&page);
}

void CLogScreen::OnEvent(int, const wchar_t* key) {
    if (!key || wcscmp(key, L"BUT_YES") != 0) return;
    SendMessageW(m_View.hMain, UM_EXEC_SQL, SQL_DELETE, (LPARAM)L"DELETE FROM pedometer;");
    ClearLogData();
    RelayoutEmptyPage();
    m_bDeleted = 1;
    DrawHistory();
}
