// The saving thread: counts the seconds in which a workout runs (looking once a second, on a
// beat of whole seconds from its start) and saves today's row on every tenth such second
// (counted across workouts). It sleeps until the next tenth second and wakes early only when the
// run state changes; the seconds that passed meanwhile are counted as a thread looking once a
// second would have counted them. Before each save the owner may bring the readings taken until
// then into the counters (while readings come in batches), so that a save holds all of them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/windows.h"

class CSavingThread {
public:
    // What the thread asks of the workout's owner; both are called on the saving thread.
    struct Callbacks {
        std::function<bool()> isWorkoutRunning;
        std::function<void()> saveToday;
        std::function<void()> beforeSave;  // optional
    };
    // Time between two saves of a running workout.
    static constexpr DWORD kSavePeriodMs = 10000;

    ~CSavingThread() { Stop(); }
    bool Start(Callbacks callbacks);
    // Signals the thread and joins it; the database may be closed afterwards.
    void Stop();
    // The engine's run state changed (a workout started or stopped).
    void RunStateChanged();
    bool IsRunning() const { return m_hThread != nullptr; }
    // Running seconds counted so far, including those since the thread last looked.
    unsigned Ticks() const;

private:
    static DWORD ThreadProc(LPVOID param);
    // Whole seconds of the beat passed since the thread started.
    uint64_t BeatsNow() const;

    Callbacks m_Callbacks;
    HANDLE m_hThread = nullptr;
    HANDLE m_hWake = nullptr;  // auto-reset: stop or a change of the run state
    std::atomic<bool> m_bStop{false};
    std::atomic<unsigned> m_nTicks{0};  // only the saving thread writes it
    // The beat: GetTickCount at the thread's start, the beats accounted for, and whether the
    // workout ran during the beats since then.
    std::atomic<DWORD> m_dwOrigin{0};
    std::atomic<uint64_t> m_nBeatsSeen{0};
    std::atomic<bool> m_bCounting{false};
};
