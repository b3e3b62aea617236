// What the desktop hears of the day outside the main view's window: the figures on the session
// bus (for status bars and scripts), and one quiet notification while a workout runs and nobody
// sees the window, with a "stop" action.
#pragma once

#include "platform/mv_desktop.h"
#include "platform/windows.h"

// Today's figures as the main view shows them.
struct PresenceFigures {
    int nSteps = 0;
    double dKcal = 0;
    double dDistance = 0;
    int nSeconds = 0;
    bool bRunning = false;
    int nGoal = 0;
};

class CMainPresence {
public:
    // Bus changes are told at most this often: once a second while the window is seen, once per
    // save period while not. The notification is replaced at most once a minute.
    static constexpr DWORD kSeenAnnounceMs = 1000;
    static constexpr DWORD kUnseenAnnounceMs = 10000;
    static constexpr UINT kNoticeMs = 60000;

    void Attach(HWND hMain);
    void Detach();
    void SetLanguage(int languageIndex) { m_nLanguage = languageIndex; }
    // The figures now, and whether anybody sees the window.
    void Update(const PresenceFigures& figures, bool seen);
    void OnTimer(int id);

    bool NoticeShown() const { return m_bNotice; }

private:
    void Announce();
    void ShowNotice(bool replace);
    void CloseNotice();

    HWND m_hMain = nullptr;
    int m_nLanguage = 0;
    PresenceFigures m_Figures;
    bool m_bSeen = true;
    bool m_bAttached = false;
    MvPedometerState m_Announced{};
    DWORD m_dwLastAnnounce = 0;
    bool m_bAnnouncedOnce = false;
    bool m_bAnnounceTimer = false;
    bool m_bNotice = false;
    int m_nNoticeSteps = 0;  // the steps the notification shows
};
