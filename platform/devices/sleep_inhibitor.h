// Keeps the device from suspending while a workout runs: a logind "sleep" inhibitor taken over
// the system bus. logind keeps it as long as the descriptor it hands out stays open, so closing
// it releases the inhibitor, and so does the end of the process, however it ends.
#pragma once

#ifndef MV_PLATFORM_INTERNAL
#error "platform-internal header: outside platform/, include only platform/include/ (see platform/README.md)"
#endif

// Takes the inhibitor (hold) or releases it; repeated calls with the same value do nothing.
// Without a system bus or logind nothing is held, and that is said once on stderr. The bus calls
// are made on the desktop thread, in the order of the calls; this returns at once.
void MvSleepInhibitorHold(bool hold);
// Whether this process holds the inhibitor now (after the calls posted so far were made).
bool MvSleepInhibitorHeld();
