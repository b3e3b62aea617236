// The message loop calls: GetMessageW (which also drives scripted runs and, under the manual
// clock, lets script waits pass), PeekMessageW, MvPumpMessages and MvAdvanceClock.
#include <algorithm>
#include <chrono>

#include "platform/core/core_state.h"
#include "platform/mv_platform.h"
#include "platform/win_window.h"

namespace mv {

namespace {

constexpr unsigned kTakeAll = kTakeRemove | kTakeTimers | kTakeQuit | kTakePaint;

// Turns display events into input, presents the framebuffer and carries out raise requests.
// Returns ms until the display wants to present again, or -1.
int64_t ServiceDisplayLocked(Lock& lk) {
    Core& g = CoreState();
    DisplayBackend* d = Display();
    bool raise = g.raisePending;
    g.raisePending = false;
    if (d == nullptr && !raise) return -1;
    lk.unlock();
    int64_t presentIn = -1;
    if (d != nullptr) {
        d->PollEvents();
        presentIn = d->Present();
    }
    if (raise) ApplyRaise();
    lk.lock();
    return presentIn;
}

// Waits for a wake (a post from any thread, a display event) or the timeout (-1: none).
void IdleWaitLocked(Lock& lk, int64_t timeoutMs) {
    Core& g = CoreState();
    if (g.wakePending) {
        g.wakePending = false;
        return;
    }
    DisplayBackend* d = Display();
    if (d != nullptr && d->WaitsItself()) {
        lk.unlock();
        d->WaitEvents(timeoutMs);
        lk.lock();
    } else if (timeoutMs < 0) {
        g.cv.wait(lk, [&g] { return g.wakePending; });
    } else {
        g.cv.wait_for(lk, std::chrono::milliseconds(timeoutMs), [&g] { return g.wakePending; });
    }
    g.wakePending = false;
}

int64_t MinTimeout(int64_t a, int64_t b) {
    if (a < 0) return b;
    if (b < 0) return a;
    return std::min(a, b);
}

// Manual clock: moves to the next moment something happens, no further than `limit`.
void StepManualClockLocked(Lock& lk, int64_t limit) {
    int64_t sleeper = NextSleeperWakeLocked();
    int64_t timer = NextTimerDueLocked();
    int64_t next = MinTimeout(sleeper, timer);
    if (next < 0 || next > limit) {
        SetManualNowLocked(limit);
        return;
    }
    SetManualNowLocked(next);
    if (sleeper == next) {
        while (WakeOneDueLocked(next)) SettleLocked(lk, true);
    }
}

}  // namespace

int DispatchReadyLocked(Lock& lk, bool takeQuit, int* quitCode) {
    std::vector<HWND> painted;  // one WM_PAINT per window per round, even if it stays invalid
    int result = 0;
    for (;;) {
        HandleSentLocked(lk);
        MSG m;
        unsigned flags = kTakeRemove | kTakeTimers | kTakePaint | (takeQuit ? kTakeQuit : 0);
        if (!TakeReadyLocked(lk, &m, nullptr, 0, 0, flags, painted)) return result;
        if (m.message == WM_QUIT) {
            if (quitCode) *quitCode = static_cast<int>(m.wParam);
            return -1;
        }
        if (m.message == WM_PAINT) painted.push_back(m.hwnd);
        lk.unlock();
        TranslateMessage(&m);
        DispatchMessageW(&m);
        lk.lock();
        result = 1;
    }
}

}  // namespace mv

using namespace mv;

BOOL GetMessageW(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) return FALSE;
    EnsureUiThread();
    Core& g = CoreState();
    Lock lk(g.mutex);
    const std::vector<HWND> none;
    for (;;) {
        HandleSentLocked(lk);
        int64_t presentIn = ServiceDisplayLocked(lk);
        if (TakeReadyLocked(lk, msg, hWnd, filterMin, filterMax, kTakeAll, none))
            return msg->message != WM_QUIT;
        if (!g.sent.empty()) continue;
        if (g.manual.load() && !g.shuttingDown) {
            // Let the threads finish what they are doing: they may post or send.
            if (AnyRunningLocked()) {
                SettleLocked(lk, true);
                continue;
            }
            if (g.scriptWaitUntil >= 0) {
                if (NowMs() >= g.scriptWaitUntil) {
                    g.scriptWaitUntil = -1;
                } else {
                    StepManualClockLocked(lk, g.scriptWaitUntil);
                }
                continue;
            }
            if (ScriptHasStep()) {
                lk.unlock();
                RunScriptStep();
                lk.lock();
                continue;
            }
            IdleWaitLocked(lk, presentIn);
            continue;
        }
        int64_t now = NowMs();
        int64_t timeout = -1;
        int64_t due = NextTimerDueLocked(true);
        if (due >= 0) timeout = std::max<int64_t>(due - now, 0);
        if (g.scriptWaitUntil >= 0) {
            if (now >= g.scriptWaitUntil) {
                g.scriptWaitUntil = -1;
                continue;
            }
            timeout = MinTimeout(timeout, g.scriptWaitUntil - now);
        } else if (ScriptHasStep()) {
            lk.unlock();
            RunScriptStep();
            lk.lock();
            continue;
        }
        IdleWaitLocked(lk, MinTimeout(timeout, presentIn));
    }
}

BOOL PeekMessageW(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (msg == nullptr) return FALSE;
    EnsureUiThread();
    Lock lk(CoreState().mutex);
    HandleSentLocked(lk);
    ServiceDisplayLocked(lk);
    unsigned flags = kTakeTimers | kTakeQuit | kTakePaint | ((removeMsg & PM_REMOVE) ? kTakeRemove : 0);
    return TakeReadyLocked(lk, msg, hWnd, filterMin, filterMax, flags, {}) ? TRUE : FALSE;
}

bool MvPumpMessages(int* exitCode) {
    EnsureUiThread();
    Lock lk(CoreState().mutex);
    ServiceDisplayLocked(lk);
    return DispatchReadyLocked(lk, true, exitCode) >= 0;
}

void MvAdvanceClock(DWORD ms) {
    EnsureUiThread();
    Core& g = CoreState();
    Lock lk(g.mutex);
    if (!IsUiThreadLocked()) return;
    if (!g.manual.load()) {
        // Real clock: handle messages for that long.
        int64_t deadline = NowMs() + ms;
        for (;;) {
            int64_t presentIn = ServiceDisplayLocked(lk);
            DispatchReadyLocked(lk, false, nullptr);
            int64_t now = NowMs();
            if (now >= deadline) return;
            int64_t timeout = deadline - now;
            int64_t due = NextTimerDueLocked(true);
            if (due >= 0) timeout = std::min(timeout, std::max<int64_t>(due - now, 0));
            IdleWaitLocked(lk, MinTimeout(timeout, presentIn));
        }
    }
    int64_t target = NowMs() + ms;
    for (;;) {
        int dispatched;
        do {
            SettleLocked(lk, true);
            dispatched = DispatchReadyLocked(lk, false, nullptr);
        } while (!g.shuttingDown && (dispatched > 0 || AnyRunningLocked() || !g.sent.empty()));
        if (g.shuttingDown || NowMs() >= target) break;
        StepManualClockLocked(lk, target);
    }
    SetManualNowLocked(target);
    ServiceDisplayLocked(lk);
}
