// The main view's control: showing, the buttons and soft keys, the three timers, workouts
// (start, stop, reset), today's stored totals and the title-bar notification.
#include "screens/main/main_screen.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "app/text_tables.h"
#include "common/messages.h"
#include "resources/resource_ids.h"
#include "screens/main/main_layout.h"

namespace {

// The title-bar icon shown while a workout runs.
constexpr DWORD kNotificationId = 4937;
// {99DE7411-772F-43D0-81F0-668336CA651B}
constexpr CLSID kNotificationClsid = {
    0x99DE7411, 0x772F, 0x43D0, {0x81, 0xF0, 0x66, 0x83, 0x36, 0xCA, 0x65, 0x1B}};
// The record size the phone's shell expects (its 32-bit layout), whatever ours is here.
constexpr DWORD kNotificationRecordSize = 88;
constexpr DWORD kNotificationDuration = (DWORD)-2;

constexpr UINT kNoticeMs = 2000;
constexpr UINT kAnimationMs = 200;
constexpr UINT kValuesMs = 300;
// Timers shorter than this are lengthened to it by the window manager.
constexpr UINT kMinTimerMs = 10;

// The runner rests once this many animation ticks passed without a new step (2 s).
constexpr int kIdleTicksToRest = 10;
// Idle ticks wrap back to just past the rest limit long before they could overflow.
constexpr int kIdleTicksWrap = 10000;

void CopyName(wchar_t* target, const wchar_t* source) {
    wcsncpy(target, source, 49);
    target[49] = L'\0';
}

}  // namespace

CMainScreen::CMainScreen() = default;
CMainScreen::~CMainScreen() = default;

BOOL CMainScreen::Create(HWND parent, int index) {
    if (!CreateViewWindow(m_View, parent, index)) return FALSE;
    SendMessageW(parent, UM_GET_DB, 0, (LPARAM)&m_pDb);
    m_Db.SetHandle(m_pDb);
    // Both halves of the table hold the same frame and digit names.
    for (int i = 0; i < MAIN_RUNNER_FRAMES; ++i)
        CopyName(m_szRunnerFrames[i], ImageTable[MAIN_IMAGE_RUNNER_FIRST + i + m_View.nImageOffset]);
    for (int i = 0; i < 10; ++i)
        CopyName(m_szDigits[i], ImageTable[MAIN_IMAGE_DIGIT_FIRST + i + m_View.nImageOffset]);
    // On the session bus for the program's life.
    m_Presence.Attach(m_View.hMain);
    return TRUE;
}

void CMainScreen::Release() {
    m_Presence.Detach();
    RemoveNotification();
}

void CMainScreen::UpdatePresence() {
    PresenceFigures figures;
    int steps = m_nWorkoutSteps;
    double kcal = m_dWorkoutCalories;
    double distance = m_dWorkoutDistance;
    int seconds = m_nWorkoutSeconds;
    if (m_nRunState != MAIN_STOPPED) {
        // The engine's counters now: the view's own copies wait while it rests.
        EngineCounters counters{};
        SendMessageW(m_View.hMain, UM_GET_COUNTERS, 0, (LPARAM)&counters);
        steps = counters.iStepCount;
        kcal = counters.dCalories;
        distance = counters.dTotalDistance;
        seconds = static_cast<int>(counters.nElapsed);
    }
    figures.nSteps = static_cast<int>(TodayStepTotal(m_nTodaySteps, steps));
    figures.dKcal = m_dTodayCalories + kcal;
    figures.dDistance = m_dTodayDistance + distance;
    figures.nSeconds =
        static_cast<int>(std::clamp<int64_t>(int64_t{m_nTodaySeconds} + seconds, 0, INT32_MAX));
    figures.bRunning = m_nRunState != MAIN_STOPPED;
    figures.nGoal = m_nGoal;
    m_Presence.Update(figures, !m_bResting);
}

void CMainScreen::OnRemoteStartStop(bool start) {
    if (start == (m_nRunState != MAIN_STOPPED)) return;
    if (start)
        StartWorkout();
    else
        StopWorkout();
    if (m_View.bShown && !m_bResting) FullRepaint();
}

void CMainScreen::Show(bool show, int otherIndex) {
    if (!m_View.hWnd) return;
    // Today's totals are read before the window shows, so that its first paint has them.
    if (show && !m_bTodayLoaded) {
        LoadToday();
        m_bTodayLoaded = 1;
    } else if (show && m_nRunState != MAIN_STOPPED) {
        // While other views were shown, the motion records may have gone to them alone.
        TakeEngineCounters();
    }
    // The runner and the value boxes tick only while they can be seen.
    if (!show) StopTickTimers();
    ShowViewCommon(m_View, show, otherIndex, CaptionOk::Clear, IDR_MENUBAR_MAIN_KO, IDR_MENUBAR_MAIN_EN);
    if (show && m_nRunState != MAIN_STOPPED && !m_bResting) ResumeTickTimers();
}

void CMainScreen::OnSeen(bool seen) {
    if (seen != m_bResting) return;
    m_bResting = !seen;
    UpdatePresence();
    if (!m_View.bShown) return;
    if (!seen) {
        StopTickTimers();
        return;
    }
    // Seen again: today's totals as the engine has them now, in one full repaint.
    if (m_nRunState != MAIN_STOPPED) TakeEngineCounters();
    FullRepaint();
    if (m_nRunState != MAIN_STOPPED) ResumeTickTimers();
}

void CMainScreen::StartTickTimers() {
    m_dwTicksSince = GetTickCount();
    // Unseen, they start on this beat when the view can be seen.
    if (m_bResting) return;
    SetTimer(m_View.hMain, TIMER_ANIMATION, kAnimationMs, nullptr);
    SetValuesTimer(kValuesMs);
    m_bTickTimers = true;
    m_bRephaseAnimation = false;
    m_bRephaseValues = false;
}

// The value boxes may wait for the runner's next tick (up to one of its periods) rather than wake
// the program on their own: they then share its wake.
void CMainScreen::SetValuesTimer(UINT elapseMs) {
    SetCoalescableTimer(m_View.hMain, TIMER_VALUES, elapseMs, nullptr, kAnimationMs);
}

void CMainScreen::StopTickTimers() {
    if (!m_bTickTimers) return;
    KillTimer(m_View.hMain, TIMER_ANIMATION);
    KillTimer(m_View.hMain, TIMER_VALUES);
    m_bTickTimers = false;
}

// Back on screen: the timers tick on the beat they had since the workout started, as if they
// had never stopped; the first tick re-arms each at its usual period.
void CMainScreen::ResumeTickTimers() {
    if (m_bTickTimers) return;
    const DWORD since = GetTickCount() - m_dwTicksSince;
    auto untilBeat = [since](UINT period) {
        UINT delay = period - since % period;
        return delay < kMinTimerMs ? delay + period : delay;
    };
    SetTimer(m_View.hMain, TIMER_ANIMATION, untilBeat(kAnimationMs), nullptr);
    SetValuesTimer(untilBeat(kValuesMs));
    m_bTickTimers = true;
    m_bRephaseAnimation = true;
    m_bRephaseValues = true;
}

void CMainScreen::OnEvent(int value, const wchar_t* key) {
    if (key && wcscmp(key, L"TIME") == 0) m_nWorkoutSeconds = value;
}

void CMainScreen::OnInvalidate() {
    InvalidateRect(m_View.hWnd, nullptr, TRUE);
}

void CMainScreen::OnLButtonUp(int x, int y) {
    if (!m_bButtonPressed) return;
    // The area under the stylus now decides, not the one it went down on.
    switch (MainButtonAt(x, y)) {
        case MAIN_BUTTON_START_STOP:
            if (m_nRunState == MAIN_STOPPED)
                StartWorkout();
            else
                StopWorkout();
            break;
        case MAIN_BUTTON_RESET:
            ResetWorkout(true);
            break;
        case MAIN_BUTTON_LOG:
            // The workout, if any, goes on while the history shows.
            SendMessageW(m_View.hMain, UM_SAVE_TODAY, 0, 0);
            SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_HISTORY, 0);
            break;
        case MAIN_BUTTON_NONE:
            break;
    }
    if (m_bButtonPressed) {
        m_bButtonPressed = 0;
        FullRepaint();
    }
}

void CMainScreen::OnLeftSoftKey() {
    SendMessageW(m_View.hMain, UM_SWITCH_VIEW, VIEW_PROFILE, 0);
    SendMessageW(m_View.hMain, UM_LOAD_PROFILE, 0, 0);
}

void CMainScreen::OnRightSoftKey() {
    HWND hMain = m_View.hMain;
    // A workout still in its notice has counted steps too: they are saved as well.
    if (m_nRunState != MAIN_STOPPED) {
        KillTimer(hMain, TIMER_NOTICE);
        StopTickTimers();
        m_nRunState = MAIN_STOPPED;
        m_nRunnerFrame = 0;
        SendMessageW(hMain, UM_ENGINE_STOP, 0, 0);
        SendMessageW(hMain, UM_SAVE_TODAY, 0, 0);
    }
    SendMessageW(hMain, UM_VIBRATE, 0, 0);
    // The program shuts down: this view is deleted before the call returns.
    SendMessageW(hMain, WM_DESTROY, 0, 0);
}

void CMainScreen::OnTimer(int id) {
    if (id == TIMER_NOTICE) {
        m_nRunState = MAIN_RUNNING;
        KillTimer(m_View.hMain, TIMER_NOTICE);
        FullRepaint();
    } else if (id == TIMER_VALUES) {
        if (m_bRephaseValues) {
            m_bRephaseValues = false;
            SetValuesTimer(kValuesMs);
        }
        RepaintValueBoxes();
        // The time walked moves on between steps.
        UpdatePresence();
    }
}

void CMainScreen::OnAnimationTimer() {
    if (m_bRephaseAnimation) {
        m_bRephaseAnimation = false;
        SetTimer(m_View.hMain, TIMER_ANIMATION, kAnimationMs, nullptr);
    }
    if (m_nWorkoutSteps == m_nLastSeenSteps) {
        ++m_nIdleTicks;
    } else {
        m_nLastSeenSteps = m_nWorkoutSteps;
        m_nIdleTicks = 0;
    }
    // After two seconds without a step the runner comes to rest on its first frame.
    if (m_nIdleTicks > kIdleTicksToRest && m_nRunnerFrame == 0) {
        if (m_nIdleTicks > kIdleTicksWrap) m_nIdleTicks = kIdleTicksToRest + 1;
        m_bAnimating = 0;
        RepaintUpperArea();
        RepaintGoalBand();
        return;
    }
    m_bAnimating = 1;
    m_nRunnerFrame = (m_nRunnerFrame + 1) % MAIN_RUNNER_FRAMES;
    if (m_bAnimating) RepaintUpperArea();
    // The band follows the steps as the digits do.
    RepaintGoalBand();
}

void CMainScreen::OnReset() {
    // After all records were deleted there is no row left to complete.
    ResetWorkout(false);
    FullRepaint();
}

void CMainScreen::OnMotionInfo(const MotionRecord* record) {
    if (!record) return;
    m_nWorkoutSteps = record->nStepCount;
    m_dWorkoutCalories = record->dCalories;
    m_dWorkoutDistance = record->dDistance;
    UpdatePresence();
}

void CMainScreen::OnNewDay(const TodayTotals* totals) {
    // From the day change on the screen shows the new day's totals, what its row will hold: its
    // stored totals plus what the workout counts from now on.
    m_nTodaySteps = totals->nSteps;
    m_dTodayCalories = totals->dKcal;
    m_dTodayDistance = totals->dDistance;
    m_nTodaySeconds = totals->nSeconds;
    m_nTodayHours = totals->nSeconds / 3600;
    m_nTodayMinutes = totals->nSeconds % 3600 / 60;
    m_nTodaySecondsPart = totals->nSeconds % 60;
    m_Today = *totals;
    m_nWorkoutSteps = 0;
    m_nLastSeenSteps = 0;
    m_dWorkoutCalories = 0;
    m_dWorkoutDistance = 0;
    m_nWorkoutSeconds = 0;
    UpdatePresence();
    if (m_View.bShown) FullRepaint();
}

void CMainScreen::OnLanguage(int languageIndex) {
    SetLanguageOffsets(m_View, languageIndex);
    m_Presence.SetLanguage(languageIndex);
}

void CMainScreen::OnGoal(int steps) {
    m_nGoal = steps > 0 ? steps : 0;
    UpdatePresence();
    if (m_View.bShown) FullRepaint();
}

bool CMainScreen::SensorAvailable() {
    BOOL available = FALSE;
    SendMessageW(m_View.hMain, UM_ENGINE_HAS_SENSOR, 0, (LPARAM)&available);
    if (available) return true;
    // A workout without readings would only store a run of zeros; say why at every Start, so a
    // tap never goes unanswered.
    const bool english = m_View.nTextOffset != 0;
    wchar_t text[128];
    wchar_t title[64];
    LoadStringW(GetAppInstance(), english ? IDS_NO_SENSOR_EN : IDS_NO_SENSOR_KO, text, 128);
    LoadStringW(GetAppInstance(), english ? IDS_NO_SENSOR_TITLE_EN : IDS_NO_SENSOR_TITLE_KO, title, 64);
    MessageBoxW(m_View.hMain, text, title, MB_OK | MB_ICONWARNING);
    return false;
}

void CMainScreen::StartWorkout() {
    HWND hMain = m_View.hMain;
    if (!SensorAvailable()) return;
    m_nRunState = MAIN_STARTING;
    SetTimer(hMain, TIMER_NOTICE, kNoticeMs, nullptr);
    AddNotification();
    m_nIdleTicks = kIdleTicksToRest + 1;
    m_nWorkoutSteps = 0;
    m_nLastSeenSteps = 0;
    m_dWorkoutCalories = 0;
    m_dWorkoutDistance = 0;
    m_nWorkoutSeconds = 0;
    LoadToday();
    wchar_t today[16];
    CDailyRecords::TodayDateText(today, 16);
    if (CDailyRecords::CountTodayRows(m_Db, today) == 0) CDailyRecords::InsertTodayRow(hMain, today);
    SendMessageW(hMain, UM_ENGINE_START, 0, 0);
    FullRepaint();
    StartTickTimers();
    UpdatePresence();
}

void CMainScreen::StopWorkout() {
    HWND hMain = m_View.hMain;
    KillTimer(hMain, TIMER_NOTICE);
    StopTickTimers();
    m_nRunState = MAIN_STOPPED;
    m_nRunnerFrame = 0;
    RemoveNotification();
    SendMessageW(hMain, UM_ENGINE_STOP, 0, 0);
    SendMessageW(hMain, UM_SAVE_TODAY, 0, 0);
    // The totals that stay on the screen are those just saved.
    TakeEngineCounters();
    UpdatePresence();
}

void CMainScreen::ResetWorkout(bool saveFirst) {
    // Steps walked since the last periodic save belong to the row that is being closed; without
    // this save they would vanish from the history.
    if (saveFirst && m_nRunState != MAIN_STOPPED) SendMessageW(m_View.hMain, UM_SAVE_TODAY, 0, 0);
    m_nWorkoutSeconds = 0;
    m_nWorkoutSteps = 0;
    m_nLastSeenSteps = 0;
    m_dWorkoutCalories = 0;
    m_dWorkoutDistance = 0;
    m_nTodaySteps = 0;
    m_dTodayCalories = 0;
    m_dTodayDistance = 0;
    m_nTodaySeconds = 0;
    m_nTodayHours = 0;
    m_nTodayMinutes = 0;
    m_nTodaySecondsPart = 0;
    m_Today = TodayTotals{};
    SendMessageW(m_View.hMain, UM_RESET_STEPS, 0, 0);
    // A new row: later saves start from zero and the day's earlier rows stay in the history.
    wchar_t today[16];
    CDailyRecords::TodayDateText(today, 16);
    CDailyRecords::InsertTodayRow(m_View.hMain, today);
    UpdatePresence();
}

void CMainScreen::LoadToday() {
    wchar_t today[16];
    CDailyRecords::TodayDateText(today, 16);
    // The store zeroes the record first, so a day without a row (or a failed read) shows zero.
    StoredToday stored{};
    CDailyRecords::LoadTodayTotals(m_Db, m_View.hMain, today, &stored);
    m_nTodayHours = stored.nHours;
    m_nTodayMinutes = stored.nMinutes;
    m_nTodaySecondsPart = stored.nSeconds;
    m_nTodaySteps = stored.nSteps;
    m_dTodayCalories = stored.dKcal;
    m_dTodayDistance = stored.dDistance;
    m_nTodaySeconds = stored.nDuration;
    m_Today.nSeconds = stored.nDuration;
    m_Today.nSteps = stored.nSteps;
    m_Today.dKcal = stored.dKcal;
    m_Today.dDistance = stored.dDistance;
}

void CMainScreen::TakeEngineCounters() {
    EngineCounters counters{};
    SendMessageW(m_View.hMain, UM_GET_COUNTERS, 0, (LPARAM)&counters);
    m_nWorkoutSteps = counters.iStepCount;
    m_dWorkoutCalories = counters.dCalories;
    m_dWorkoutDistance = counters.dTotalDistance;
    m_nWorkoutSeconds = static_cast<int>(counters.nElapsed);
}

void CMainScreen::AddNotification() {
    SHNOTIFICATIONDATA data;
    memset(&data, 0, sizeof(data));
    data.cbStruct = kNotificationRecordSize;
    data.dwID = kNotificationId;
    data.npPriority = SHNP_ICONIC;
    data.csDuration = kNotificationDuration;
    data.hicon = LoadIconW(GetAppInstance(), MAKEINTRESOURCEW(IDI_NOTIFY));
    data.grfFlags = SHNF_SILENT;
    data.clsid = kNotificationClsid;
    data.hwndSink = m_View.hMain;
    data.pszHTML = nullptr;
    data.pszTitle = nullptr;
    data.lParam = 0;
    SHNotificationAdd(&data);
}

void CMainScreen::RemoveNotification() {
    SHNotificationRemove(&kNotificationClsid, kNotificationId);
}
