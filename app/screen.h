// The view base class: a table of virtual handlers that the dispatcher calls on the current
// (and for some messages the previous, or every) view. Every view keeps its own window,
// index, shown flag, soft-key bar and language offsets.
#pragma once

#include "common/motion_record.h"
#include "common/stats_page.h"
#include "common/today_totals.h"
#include "platform/windows.h"

class CScreen {
public:
    virtual ~CScreen() = default;
    virtual void Release() {}
    virtual void OnPaint(HDC hdc) {}
    virtual void OnCommand(int id, int notifyCode) {}
    virtual void OnNotify(WPARAM wParam, LPARAM lParam) {}
    virtual void Show(bool show, int otherIndex) {}
    virtual void OnEvent(int value, const wchar_t* key) {}
    virtual void OnInvalidate() {}
    virtual HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) = 0;
    virtual void OnDrawItem(WPARAM wParam, LPARAM lParam) {}
    virtual void OnLButtonDown(int x, int y) {}
    virtual void OnLButtonUp(int x, int y) {}
    virtual void OnLeftSoftKey() {}
    virtual void OnRightSoftKey() {}
    virtual void OnTimer(int id) {}
    virtual void OnAnimationTimer() {}
    virtual void OnProfileData(LPARAM lParam) {}
    virtual void OnReset() {}
    virtual void OnMotionInfo(const MotionRecord* record) {}
    // The engine's totals now belong to a new day: its stored totals, with nothing of the
    // running workout counted on it yet.
    virtual void OnNewDay(const TodayTotals* totals) {}
    virtual void OnLanguage(int languageIndex) {}
    // The daily goal in steps, 0 for none: at start and whenever the profile stores it.
    virtual void OnGoal(int steps) {}
    // Whether anybody can see the program (the display is on and the window not minimized).
    // Unseen, a view draws nothing and its timers rest; seen again, it shows the current state.
    virtual void OnSeen(bool seen) {}
    virtual void OnOk() {}
    // WM_SETTINGCHANGE (the input panel went up or down: SPI_SETSIPINFO).
    virtual void OnSettingChange(WPARAM wParam) {}
    // The statistics view: the history page whose figures it shows next.
    virtual void OnStatsPage(const StatsPage* page) {}
    // Each view creates its own window as a child of the main window.
    virtual BOOL Create(HWND parent, int index) = 0;
};
