// Devices: the acceleration sensor service "MAG0:", power management and the notification LED.
#pragma once

#include "platform/win_types.h"

// Sensor service
#define SENSOR_CTL_ATTACH 0x3C0029u
#define SENSOR_CTL_START 44u
#define SENSOR_CTL_STOP 45u
#define SENSOR_CTL_DETACH 38u
// TRUE when the service has a source of readings (an accelerometer, or one chosen for it);
// FALSE when readings cannot come, so that no workout is started without them. START answers
// the same way.
#define SENSOR_CTL_QUERY_SOURCE 47u
// The longest a reading may wait before it is sent (input: a DWORD of milliseconds; 1000 until
// set). Readings then reach the window in batches of about that length, and a device that
// buffers its samples is read that often.
#define SENSOR_CTL_SET_LATENCY 48u
// Sends every reading taken until now; they are posted to the window before the call returns.
#define SENSOR_CTL_FLUSH 49u
// Readings arrive at the attached window as this message: lParam = x << 16 | (y & 0xFFFF),
// wParam low 16 bits = z; all three signed 16-bit raw readings.
#define UM_SENSOR_DATA 0x812F

HANDLE GetServiceHandle(LPCWSTR serviceName, LPWSTR dllName, DWORD* dllNameSize);
BOOL ServiceIoControl(HANDLE service, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                      LPDWORD bytesReturned, LPVOID overlapped);

// Power notifications
#define PBT_TRANSITION 0x00000001
#define PBT_RESUME 0x00000002
#define PPN_UNATTENDEDMODE 0x0003

struct MSGQUEUEOPTIONS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMaxMessages;
    DWORD cbMaxMessage;
    BOOL bReadAccess;
};

struct POWER_BROADCAST {
    DWORD Message;
    DWORD Flags;
    DWORD Length;
    WCHAR SystemPowerState[1];
};

// Power setting notifications to a window: WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE and
// lParam the POWERBROADCAST_SETTING, at every change (and right after registering if the display
// is off already; a window takes it for on until told otherwise).
#define WM_POWERBROADCAST 0x0218
#define PBT_POWERSETTINGCHANGE 0x8013
#define DEVICE_NOTIFY_WINDOW_HANDLE 0x00000000
typedef void* HPOWERNOTIFY;
typedef const GUID* LPCGUID;

// Whether anybody can see the screen. Data: a DWORD, 0 off (here also: the session's screen
// saver is active), 1 on, 2 dimmed. {6FE69556-704A-47A0-8F24-C28D936FDA47}
inline constexpr GUID GUID_CONSOLE_DISPLAY_STATE = {
    0x6FE69556, 0x704A, 0x47A0, {0x8F, 0x24, 0xC2, 0x8D, 0x93, 0x6F, 0xDA, 0x47}};

struct POWERBROADCAST_SETTING {
    GUID PowerSetting;
    DWORD DataLength;
    UCHAR Data[1];
};

HPOWERNOTIFY RegisterPowerSettingNotification(HANDLE hRecipient, LPCGUID PowerSettingGuid, DWORD Flags);
BOOL UnregisterPowerSettingNotification(HPOWERNOTIFY Handle);

HANDLE CreateMsgQueue(LPCWSTR name, MSGQUEUEOPTIONS* options);
BOOL ReadMsgQueue(HANDLE queue, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, DWORD timeoutMs,
                  DWORD* flags);
BOOL CloseMsgQueue(HANDLE queue);
HANDLE RequestPowerNotifications(HANDLE queue, DWORD flags);
DWORD StopPowerNotifications(HANDLE notifications);
BOOL PowerPolicyNotify(DWORD message, DWORD data);
void SystemIdleTimerReset();

// Notification LED (vibration)
#define NLED_SETTINGS_INFO_ID 2

struct NLED_SETTINGS_INFO {
    UINT LedNum;
    INT OffOnBlink;
    LONG TotalCycleTime;
    LONG OnTime;
    LONG OffTime;
    INT MetaCycleOn;
    INT MetaCycleOff;
};

BOOL NLedSetDevice(UINT deviceId, void* info);
