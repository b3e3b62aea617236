// Window timers on the platform clock. A timer falls due every `interval` ms; WM_TIMER is the
// lowest-priority message and is generated when taken, so a late timer fires once, not in bursts.
// A coalescable timer may fire up to its tolerance after it falls due: the real clock's loop
// sleeps until the latest moment and takes every timer already due along with whatever woke it.
#include <algorithm>

#include "platform/core/core_state.h"
#include "platform/win_time.h"

namespace mv {

int64_t NextTimerDueLocked(bool withTolerance) {
    int64_t next = -1;
    for (const Timer& t : CoreState().timers) {
        const int64_t at = withTolerance ? t.due + t.tolerance : t.due;
        if (next < 0 || at < next) next = at;
    }
    return next;
}

bool TakeDueTimerLocked(MSG* msg, HWND filter, bool remove) {
    Core& g = CoreState();
    int64_t now = NowMs();
    Timer* first = nullptr;
    for (Timer& t : g.timers) {
        if (t.due > now) continue;
        if (filter != nullptr && (t.hwnd == nullptr || !WindowMatchesFilterLocked(t.hwnd, filter))) continue;
        if (first == nullptr || t.due < first->due || (t.due == first->due && t.seq < first->seq)) first = &t;
    }
    if (first == nullptr) return false;
    *msg =
        MSG{first->hwnd, WM_TIMER, first->id, reinterpret_cast<LPARAM>(first->proc), static_cast<DWORD>(now),
            POINT{}};
    if (remove) {
        // Periodic: the next due time keeps the phase; a timer that fell behind fires once.
        first->due += first->interval;
        if (first->due <= now) first->due += ((now - first->due) / first->interval + 1) * first->interval;
    }
    return true;
}

void KillWindowTimersLocked(HWND hWnd) {
    auto& timers = CoreState().timers;
    timers.erase(
        std::remove_if(timers.begin(), timers.end(), [hWnd](const Timer& t) { return t.hwnd == hWnd; }),
        timers.end());
}

}  // namespace mv

using namespace mv;

UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    return SetCoalescableTimer(hWnd, id, elapseMs, proc, TIMERV_NO_COALESCING);
}

UINT_PTR SetCoalescableTimer(HWND hWnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc, ULONG toleranceMs) {
    if (toleranceMs > TIMERV_COALESCING_MAX && toleranceMs != TIMERV_NO_COALESCING) return 0;
    const UINT tolerance = toleranceMs == TIMERV_NO_COALESCING ? 0 : toleranceMs;
    Core& g = CoreState();
    Lock lk(g.mutex);
    if (hWnd != nullptr && WindowLocked(hWnd) == nullptr) return 0;
    if (hWnd == nullptr) {
        // A timer without a window gets a fresh id and needs its procedure.
        if (proc == nullptr) return 0;
        static UINT_PTR nextThreadTimer = 0x7000;
        id = nextThreadTimer++;
    }
    UINT interval = std::max<UINT>(elapseMs, 10);  // Win32's minimum period
    for (Timer& t : g.timers) {
        if (t.hwnd == hWnd && t.id == id) {
            t.interval = interval;
            t.tolerance = tolerance;
            t.due = NowMs() + interval;
            t.proc = proc;
            t.seq = ++g.timerSeq;
            WakeUiLocked();
            return id == 0 ? 1 : id;
        }
    }
    Timer t;
    t.hwnd = hWnd;
    t.id = id;
    t.interval = interval;
    t.tolerance = tolerance;
    t.due = NowMs() + interval;
    t.proc = proc;
    t.seq = ++g.timerSeq;
    g.timers.push_back(t);
    WakeUiLocked();
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hWnd, UINT_PTR id) {
    Lock lk(CoreState().mutex);
    auto& timers = CoreState().timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hWnd && t.id == id; });
    if (it == timers.end()) return FALSE;
    timers.erase(it);
    return TRUE;
}
