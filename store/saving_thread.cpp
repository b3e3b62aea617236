// The saving thread: sleeps until the tenth running second (or a change of the run state), counts
// the running seconds on its beat and saves today's row on every tenth of them.
#include "store/saving_thread.h"

#include <utility>

namespace {
constexpr DWORD kBeatMs = 1000;
constexpr unsigned kSaveEvery = CSavingThread::kSavePeriodMs / kBeatMs;
}  // namespace

bool CSavingThread::Start(Callbacks callbacks) {
    if (m_hThread) return true;
    m_Callbacks = std::move(callbacks);
    m_bStop = false;
    m_hWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_hWake) return false;
    m_dwOrigin = GetTickCount();
    m_nBeatsSeen = 0;
    m_bCounting = false;
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!m_hThread) {
        CloseHandle(m_hWake);
        m_hWake = nullptr;
        return false;
    }
    return true;
}

void CSavingThread::Stop() {
    if (!m_hThread) return;
    m_bStop = true;
    SetEvent(m_hWake);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    CloseHandle(m_hWake);
    m_hThread = nullptr;
    m_hWake = nullptr;
}

void CSavingThread::RunStateChanged() {
    if (m_hWake) SetEvent(m_hWake);
}

uint64_t CSavingThread::BeatsNow() const {
    return (GetTickCount() - m_dwOrigin.load()) / kBeatMs;
}

unsigned CSavingThread::Ticks() const {
    unsigned ticks = m_nTicks.load();
    if (m_hThread && m_bCounting.load()) {
        const uint64_t now = BeatsNow(), seen = m_nBeatsSeen.load();
        if (now > seen) ticks += static_cast<unsigned>(now - seen);
    }
    return ticks;
}

DWORD CSavingThread::ThreadProc(LPVOID param) {
    CSavingThread* self = static_cast<CSavingThread*>(param);
    SetThreadDescription(GetCurrentThread(), L"saving");
    for (;;) {
        // The beats since the last look: each counts when the workout ran through them (the run
        // state is only looked at after a change woke the thread, so it held until now).
        const uint64_t beats = self->BeatsNow();
        const uint64_t seen = self->m_nBeatsSeen.load();
        if (beats > seen) {
            if (self->m_bCounting.load()) {
                const unsigned before = self->m_nTicks.load();
                const unsigned after = before + static_cast<unsigned>(beats - seen);
                self->m_nTicks.store(after);
                if (after / kSaveEvery != before / kSaveEvery) {
                    if (self->m_Callbacks.beforeSave) self->m_Callbacks.beforeSave();
                    self->m_Callbacks.saveToday();
                }
            }
            self->m_nBeatsSeen.store(beats);
        }
        if (self->m_bStop.load()) break;
        const bool running = self->m_Callbacks.isWorkoutRunning();
        self->m_bCounting.store(running);
        DWORD wait = INFINITE;
        if (running) {
            // Until the beat of the next tenth running second.
            const unsigned ticks = self->m_nTicks.load();
            const uint64_t dueBeat = beats + (kSaveEvery - ticks % kSaveEvery);
            const DWORD dueMs = static_cast<DWORD>(dueBeat * kBeatMs);
            const DWORD sinceOrigin = GetTickCount() - self->m_dwOrigin.load();
            wait = dueMs > sinceOrigin ? dueMs - sinceOrigin : 0;
        }
        WaitForSingleObject(self->m_hWake, wait);
    }
    return 0;
}
