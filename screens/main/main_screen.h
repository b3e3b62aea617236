// The main view: stopwatch and step counter (view index 0). It starts, stops and resets
// workouts, shows today's stored totals plus the running workout, and animates the runner.
#pragma once

#include "app/screen.h"
#include "app/view_common.h"
#include "common/today_totals.h"
#include "screens/main/main_presence.h"
#include "screens/main/runner_layers.h"
#include "store/daily_records.h"
#include "store/db_helper.h"

struct sqlite3;

// Run states of the main view.
#define MAIN_STOPPED 0
#define MAIN_STARTING 1  // the battery notice shows for two seconds
#define MAIN_RUNNING 2

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
    void OnNewDay(const TodayTotals* totals) override;
    void OnLanguage(int languageIndex) override;
    void OnGoal(int steps) override;
    void OnSeen(bool seen) override;
    // Start() or Stop() from the session bus, or the notification's "stop": what the Start/Stop
    // button does, when it would do something.
    void OnRemoteStartStop(bool start);
    void OnPresenceTimer(int id) { m_Presence.OnTimer(id); }
    const CMainPresence& Presence() const { return m_Presence; }

    // The three repaints, each composed off-screen and copied to the window in one BitBlt:
    // everything; the calories and time boxes; the upper 480 x 352 area.
    void FullRepaint();
    void RepaintValueBoxes();
    void RepaintUpperArea();
    // The goal band where its bar or text changed (nothing without a goal).
    void RepaintGoalBand();
    // The next animation and value repaints draw their whole areas (as after a full repaint).
    void ForgetDrawn();
    // Tests: every animation and value repaint draws its whole area, as before they compared.
    void SetCompleteRepaintsForTest(bool complete) { m_bCompleteRepaints = complete; }

    // Read access for tests.
    int RunState() const { return m_nRunState; }
    int WorkoutSteps() const { return m_nWorkoutSteps; }
    int WorkoutSeconds() const { return m_nWorkoutSeconds; }
    double WorkoutCalories() const { return m_dWorkoutCalories; }
    int TodaySteps() const { return m_nTodaySteps; }
    int TodaySeconds() const { return m_nTodaySeconds; }
    double TodayCalories() const { return m_dTodayCalories; }
    int RunnerFrame() const { return m_nRunnerFrame; }
    int Animating() const { return m_bAnimating; }
    int IdleTicks() const { return m_nIdleTicks; }
    int DigitCount() const { return m_nDigitCount; }
    int ButtonPressed() const { return m_bButtonPressed; }
    bool TickTimersRunning() const { return m_bTickTimers; }
    bool Resting() const { return m_bResting; }
    int TodayLoaded() const { return m_bTodayLoaded; }
    int Goal() const { return m_nGoal; }
    const ViewCommon& Common() const { return m_View; }

private:
    // Control (main_screen.cpp)
    void StartWorkout();
    // False, after telling the user once per run, when no readings can come.
    bool SensorAvailable();
    void StopWorkout();
    void ResetWorkout(bool saveFirst);
    void LoadToday();
    // Timers 20 and 30 run only while a workout runs and the view is on screen.
    void StartTickTimers();
    void StopTickTimers();
    void SetValuesTimer(UINT elapseMs);
    HDC BeginArea(const RECT& area) const;
    void ResumeTickTimers();
    void TakeEngineCounters();
    // Tells the desktop today's figures as they are now.
    void UpdatePresence();
    void AddNotification();
    void RemoveNotification();

    // Drawing (main_screen_draw.cpp)
    void DrawImageCell(HDC hdc, int cell, int x, int y);
    void DrawLabel(HDC hdc, int cell, const RECT& rect);
    void DrawValueBoxes(HDC hdc);
    void DrawValueBox(HDC hdc, const RECT& box, const wchar_t* text);
    // Where runner frame `frame` lands, and where the digits that differ between two step
    // totals land (before and after); empty for missing images.
    RECT RunnerRect(int frame) const;
    RECT ImageRect(const wchar_t* fileName, int x, int y) const;
    RECT DigitsDamage(int64_t before, int64_t after) const;
    void DrawNotice(HDC hdc);
    void DrawRunner(HDC hdc);
    // Copies the runner's rectangle from the kept layer of the current frame, composing the
    // layer first when there is none; false when no layer can be made.
    bool DrawRunnerLayer(const RECT& rect);
    // All digits, or only those that meet `only`.
    void DrawStepDigits(HDC hdc, const RECT* only = nullptr);
    void DrawButtons(HDC hdc);
    // The goal band's track and bar, and its text; only with a goal.
    void DrawGoalBar(HDC hdc, int barWidth);
    void DrawGoalText(HDC hdc, const wchar_t* text);
    void GoalBandState(int* barWidth, wchar_t* text, size_t size) const;
    void DrawPressedButton(int cell, POINT pos);

    ViewCommon m_View;
    CMainPresence m_Presence;
    int m_nRunState = MAIN_STOPPED;
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
    bool m_bTickTimers = false;
    // Nobody can see the program: nothing is drawn and the runner and value timers stop.
    bool m_bResting = false;
    DWORD m_dwTicksSince = 0;  // when the workout's timers were first set (their beat)
    bool m_bRephaseAnimation = false;
    bool m_bRephaseValues = false;

    // What the last upper-area and value-box repaints left on the window: the next ones compose
    // only what differs. Invalid after a full repaint, which layers the same things differently.
    struct DrawnUpper {
        bool bValid = false;
        int nRunState = 0;
        int nFrame = 0;
        int64_t nTotal = 0;
        int nTextOffset = 0;
        int nImageOffset = 0;
    };
    struct DrawnValues {
        bool bValid = false;
        int nTextOffset = 0;
        wchar_t szCalories[64] = {};
        wchar_t szTime[64] = {};
    };
    struct DrawnBand {
        bool bValid = false;
        int nBar = 0;
        wchar_t szText[64] = {};
    };
    DrawnUpper m_DrawnUpper;
    DrawnValues m_DrawnValues;
    DrawnBand m_DrawnBand;
    int m_nGoal = 0;  // the daily goal in steps, 0 for none
    bool m_bCompleteRepaints = false;
    CRunnerLayers m_RunnerLayers;
    // Image sizes of the runner frames and digits, measured anew by each repaint of the whole
    // upper area.
    struct MeasuredImage {
        const wchar_t* pName;
        SIZE size;
    };
    static constexpr int kMeasuredImages = CRunnerLayers::kFrames + 10;
    mutable MeasuredImage m_Measured[kMeasuredImages] = {};
    mutable int m_nMeasured = 0;
};
