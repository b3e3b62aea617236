// The program's own window messages: the vocabulary between the engine, the record store and
// the views. All are sent to the main window and routed by CApplication::Dispatch.
#pragma once

#include "platform/windows.h"

#define UM_SWITCH_VIEW (WM_USER + 21)        // 1045 wParam view index
#define UM_VIEW_EVENT (WM_USER + 22)         // 1046 wParam int value, lParam key (const wchar_t*)
#define UM_DRAW_IMAGE (WM_USER + 23)         // 1047 wParam HDC, lParam file name
#define UM_SET_IMAGE_POS (WM_USER + 24)      // 1048 wParam x, lParam y
#define UM_LEFT_SOFTKEY (WM_USER + 25)       // 1049
#define UM_RIGHT_SOFTKEY (WM_USER + 26)      // 1050
#define UM_RELEASE_IMAGE (WM_USER + 27)      // 1051
#define UM_GET_DB (WM_USER + 31)             // 1055 lParam sqlite3** slot
#define UM_LOAD_PROFILE (WM_USER + 32)       // 1056
#define UM_PROFILE_DATA (WM_USER + 33)       // 1057 lParam UserProfileBlock*
#define UM_EXEC_SQL (WM_USER + 34)           // 1058 wParam SqlKind, lParam SQL text
#define UM_ENGINE_START (WM_USER + 41)       // 1065
#define UM_ENGINE_STOP (WM_USER + 42)        // 1066
#define UM_SAVE_TODAY (WM_USER + 43)         // 1067
#define UM_ENGINE_HAS_SENSOR (WM_USER + 44)  // 1068 lParam BOOL* slot: whether readings can come
#define UM_SET_PROFILE (WM_USER + 45)        // 1069 wParam height text, lParam weight text
#define UM_SET_USER_INFO (WM_USER + 46)      // 1070 lParam UserBody*
#define UM_RESET_STEPS (WM_USER + 47)        // 1071
#define UM_SELECT_TODAY (WM_USER + 51)       // 1075 lParam TodayTotals* (the engine may answer in it)
#define UM_RESET_MAIN (WM_USER + 52)         // 1076
#define UM_MOTION_INFO (WM_USER + 53)        // 1077 lParam MotionRecord*
#define UM_SET_LANGUAGE (WM_USER + 54)       // 1078 wParam language index
#define UM_VIBRATE (WM_USER + 55)            // 1079
#define UM_NEW_DAY (WM_USER + 56)            // 1080 lParam TodayTotals* of the new day
#define UM_INVALIDATE (WM_USER + 60)         // 1084
#define UM_GET_COUNTERS (WM_USER + 61)       // 1085 lParam EngineCounters* slot
#define UM_STORE_FAULT (WM_USER + 64)        // 1088 wParam StoreFaultCause: a write failed
#define UM_GOAL_DATA (WM_USER + 65)          // 1089 wParam daily goal in steps (0 none), to every view
#define UM_SET_GOAL (WM_USER + 66)           // 1090 wParam daily goal to store (0 none)
#define UM_GOAL_REACHED (WM_USER + 67)       // 1091 wParam today's steps, lParam the goal
#define UM_BUS_COMMAND (WM_USER + 71)        // 1095 wParam 1 Start, 0 Stop: asked for on the session bus
#define UM_READINGS_MARK (WM_USER + 70)      // 1094 lParam event: set once the readings before it are handled
#define UM_OPEN_STATS (WM_USER + 72)         // 1096 lParam const StatsPage*: the statistics of a history page
// UM_SENSOR_DATA (0x812F) is declared with the sensor service in platform/win_devices.h.

// View indices
#define VIEW_MAIN 0
#define VIEW_PROFILE 1
#define VIEW_POPUP 2
#define VIEW_HISTORY 3
#define VIEW_STATS 4
#define VIEW_COUNT 5

// Timers set on the main window by the main view
#define TIMER_NOTICE 10
#define TIMER_ANIMATION 20
#define TIMER_VALUES 30
// Set on the main window by the engine: the next local midnight, at most a minute ahead
#define TIMER_DAY 40
// Set on the main window by the application: the next beat of the "goal reached" vibration
#define TIMER_GOAL_HAPTIC 50
// Set on the main window by the main view while the desktop hears of the workout: a change of
// the figures held back to keep the bus quiet, and the workout's notification's minute
#define TIMER_PRESENCE_BUS 60
#define TIMER_PRESENCE_NOTICE 61
