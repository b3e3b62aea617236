// "Daily goal reached": one desktop notification (a notification-area balloon) and a vibration
// pattern, beat by beat on a timer of the main window so that the UI thread never waits.
#pragma once

#include <cstddef>

#include "platform/windows.h"

// The balloon's texts in the language (LanguageIndex): summary and body.
void FormatGoalNotice(int language, int steps, int goal, NOTIFYICONDATAW* data);

class CGoalNotice {
public:
    // Shows the notification and starts the pattern (a pattern already running starts over).
    void Start(HWND hMain, int language, int steps, int goal);
    // TIMER_GOAL_HAPTIC: the next beat.
    void OnTimer();
    bool Running() const { return m_nBeat > 0; }

private:
    HWND m_hMain = nullptr;
    int m_nBeat = 0;  // beats still to come
};
