#include "app/goal_notice.h"

#include <cwchar>

#include "app/text_tables.h"
#include "common/messages.h"

namespace {

// Vibrator on and off, in milliseconds: short, short, long, then off.
const UINT kPattern[] = {150, 100, 150, 100, 400};
constexpr int kBeats = sizeof(kPattern) / sizeof(kPattern[0]);

void SetVibrator(bool on) {
    NLED_SETTINGS_INFO settings{};
    settings.LedNum = 11;
    settings.OffOnBlink = on ? 1 : 0;
    NLedSetDevice(NLED_SETTINGS_INFO_ID, &settings);
}

}  // namespace

void FormatGoalNotice(int language, int steps, int goal, NOTIFYICONDATAW* data) {
    const int offset = language == LANGUAGE_ENGLISH ? TEXT_OFFSET_ENGLISH : 0;
    wcsncpy(data->szInfoTitle, TextTable[TEXT_GOAL_NOTICE_TITLE + offset], 63);
    data->szInfoTitle[63] = L'\0';
    swprintf(data->szInfo, 256, TextTable[TEXT_GOAL_NOTICE_BODY + offset], steps, goal);
}

void CGoalNotice::Start(HWND hMain, int language, int steps, int goal) {
    m_hMain = hMain;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = hMain;
    data.uID = 1;
    data.uFlags = NIF_INFO | NIF_TIP;
    data.dwInfoFlags = NIIF_INFO;
    wcsncpy(data.szTip, L"Movimetra", 127);
    FormatGoalNotice(language, steps, goal, &data);
    // Without a notification server the vibration alone tells it (the platform says why once).
    Shell_NotifyIconW(NIM_ADD, &data);

    SetVibrator(true);
    m_nBeat = kBeats;
    SetTimer(m_hMain, TIMER_GOAL_HAPTIC, kPattern[0], nullptr);
}

void CGoalNotice::OnTimer() {
    if (m_nBeat <= 0) {
        KillTimer(m_hMain, TIMER_GOAL_HAPTIC);
        return;
    }
    --m_nBeat;
    const int done = kBeats - m_nBeat;  // beats finished
    // Beats alternate: after an even count the vibrator comes on again, after an odd one it stops.
    SetVibrator(m_nBeat > 0 && done % 2 == 0);
    if (m_nBeat == 0) {
        KillTimer(m_hMain, TIMER_GOAL_HAPTIC);
        return;
    }
    SetTimer(m_hMain, TIMER_GOAL_HAPTIC, kPattern[done], nullptr);
}
