#include "screens/history/stats_screen.h"

#include <utility>

#include "app/draw_util.h"
#include "common/messages.h"
#include "resources/resource_ids.h"
#include "screens/history/stats_load.h"
#include "screens/main/main_layout.h"

namespace {

const int kLeft = 20;
const int kRight = 460;
const int kHeadingHeight = 46;
const int kRowHeight = 31;
const int kDetailHeight = 23;

int32_t TodayNumber() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return StatsDayNumber(now.wYear, now.wMonth, now.wDay);
}

void Cell(HDC hdc, const std::wstring& text, int left, int top, int right, int bottom, int height,
          COLORREF color, UINT format) {
    const RECT rect = {left, top, right, bottom};
    DrawTextCell(hdc, text.c_str(), rect, height, color, format | DT_SINGLELINE | DT_VCENTER);
}

}  // namespace

BOOL CStatsScreen::Create(HWND parent, int index) {
    if (!CreateViewWindow(m_View, parent, index)) return FALSE;
    sqlite3* db = nullptr;
    SendMessageW(parent, UM_GET_DB, 0, (LPARAM)&db);
    m_Query.SetDbHandle(db);
    return TRUE;
}

void CStatsScreen::Show(bool show, int otherIndex) {
    ShowViewCommon(m_View, show, otherIndex, show ? CaptionOk::Set : CaptionOk::Leave, IDR_MENUBAR_STATS_KO,
                   IDR_MENUBAR_STATS_EN);
}

void CStatsScreen::OnStatsPage(const StatsPage* page) {
    if (page == nullptr) return;
    m_Page = *page;
    m_Page.szTitle[99] = L'\0';
    Load();
}

void CStatsScreen::Load() {
    StatsView view = LoadStatsView(m_Query, m_Page, TodayNumber(), m_nGoal, m_View.nTextOffset != 0);
    m_Figures = view.figures;
    m_Rows = std::move(view.rows);
}

void CStatsScreen::OnRightSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_HISTORY, 0);
}

void CStatsScreen::OnOk() {
    OnRightSoftKey();
}

void CStatsScreen::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
}

void CStatsScreen::OnGoal(int steps) {
    m_nGoal = steps > 0 ? steps : 0;
}

void CStatsScreen::OnPaint(HDC) {
    Draw();
}

void CStatsScreen::Draw() {
    OffscreenCanvas canvas;
    if (!BeginOffscreen(m_View.hWnd, &canvas)) return;
    HDC hdc = canvas.hMemDC;
    int y = 6;
    for (const StatsRow& row : m_Rows) {
        if (row.bHeading) {
            Cell(hdc, row.sLabel, kLeft, y, kRight, y + kHeadingHeight, 32, MAIN_VALUE_COLOR, DT_CENTER);
            y += kHeadingHeight;
            continue;
        }
        Cell(hdc, row.sLabel, kLeft, y, 270, y + kRowHeight, 22, MAIN_LABEL_COLOR, DT_LEFT);
        Cell(hdc, row.sValue, 275, y, kRight, y + kRowHeight, 24, MAIN_VALUE_COLOR, DT_RIGHT);
        y += kRowHeight;
        if (!row.sDetail.empty()) {
            Cell(hdc, row.sDetail, kLeft, y - 3, kRight, y + kDetailHeight - 3, 18, MAIN_VALUE_COLOR,
                 DT_RIGHT);
            y += kDetailHeight;
        }
    }
    EndOffscreen(m_View.hWnd, &canvas, 0, 0, canvas.nWidth, canvas.nHeight);
}
