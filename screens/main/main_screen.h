// The main view: stopwatch and step counter (view index 0).
#pragma once

#include "app/screen.h"
#include "app/view_common.h"
#include "store/daily_records.h"
#include "store/db_helper.h"
#include "store/today_totals.h"

struct sqlite3;

class CMainScreen : public CScreen {
public:
    CMainScreen();
    ~CMainScreen() override;

    BOOL Create(HWND parent, int index) override;
    void Release() override;
    void OnPaint(HDC hdc) override;
    void Show(bool show, int otherIndex) override;
    void OnEvent(int value, const wchar_t* key) override;
    void OnInvalidate() override;
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }
    void OnLButtonDown(int x, int y) override;
    void OnLButtonUp(int x, int y) override;
    void OnLeftSoftKey() override;
    void OnRightSoftKey() override;
    void OnTimer(int id) override;
    void OnAnimationTimer() override;
    void OnReset() override;
    void OnMotionInfo(const MotionRecord* record) override;
    void OnLanguage(int languageIndex) override;

    // Read access for tests.
    int RunState() const { return m_nRunState; }
    int WorkoutSteps() const { return m_nWorkoutSteps; }
    int WorkoutSeconds() const { return m_nWorkoutSeconds; }
    int TodaySteps() const { return m_nTodaySteps; }
    int RunnerFrame() const { return m_nRunnerFrame; }
    int Animating() const { return m_bAnimating; }
    const ViewCommon& Common() const { return m_View; }

private:
    ViewCommon m_View;
    int m_nRunState = 0;  // 0 stopped, 1 starting (battery notice), 2 running
    int m_nWorkoutSteps = 0;
    int m_nLastSeenSteps = 0;
    int m_nRunnerFrame = 0;
    wchar_t m_szRunnerFrames[9][50] = {};
    wchar_t m_szDigits[10][50] = {};
    double m_dWorkoutCalories = 0;
    double m_dWorkoutDistance = 0;
    int m_nWorkoutSeconds = 0;
    sqlite3* m_pDb = nullptr;
    CDbHelper m_Db;
    int m_nTodaySteps = 0;
    double m_dTodayCalories = 0;
    double m_dTodayDistance = 0;
    int m_nTodaySeconds = 0;
    int m_nTodayHours = 0;
    int m_nTodayMinutes = 0;
    int m_nTodaySecondsPart = 0;
    TodayTotals m_Today{};
    int m_bButtonPressed = 0;
    int m_bTodayLoaded = 0;
    int m_bAnimating = 1;
    int m_nIdleTicks = 11;
    int m_nDigitCount = 0;
};
