// The saving thread: once a second, counts the seconds in which a workout runs and saves
// today's row on every tenth such second (counted across workouts).
#pragma once

#include <atomic>
#include <functional>

#include "platform/windows.h"

class CSavingThread {
public:
    // What the thread asks of the workout's owner; both are called on the saving thread.
    struct Callbacks {
        std::function<bool()> isWorkoutRunning;
        std::function<void()> saveToday;
    };

    ~CSavingThread() { Stop(); }
    bool Start(Callbacks callbacks);
    // Signals the thread and joins it; the database may be closed afterwards.
    void Stop();
    bool IsRunning() const { return m_hThread != nullptr; }
    unsigned Ticks() const { return m_nTicks; }

private:
    static DWORD ThreadProc(LPVOID param);
    Callbacks m_Callbacks;
    HANDLE m_hThread = nullptr;
    HANDLE m_hStop = nullptr;
    std::atomic<unsigned> m_nTicks{0};  // only the saving thread writes it
};
