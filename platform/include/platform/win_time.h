// The platform clock, timers, threads and synchronisation.
// Every call here reads one platform clock: the real one (CLOCK_MONOTONIC plus the local time
// zone) or the manual clock of tests (see mv_platform.h).
#pragma once

#include "platform/win_types.h"

typedef void (*TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
// A timer that may fire up to toleranceMs after it falls due, so that one wake of the thread
// serves it and other work. TIMERV_NO_COALESCING (and 0) make it exact, as SetTimer is. The
// manual clock fires every timer when it falls due.
#define TIMERV_DEFAULT_COALESCING 0u
#define TIMERV_NO_COALESCING 0xFFFFFFFFu
#define TIMERV_COALESCING_MIN 1u
#define TIMERV_COALESCING_MAX 0x7FFFFFF5u
UINT_PTR SetCoalescableTimer(HWND hWnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc, ULONG toleranceMs);
BOOL KillTimer(HWND hWnd, UINT_PTR id);

DWORD GetTickCount();
// Milliseconds of the monotonic clock, without the 49-day wrap of GetTickCount.
ULONGLONG GetTickCount64();
void GetSystemTime(LPSYSTEMTIME st);
void GetLocalTime(LPSYSTEMTIME st);
BOOL SystemTimeToFileTime(const SYSTEMTIME* st, LPFILETIME ft);
BOOL FileTimeToSystemTime(const FILETIME* ft, LPSYSTEMTIME st);
void Sleep(DWORD ms);

// Threads and waits. Timed waits run on the platform clock.
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

HANDLE CreateThread(LPVOID security, DWORD stackSize, LPTHREAD_START_ROUTINE start, LPVOID param, DWORD flags,
                    LPDWORD threadId);
// Manual-reset or auto-reset event.
HANDLE CreateEventW(LPVOID security, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE hEvent);
BOOL ResetEvent(HANDLE hEvent);
// For a thread handle: waits until the thread has ended. For an event: until it is signalled.
DWORD WaitForSingleObject(HANDLE h, DWORD timeoutMs);
BOOL CloseHandle(HANDLE h);
DWORD GetCurrentThreadId();
// The calling thread's pseudo-handle; it needs no CloseHandle.
HANDLE GetCurrentThread();
// Names a thread for the system's tools (top -H, ps -L, perf, a debugger): the calling thread, or a
// running thread made by CreateThread. The system keeps the first 15 bytes of the UTF-8 name.
HRESULT SetThreadDescription(HANDLE thread, LPCWSTR description);

struct CRITICAL_SECTION {
    void* impl;
};
void InitializeCriticalSection(CRITICAL_SECTION* cs);
void DeleteCriticalSection(CRITICAL_SECTION* cs);
void EnterCriticalSection(CRITICAL_SECTION* cs);
void LeaveCriticalSection(CRITICAL_SECTION* cs);
