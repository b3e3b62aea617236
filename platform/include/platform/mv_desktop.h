// The program on the user's desktop beyond its window, where Win32 has nothing to copy: its own
// object on the session bus (org.movimetra.Movimetra, for status bars and scripts). The bus calls
// are made on the platform's desktop thread; what comes back reaches a window as a posted message.
#pragma once

#include "platform/win_types.h"

// What the object's properties show.
struct MvPedometerState {
    UINT steps;
    double kcal;
    double distance;  // metres
    UINT elapsed;     // seconds
    BOOL running;
    UINT goal;  // 0: none
};

// Owns the well-known name for the program's life and serves the object; its Start() and Stop()
// are posted to `window` as `message` with wParam 1 (Start) or 0 (Stop). Without a session bus, or
// with the name owned by another program, one line on standard error says so and nothing is
// served.
void MvBusServiceStart(HWND window, UINT message);
// The state the properties answer with from now on; with `announce`, a change is also sent as
// PropertiesChanged (the caller decides how often).
void MvBusServicePublish(const MvPedometerState& state, bool announce);
// Releases the name and takes the object off the bus (also done at platform shutdown).
void MvBusServiceStop();
