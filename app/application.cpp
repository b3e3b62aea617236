// The application object and its dispatcher: every window message of the main window and the
// view windows passes through Dispatch, which hands it to the engine, the record store, the
// image drawer or the views.
#include "app/application.h"

#include <cstring>

#include "app/popup_dlg.h"
#include "app/text_tables.h"
#include "resources/resource_ids.h"
#include "screens/history/log_screen.h"
#include "screens/history/stats_screen.h"
#include "screens/main/main_screen.h"
#include "screens/profile/profile_screen.h"
#include "store/database.h"
#include "store/store_faults.h"

namespace {
std::function<CScreen*(int)>& ViewFactory() {
    static std::function<CScreen*(int)> factory;
    return factory;
}

CScreen* MakeView(int index) {
    if (ViewFactory()) return ViewFactory()(index);
    switch (index) {
        case VIEW_MAIN:
            return new CMainScreen;
        case VIEW_PROFILE:
            return new CProfileScreen;
        case VIEW_POPUP:
            return new CPopupDlg;
        case VIEW_HISTORY:
            return new CLogScreen;
        case VIEW_STATS:
            return new CStatsScreen;
    }
    return nullptr;
}

}  // namespace

// Two pulses of 100 ms, 100 ms apart. The driver plays the pattern itself, so the caller (the
// close, on its way out) does not wait for it.
void VibratePulse() {
    NLED_SETTINGS_INFO settings;
    memset(&settings, 0, sizeof(settings));
    settings.LedNum = 11;
    settings.OffOnBlink = 2;
    settings.OnTime = 100000;  // microseconds
    settings.OffTime = 100000;
    settings.TotalCycleTime = settings.OnTime + settings.OffTime;
    settings.MetaCycleOn = 2;
    NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings);
}

void CApplication::SetViewFactoryForTest(std::function<CScreen*(int)> factory) {
    ViewFactory() = std::move(factory);
}

CApplication::CApplication() : m_pAppPath(new CAppPath) {}

CApplication::~CApplication() {
    // The saving thread runs statements on the connection: it must be gone before it closes.
    m_Engine.StopSaving();
    if (m_pDb) {
        CloseDatabase(m_pDb);
        m_pDb = nullptr;
    }
    // Views are normally deleted at WM_DESTROY; an object destroyed without one still frees them.
    for (CScreen*& view : m_pViews) {
        if (view) {
            view->Release();
            delete view;
            view = nullptr;
        }
    }
    delete m_pAppPath;
    m_pAppPath = nullptr;
}

int CApplication::Start(HWND hMain) {
    m_hMain = hMain;
    if (!OpenDatabase(&m_pDb, hMain)) {
        m_pDb = nullptr;
        return 0;
    }
    CreateViews();
    m_bEngineStarted = true;
    m_Engine.InitEngine(hMain);
    // Whether anybody can see the screen comes as a power setting.
    m_hDisplayNotify =
        RegisterPowerSettingNotification(hMain, &GUID_CONSOLE_DISPLAY_STATE, DEVICE_NOTIFY_WINDOW_HANDLE);
    return 0;
}

void CApplication::UpdateSeen() {
    const bool seen = m_bDisplayOn && !m_bMinimized;
    if (seen == m_bSeen) return;
    m_bSeen = seen;
    if (m_bEngineStarted) m_Engine.SetSeen(seen);
    for (CScreen* view : m_pViews)
        if (view) view->OnSeen(seen);
}

void CApplication::CreateViews() {
    for (int i = 0; i < VIEW_COUNT; ++i) {
        CScreen* view = MakeView(i);
        if (!view) continue;
        view->Create(m_hMain, i);
        m_pViews[i] = view;
    }
    m_nCurrent = 0;
    m_nPrevious = 0;
    for (CScreen* view : m_pViews)
        if (view) view->Show(false, 0);
}

CScreen* CApplication::GetView(int index) const {
    if (index < 0 || index >= VIEW_COUNT) return nullptr;
    return m_pViews[index];
}

CScreen* CApplication::ReplaceViewForTest(int index, CScreen* view) {
    if (index < 0 || index >= VIEW_COUNT) return nullptr;
    CScreen* old = m_pViews[index];
    m_pViews[index] = view;
    return old;
}

void CApplication::SwitchView(int index) {
    // An index outside the views would address memory that is not a view: ignored.
    if (index < 0 || index >= VIEW_COUNT || !m_pViews[index]) return;
    if (CScreen* current = Current()) current->Show(false, m_nCurrent);
    m_nPrevious = m_nCurrent;
    m_nCurrent = index;
    m_pViews[index]->Show(true, m_nPrevious);
}

void CApplication::DestroyViews() {
    for (CScreen*& view : m_pViews) {
        if (view) {
            view->Release();
            delete view;
            view = nullptr;
        }
    }
}

void CApplication::Dispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // The view at the current (or previous) index is looked up at each call: a handler may
    // switch views in between.
    switch (message) {
        case WM_DESTROY:
            // Only the main window's destruction ends the program's objects.
            if (hWnd != m_hMain) break;
            if (m_hDisplayNotify) UnregisterPowerSettingNotification(m_hDisplayNotify);
            m_hDisplayNotify = nullptr;
            if (m_bEngineStarted) m_Engine.OnDestroy();
            DestroyViews();
            m_ImageDrawer.Release();
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_POWERSETTINGCHANGE && lParam) {
                const POWERBROADCAST_SETTING* setting = (const POWERBROADCAST_SETTING*)lParam;
                // Off (0) or on; dimmed (2) can still be seen.
                if (setting->PowerSetting == GUID_CONSOLE_DISPLAY_STATE && setting->DataLength >= 1) {
                    m_bDisplayOn = setting->Data[0] != 0;
                    UpdateSeen();
                }
            }
            break;
        case WM_SIZE:
            if (hWnd == m_hMain) {
                m_bMinimized = wParam == SIZE_MINIMIZED;
                UpdateSeen();
            }
            break;
        case UM_READINGS_MARK:
            if (m_bEngineStarted) m_Engine.ReadingsMarked((HANDLE)lParam);
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_ACTIVE && m_bEngineStarted) m_Engine.RearmSensor();
            break;
        case WM_NOTIFY:
            if (Current()) Current()->OnNotify(wParam, lParam);
            break;
        case UM_BUS_COMMAND:
            if (CMainScreen* main = dynamic_cast<CMainScreen*>(GetView(VIEW_MAIN)))
                main->OnRemoteStartStop(wParam == 1);
            break;
        case WM_SETTINGCHANGE:
            if (Current()) Current()->OnSettingChange(wParam);
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDM_WORKOUT_STOP) {
                // The "stop" of the workout's notification, whichever view shows.
                if (CMainScreen* main = dynamic_cast<CMainScreen*>(GetView(VIEW_MAIN)))
                    main->OnRemoteStartStop(false);
                break;
            }
            if (Current()) Current()->OnCommand(LOWORD(wParam), HIWORD(wParam));
            if (LOWORD(wParam) == IDOK && Current()) Current()->OnOk();
            break;
        case WM_TIMER:
            if (wParam == TIMER_ANIMATION) {
                if (Current()) Current()->OnAnimationTimer();
            } else if (wParam == TIMER_GOAL_HAPTIC) {
                m_GoalNotice.OnTimer();
            } else if (wParam == TIMER_PRESENCE_BUS || wParam == TIMER_PRESENCE_NOTICE) {
                if (CMainScreen* main = dynamic_cast<CMainScreen*>(GetView(VIEW_MAIN)))
                    main->OnPresenceTimer((int)wParam);
            } else if (wParam == TIMER_DAY) {
                if (m_bEngineStarted) m_Engine.OnTimer((int)wParam);
            } else {
                if (m_bEngineStarted) m_Engine.OnTimer((int)wParam);
                if (Current()) Current()->OnTimer((int)wParam);
            }
            break;
        case WM_LBUTTONDOWN:
            if (Current()) Current()->OnLButtonDown(LOWORD(lParam), HIWORD(lParam));
            break;
        case WM_LBUTTONUP:
            if (Current()) Current()->OnLButtonUp(LOWORD(lParam), HIWORD(lParam));
            break;
        case UM_SWITCH_VIEW:
            SwitchView((int)wParam);
            // The main view's value timer stops while it is hidden: the view that comes up gets
            // the elapsed time at once.
            if (m_bEngineStarted) m_Engine.SendElapsed();
            break;
        case UM_OPEN_STATS:
            if (lParam && GetView(VIEW_STATS)) {
                GetView(VIEW_STATS)->OnStatsPage((const StatsPage*)lParam);
                SwitchView(VIEW_STATS);
            }
            break;
        case UM_VIEW_EVENT:
            if (Current()) Current()->OnEvent((int)wParam, (const wchar_t*)lParam);
            if (Previous()) Previous()->OnEvent((int)wParam, (const wchar_t*)lParam);
            break;
        case UM_DRAW_IMAGE:
            m_ImageDrawer.Draw((HDC)wParam, (const wchar_t*)lParam);
            break;
        case UM_SET_IMAGE_POS:
            m_ImageDrawer.SetPosition((int)wParam, (int)lParam);
            break;
        case UM_LEFT_SOFTKEY:
        case UM_RIGHT_SOFTKEY:
            if (!Current()) {
                // No view (the database could not be opened): either soft key ends the program
                // as its close does, once this message is handled.
                PostMessageW(m_hMain, WM_CLOSE, 0, 0);
            } else if (message == UM_LEFT_SOFTKEY) {
                Current()->OnLeftSoftKey();
            } else {
                Current()->OnRightSoftKey();
            }
            break;
        case UM_RELEASE_IMAGE:
            m_ImageDrawer.Release();
            break;
        case UM_GET_DB:
            if (lParam) *(sqlite3**)lParam = m_pDb;
            break;
        case UM_GET_COUNTERS:
            if (m_bEngineStarted && lParam) m_Engine.GetCounters((EngineCounters*)lParam);
            break;
        case UM_LOAD_PROFILE:
            if (m_bEngineStarted) m_Engine.LoadUserInfo(2);
            break;
        case UM_PROFILE_DATA:
            if (Current()) Current()->OnProfileData(lParam);
            break;
        case UM_EXEC_SQL:
            if (m_bEngineStarted && lParam) m_Engine.ExecSql((int)wParam, (const wchar_t*)lParam);
            break;
        case UM_ENGINE_START:
            if (m_bEngineStarted) m_Engine.StartCounting();
            break;
        case UM_ENGINE_STOP:
            if (m_bEngineStarted) m_Engine.StopCounting();
            break;
        case UM_ENGINE_HAS_SENSOR:
            if (lParam) *(BOOL*)lParam = m_bEngineStarted && m_Engine.HasSensor() ? TRUE : FALSE;
            break;
        case UM_SAVE_TODAY:
            if (m_bEngineStarted) m_Engine.SaveTodayRow();
            break;
        case UM_SET_PROFILE:
            if (m_bEngineStarted) m_Engine.SetUserInfoText((const wchar_t*)wParam, (const wchar_t*)lParam);
            break;
        case UM_SET_USER_INFO:
            if (m_bEngineStarted && lParam) m_Engine.SetUserInfo((const UserBody*)lParam);
            break;
        case UM_RESET_STEPS:
            if (m_bEngineStarted) m_Engine.ResetStepInfo();
            break;
        case UM_SELECT_TODAY:
            if (m_bEngineStarted && lParam) m_Engine.SelectPedometer((TodayTotals*)lParam);
            break;
        case UM_RESET_MAIN:
            if (Current()) Current()->OnReset();
            break;
        case UM_MOTION_INFO:
            if (Current()) Current()->OnMotionInfo((const MotionRecord*)lParam);
            if (Previous()) Previous()->OnMotionInfo((const MotionRecord*)lParam);
            break;
        case UM_NEW_DAY:
            // Every view, shown or not: the main view may be neither current nor previous.
            for (CScreen* view : m_pViews)
                if (view && lParam) view->OnNewDay((const TodayTotals*)lParam);
            break;
        case UM_SET_LANGUAGE:
            m_nLanguage = (int)wParam;
            // Components outside the program (the date picker) follow the thread's language.
            SetThreadUILanguage(
                MAKELANGID(wParam == LANGUAGE_ENGLISH ? LANG_ENGLISH : LANG_KOREAN, SUBLANG_DEFAULT));
            for (CScreen* view : m_pViews)
                if (view) view->OnLanguage((int)wParam);
            break;
        case UM_VIBRATE:
            VibratePulse();
            break;
        case UM_INVALIDATE:
            if (Current()) Current()->OnInvalidate();
            break;
        case UM_SENSOR_DATA:
            if (m_bEngineStarted) m_Engine.MotionInfo(wParam, lParam);
            break;
        case UM_GOAL_DATA:
            // Every view: the main view and the history draw it, the profile offers it.
            for (CScreen* view : m_pViews)
                if (view) view->OnGoal((int)wParam);
            break;
        case UM_SET_GOAL:
            if (m_bEngineStarted) m_Engine.SetGoal((int)wParam);
            break;
        case UM_GOAL_REACHED:
            m_GoalNotice.Start(m_hMain, m_nLanguage, (int)wParam, (int)lParam);
            break;
        case UM_STORE_FAULT:
            ShowStoreFault((int)wParam);
            break;
        default:
            break;
    }
}

void CApplication::ShowStoreFault(int cause) {
    if (cause < 0 || cause >= STORE_FAULT_COUNT) cause = STORE_FAULT_OTHER;
    const int offset = m_nLanguage == LANGUAGE_ENGLISH ? TEXT_OFFSET_ENGLISH : 0;
    MessageBoxW(m_hMain, TextTable[TEXT_SAVE_FAULT_FIRST + cause + offset],
                TextTable[TEXT_SAVE_FAULT_CAPTION + offset], MB_OK | MB_ICONWARNING);
}

void CApplication::Paint(HDC hdc) {
    if (CScreen* current = Current()) {
        current->OnPaint(hdc);
        return;
    }
    // Without views the main window is plain black, so nothing shown over it (such as a message
    // box) stays behind.
    RECT client = {};
    GetClientRect(m_hMain, &client);
    FillRect(hdc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
}

void CApplication::DrawItem(WPARAM wParam, LPARAM lParam) {
    if (CScreen* current = Current()) current->OnDrawItem(wParam, lParam);
}

HBRUSH CApplication::CtlColorEdit(HDC hdc, HWND hEdit) {
    CScreen* current = Current();
    return current ? current->OnCtlColorEdit(hdc, hEdit) : nullptr;
}

void CApplication::Close(HWND hMain) {
    SendMessageW(hMain, UM_ENGINE_STOP, 0, 0);
    SendMessageW(hMain, UM_SAVE_TODAY, 0, 0);
    VibratePulse();
    SendMessageW(hMain, WM_DESTROY, 0, 0);
}
