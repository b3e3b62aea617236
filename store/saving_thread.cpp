// The saving thread: once a second it looks whether a workout runs; every tenth running second
// (counted across workouts) it saves today's row.
#include "store/saving_thread.h"

#include <utility>

bool CSavingThread::Start(Callbacks callbacks) {
    if (m_hThread) return true;
    m_Callbacks = std::move(callbacks);
    m_hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStop) return false;
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!m_hThread) {
        CloseHandle(m_hStop);
        m_hStop = nullptr;
        return false;
    }
    return true;
}

void CSavingThread::Stop() {
    if (!m_hThread) return;
    SetEvent(m_hStop);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    CloseHandle(m_hStop);
    m_hThread = nullptr;
    m_hStop = nullptr;
}

DWORD CSavingThread::ThreadProc(LPVOID param) {
    CSavingThread* self = static_cast<CSavingThread*>(param);
    while (WaitForSingleObject(self->m_hStop, 1000) == WAIT_TIMEOUT) {
        if (!self->m_Callbacks.isWorkoutRunning()) continue;
        unsigned ticks = self->m_nTicks.load(std::memory_order_relaxed) + 1;
        self->m_nTicks.store(ticks, std::memory_order_relaxed);
        if (ticks % 10 == 0) self->m_Callbacks.saveToday();
    }
    return 0;
}
