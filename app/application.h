// The application object: owns the views, the pedometer engine, the image drawer, the
// database connection and the path builder, and routes every window message.
#pragma once

#include <functional>

#include "app/app_path.h"
#include "app/goal_notice.h"
#include "app/image_drawer.h"
#include "app/screen.h"
#include "common/messages.h"
#include "engine/step_engine.h"
#include "platform/windows.h"

struct sqlite3;

class CApplication {
public:
    CApplication();
    ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // Opens the database; only then creates the views (all hidden) and initialises the engine,
    // which chooses the first view. Always 0.
    int Start(HWND hMain);
    void Dispatch(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC hdc);
    void DrawItem(WPARAM wParam, LPARAM lParam);
    HBRUSH CtlColorEdit(HDC hdc, HWND hEdit);
    // WM_CLOSE of the main window: engine stop, today's save, vibration, WM_DESTROY.
    void Close(HWND hMain);

    // Read access for tests and diagnostics.
    int CurrentIndex() const { return m_nCurrent; }
    int PreviousIndex() const { return m_nPrevious; }
    CScreen* GetView(int index) const;
    HWND MainWindow() const { return m_hMain; }
    sqlite3* Database() const { return m_pDb; }
    CStepEngine& Engine() { return m_Engine; }
    CImageDrawer& ImageDrawer() { return m_ImageDrawer; }
    bool EngineStarted() const { return m_bEngineStarted; }

    // Tests: puts `view` at `index` and returns the view that was there (the caller owns it).
    CScreen* ReplaceViewForTest(int index, CScreen* view);
    // Tests: views made by `factory` (called with the index) instead of the real view classes,
    // for every application object started afterwards; an empty function restores the default.
    static void SetViewFactoryForTest(std::function<CScreen*(int)> factory);

private:
    void CreateViews();
    void SwitchView(int index);
    void DestroyViews();
    // A save failed (UM_STORE_FAULT): the cause's message in the current language.
    void ShowStoreFault(int cause);
    // The display state or the window's minimized state changed: views and engine follow.
    void UpdateSeen();
    CScreen* Current() const { return GetView(m_nCurrent); }
    CScreen* Previous() const { return GetView(m_nPrevious); }

    HWND m_hMain = nullptr;
    CScreen* m_pViews[VIEW_COUNT] = {};
    int m_nCurrent = 0;
    int m_nPrevious = 0;
    CStepEngine m_Engine;
    CImageDrawer m_ImageDrawer;
    sqlite3* m_pDb = nullptr;
    CAppPath* m_pAppPath = nullptr;
    // The engine is initialised only after the database opened; until then nothing is routed to it.
    bool m_bEngineStarted = false;
    // The language last applied (UM_SET_LANGUAGE), for the program's own message boxes.
    int m_nLanguage = 0;
    CGoalNotice m_GoalNotice;
    // Whether anybody can see the program: the console display state and the main window's size
    // state, as the platform notifies them.
    HPOWERNOTIFY m_hDisplayNotify = nullptr;
    bool m_bDisplayOn = true;
    bool m_bMinimized = false;
    bool m_bSeen = true;
};

// The vibration pulse: LED 11 on, 100 ms, off, 100 ms, on, 100 ms, off (blocks for 300 ms).
void VibratePulse();
