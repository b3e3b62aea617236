// Test support: the platform as the app tests run it, headless and on the manual clock, and a
// plain window class.
#pragma once

#include "platform/mv_platform.h"
#include "platform/windows.h"

// Options for a headless platform on the manual clock; tests may add to them before starting.
inline MvPlatformOptions HeadlessTestOptions() {
    MvPlatformOptions options;
    options.displayFromEnvironment = false;
    options.display = MvDisplayKind::Headless;
    options.manualClock = true;
    return options;
}

inline void StartHeadlessPlatform() {
    MvPlatformInit(HeadlessTestOptions());
}

// Registers a window class that does nothing of its own: DefWindowProcW and no background brush.
inline bool RegisterPlainTestClass(const wchar_t* className) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hbrBackground = (HBRUSH)GetStockObject(NULL_BRUSH);
    wc.lpszClassName = className;
    return RegisterClassW(&wc) != 0;
}
