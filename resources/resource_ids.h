// Resource ids of the program: strings, menu bars, accelerators, icons, bitmaps and the
// soft-key command ids.
#pragma once

// Strings
#define IDS_APP_TITLE 1
#define IDS_APP_CLASS 2
#define IDS_BLANK_LEFT 103
#define IDS_BLANK_RIGHT 104
#define IDS_OK_KO 121
#define IDS_CANCEL_KO 122
#define IDS_CLOSE_KO 123
#define IDS_RESET_KO 124
#define IDS_PROFILE_KO 125
#define IDS_EXIT_KO 126
#define IDS_NO_SENSOR_KO 127
#define IDS_NO_SENSOR_TITLE_KO 128
#define IDS_OK_EN 150
#define IDS_CANCEL_EN 151
#define IDS_CLOSE_EN 152
#define IDS_RESET_EN 153
#define IDS_PROFILE_EN 154
#define IDS_EXIT_EN 155
#define IDS_NO_SENSOR_EN 160
#define IDS_NO_SENSOR_TITLE_EN 161

// Menu (soft-key) bars
#define IDR_MENUBAR_INITIAL 102
#define IDR_MENUBAR_PROFILE_KO 110
#define IDR_MENUBAR_RESET_KO 111
#define IDR_MENUBAR_MAIN_KO 112
#define IDR_MENUBAR_STATS_KO 113
#define IDR_MENUBAR_PROFILE_EN 156
#define IDR_MENUBAR_RESET_EN 157
#define IDR_MENUBAR_MAIN_EN 158
#define IDR_MENUBAR_STATS_EN 159

// Accelerator table
#define IDR_ACCELERATORS 2

// Icons
#define IDI_APP 101
#define IDI_NOTIFY 136

// Bitmaps
#define IDB_MAIN_TOP 129
#define IDB_MAIN_BUTTONS 130
#define IDB_CHART_VERTICAL 131
#define IDB_CHART_HORIZONTAL 132
#define IDB_CHART_HORIZONTAL2 133
#define IDB_CHART_MARKER 143
#define IDB_INPUT_LARGE 145
#define IDB_INPUT_LARGE_FOCUS 146
#define IDB_INPUT_SMALL_FOCUS 147
#define IDB_INPUT_SMALL 148

// Soft-key commands: 40000-40008. Left keys 40000, 40003, 40005, 40007; right keys 40001,
// 40004, 40006, 40008; 40002 is the accelerator that does nothing.
#define IDM_INITIAL_LEFT 40000
#define IDM_INITIAL_RIGHT 40001
#define IDM_ACCEL_NONE 40002
#define IDM_PROFILE_OK 40003
#define IDM_PROFILE_CANCEL 40004
#define IDM_RESET 40005
#define IDM_CLOSE 40006
#define IDM_MAIN_PROFILE 40007
#define IDM_MAIN_EXIT 40008
// Tab and Shift+Tab: the next and the previous input field of the current view.
#define IDM_NEXT_FIELD 40009
#define IDM_PREV_FIELD 40010
// The "stop" action of the workout's desktop notification
#define IDM_WORKOUT_STOP 40011
#define IDM_FIRST IDM_INITIAL_LEFT
#define IDM_LAST IDM_MAIN_EXIT
