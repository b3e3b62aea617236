// The saving thread: once a second, counts the seconds in which a workout runs and saves
// today's row on every tenth such second (counted across workouts).
#pragma once

#include <atomic>

#include "platform/windows.h"

class CStepEngine;

class CSavingThread {
public:
    ~CSavingThread() { Stop(); }
    bool Start(CStepEngine* engine);
    // Signals the thread and joins it; the database may be closed afterwards.
    void Stop();
    bool IsRunning() const { return m_hThread != nullptr; }
    unsigned Ticks() const { return m_nTicks; }

private:
    static DWORD ThreadProc(LPVOID param);
    CStepEngine* m_pEngine = nullptr;
    HANDLE m_hThread = nullptr;
    HANDLE m_hStop = nullptr;
    std::atomic<unsigned> m_nTicks{0};  // only the saving thread writes it
};
