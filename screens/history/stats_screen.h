// The statistics view (view index 4): the figures of one history page's period and of all
// time, opened by a tap on the page's total bubble. Close (or the title bar's ok) returns to the
// history as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "app/screen.h"
#include "app/view_common.h"
#include "common/stats_page.h"
#include "screens/history/stats_queries.h"
#include "screens/history/stats_rows.h"

class CStatsScreen : public CScreen {
public:
    BOOL Create(HWND parent, int index) override;
    void Show(bool show, int otherIndex) override;
    void OnPaint(HDC hdc) override;
    HBRUSH OnCtlColorEdit(HDC, HWND) override { return nullptr; }
    void OnRightSoftKey() override;
    void OnOk() override;
    void OnLanguage(int languageIndex) override;
    void OnGoal(int steps) override;
    void OnStatsPage(const StatsPage* page) override;

    // Reads the figures of the page given last, as of today.
    void Load();

    // Read access for tests.
    const StatsPage& Page() const { return m_Page; }
    const StatsFigures& Figures() const { return m_Figures; }
    const std::vector<StatsRow>& Rows() const { return m_Rows; }

private:
    void Draw();

    ViewCommon m_View;
    CStatsQueries m_Query;
    StatsPage m_Page{};
    StatsFigures m_Figures;
    std::vector<StatsRow> m_Rows;
    int32_t m_nGoal = 0;
};
