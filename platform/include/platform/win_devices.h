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
