#include "screens/main/main_presence.h"

#include <cstring>
#include <cwchar>

#include "app/text_tables.h"
#include "common/messages.h"
#include "resources/resource_ids.h"

namespace {

// The notification's own words, in the program's language.
struct NoticeWords {
    const wchar_t* steps;    // "%d steps"
    const wchar_t* body;     // time walked, distance in km, kcal
    const wchar_t* toGo;     // steps still to go
    const wchar_t* reached;  // the goal is reached
    const wchar_t* stop;     // the action
};
const NoticeWords kKorean = {L"%d걸음", L"%d:%02d:%02d · %.2f km · %.2f kcal", L"목표까지 %d걸음",
                             L"목표 달성", L"정지"};
const NoticeWords kEnglish = {L"%d steps", L"%d:%02d:%02d · %.2f km · %.2f kcal", L"%d steps to go",
                              L"Goal reached", L"Stop"};

const CLSID kNoticeClsid = {0x6d6f7669, 0x6d65, 0x7472, {0x61, 0x2e, 0x77, 0x6f, 0x72, 0x6b, 0x6f, 0x75}};
const DWORD kNoticeId = 2;

MvPedometerState StateOf(const PresenceFigures& f) {
    MvPedometerState state{};
    state.steps = f.nSteps > 0 ? static_cast<UINT>(f.nSteps) : 0;
    state.kcal = f.dKcal;
    state.distance = f.dDistance;
    state.elapsed = f.nSeconds > 0 ? static_cast<UINT>(f.nSeconds) : 0;
    state.running = f.bRunning ? TRUE : FALSE;
    state.goal = f.nGoal > 0 ? static_cast<UINT>(f.nGoal) : 0;
    return state;
}

bool SameState(const MvPedometerState& a, const MvPedometerState& b) {
    return a.steps == b.steps && a.kcal == b.kcal && a.distance == b.distance && a.elapsed == b.elapsed &&
           a.running == b.running && a.goal == b.goal;
}

}  // namespace

void CMainPresence::Attach(HWND hMain) {
    m_hMain = hMain;
    m_bAttached = true;
    MvBusServiceStart(hMain, UM_BUS_COMMAND);
}

void CMainPresence::Detach() {
    if (!m_bAttached) return;
    CloseNotice();
    if (m_bAnnounceTimer) KillTimer(m_hMain, TIMER_PRESENCE_BUS);
    m_bAnnounceTimer = false;
    MvBusServiceStop();
    m_bAttached = false;
}

void CMainPresence::Update(const PresenceFigures& figures, bool seen) {
    if (!m_bAttached) return;
    m_Figures = figures;
    m_bSeen = seen;
    Announce();
    if (figures.bRunning && !seen) {
        if (!m_bNotice) ShowNotice(false);
    } else {
        CloseNotice();
    }
}

// The properties always answer with the figures now; their change is told when the last telling
// is long enough ago, else once that time has passed.
void CMainPresence::Announce() {
    const MvPedometerState state = StateOf(m_Figures);
    const DWORD now = GetTickCount();
    const DWORD interval = m_bSeen ? kSeenAnnounceMs : kUnseenAnnounceMs;
    const bool changed = !SameState(state, m_Announced);
    const DWORD since = now - m_dwLastAnnounce;
    const bool due = changed && (!m_bAnnouncedOnce || since >= interval);
    MvBusServicePublish(state, due);
    if (due) {
        m_Announced = state;
        m_dwLastAnnounce = now;
        m_bAnnouncedOnce = true;
        if (m_bAnnounceTimer) KillTimer(m_hMain, TIMER_PRESENCE_BUS);
        m_bAnnounceTimer = false;
    } else if (changed && !m_bAnnounceTimer) {
        SetTimer(m_hMain, TIMER_PRESENCE_BUS, interval - since, nullptr);
        m_bAnnounceTimer = true;
    }
}

void CMainPresence::OnTimer(int id) {
    if (id == TIMER_PRESENCE_BUS) {
        KillTimer(m_hMain, TIMER_PRESENCE_BUS);
        m_bAnnounceTimer = false;
        Announce();
    } else if (id == TIMER_PRESENCE_NOTICE) {
        // Replaced in place once a minute, and only when the steps changed.
        if (m_bNotice && m_Figures.nSteps != m_nNoticeSteps) ShowNotice(true);
    }
}

void CMainPresence::ShowNotice(bool replace) {
    const NoticeWords& words = m_nLanguage == LANGUAGE_ENGLISH ? kEnglish : kKorean;
    wchar_t title[64];
    swprintf(title, 64, words.steps, m_Figures.nSteps);
    wchar_t body[160];
    const int s = m_Figures.nSeconds;
    int used = swprintf(body, 160, words.body, s / 3600, s / 60 % 60, s % 60, m_Figures.dDistance / 1000.0,
                        m_Figures.dKcal);
    if (used < 0) used = 0;
    if (m_Figures.nGoal > 0 && used < 150) {
        body[used++] = L'\n';
        if (m_Figures.nSteps >= m_Figures.nGoal)
            swprintf(body + used, 160 - used, L"%ls", words.reached);
        else
            swprintf(body + used, 160 - used, words.toGo, m_Figures.nGoal - m_Figures.nSteps);
    }
    SHNOTIFICATIONDATA data;
    memset(&data, 0, sizeof(data));
    data.cbStruct = sizeof(data);
    data.dwID = kNoticeId;
    data.npPriority = SHNP_INFORM;
    data.grfFlags = SHNF_SILENT;
    data.clsid = kNoticeClsid;
    data.hwndSink = m_hMain;
    data.pszTitle = title;
    data.pszHTML = body;
    data.rgskn[0].pszTitle = words.stop;
    data.rgskn[0].skc.wpCmd = IDM_WORKOUT_STOP;
    data.rgskn[0].pszAction = "stop";
    if (replace)
        SHNotificationUpdate(SHNUM_TITLE | SHNUM_HTML, &data);
    else
        SHNotificationAdd(&data);
    m_nNoticeSteps = m_Figures.nSteps;
    if (!m_bNotice) SetTimer(m_hMain, TIMER_PRESENCE_NOTICE, kNoticeMs, nullptr);
    m_bNotice = true;
}

void CMainPresence::CloseNotice() {
    if (!m_bNotice) return;
    KillTimer(m_hMain, TIMER_PRESENCE_NOTICE);
    SHNotificationRemove(&kNoticeClsid, kNoticeId);
    m_bNotice = false;
}
