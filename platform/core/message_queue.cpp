// The UI thread's message queue: sent messages (direct on the UI thread, queued and awaited from
// other threads), posted messages, and taking messages in Win32 order: sent, posted, input,
// WM_QUIT, WM_PAINT, WM_TIMER.
#include <algorithm>

#include "platform/core/core_state.h"
#include "platform/core/mv_internal.h"
#include "platform/win_window.h"

namespace mv {

namespace {
// The time of the message the UI thread's window procedure is handling (GetMessageTime).
thread_local DWORD t_messageTime = 0;
}  // namespace

LRESULT CallWindowProcedureAt(DWORD time, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc;
    std::shared_ptr<std::function<void(HWND, UINT, WPARAM, LPARAM)>> observer;
    {
        Lock lk(CoreState().mutex);
        Window* w = WindowLocked(hWnd);
        if (w == nullptr || w->proc == nullptr) return 0;
        proc = w->proc;
        observer = CoreState().observer;
    }
    if (observer && *observer) (*observer)(hWnd, msg, wParam, lParam);
    const DWORD outer = t_messageTime;
    t_messageTime = time;
    LRESULT result = proc(hWnd, msg, wParam, lParam);
    t_messageTime = outer;
    return result;
}

LRESULT CallWindowProcedure(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcedureAt(static_cast<DWORD>(NowMs()), hWnd, msg, wParam, lParam);
}

void WakeUiLocked() {
    Core& g = CoreState();
    if (!g.wakePending) {
        g.wakePending = true;
        if (DisplayBackend* d = Display()) d->Wake();
    }
    g.cv.notify_all();
}

void NotifySettleLocked() {
    if (CoreState().manual.load()) CoreState().cv.notify_all();
}

bool HandleSentLocked(Lock& lk) {
    Core& g = CoreState();
    bool any = false;
    while (!g.sent.empty()) {
        SentMessage* sm = g.sent.front();
        g.sent.pop_front();
        HWND h = sm->hwnd;
        UINT m = sm->msg;
        WPARAM wp = sm->wParam;
        LPARAM lp = sm->lParam;
        DWORD time = sm->time;
        lk.unlock();
        LRESULT r = CallWindowProcedureAt(time, h, m, wp, lp);
        lk.lock();
        // The sender runs again as soon as `done` is seen; mark it running first so that a
        // clock step never mistakes it for asleep.
        if (sm->sender) sm->sender->state = ThreadState::Running;
        sm->result = r;
        sm->done = true;
        if (sm->sender) sm->sender->cv.notify_one();
        any = true;
    }
    return any;
}

void FailPendingSendsLocked() {
    Core& g = CoreState();
    for (SentMessage* sm : g.sent) {
        if (sm->sender) sm->sender->state = ThreadState::Running;
        sm->result = 0;
        sm->done = true;
        if (sm->sender) sm->sender->cv.notify_one();
    }
    g.sent.clear();
}

bool TakeReadyLocked(Lock& lk, MSG* msg, HWND filter, UINT minMsg, UINT maxMsg, unsigned flags,
                     const std::vector<HWND>& skipPaint) {
    Core& g = CoreState();
    bool remove = (flags & kTakeRemove) != 0;
    auto inRange = [&](UINT m) { return (minMsg == 0 && maxMsg == 0) || (m >= minMsg && m <= maxMsg); };
    for (;;) {
        for (auto it = g.posted.begin(); it != g.posted.end(); ++it) {
            if (filter != nullptr && (it->hwnd == nullptr || !WindowMatchesFilterLocked(it->hwnd, filter)))
                continue;
            if (!inRange(it->message)) continue;
            *msg = *it;  // posted messages keep the time they were posted at
            msg->pt = g.lastPos;
            if (remove) g.posted.erase(it);
            return true;
        }
        int input = TakeInputLocked(lk, msg, filter, minMsg, maxMsg, remove);
        if (input == 1) return true;
        if (input == 2) continue;  // consumed on the way (a soft key); look again
        break;
    }
    if ((flags & kTakeQuit) && g.quitPending && inRange(WM_QUIT)) {
        *msg =
            MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g.quitCode), 0, static_cast<DWORD>(NowMs()), g.lastPos};
        if (remove) g.quitPending = false;
        return true;
    }
    if ((flags & kTakePaint) && inRange(WM_PAINT)) {
        HWND h = PaintCandidateLocked(filter, skipPaint);
        if (h != nullptr) {
            *msg = MSG{h, WM_PAINT, 0, 0, static_cast<DWORD>(NowMs()), g.lastPos};
            return true;
        }
    }
    if ((flags & kTakeTimers) && inRange(WM_TIMER) && TakeDueTimerLocked(msg, filter, remove)) {
        msg->pt = g.lastPos;
        return true;
    }
    return false;
}

}  // namespace mv

using namespace mv;

LRESULT SendMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Core& g = CoreState();
    Lock lk(g.mutex);
    if (WindowLocked(hWnd) == nullptr) return 0;
    if (IsUiThreadLocked() || !g.hasUiThread) {
        lk.unlock();
        return CallWindowProcedure(hWnd, msg, wParam, lParam);
    }
    if (g.shuttingDown) return 0;
    SentMessage sm;
    sm.hwnd = hWnd;
    sm.msg = msg;
    sm.wParam = wParam;
    sm.lParam = lParam;
    sm.time = static_cast<DWORD>(NowMs());
    sm.sender = SelfRecLocked();
    sm.sender->state = ThreadState::Sending;
    g.sent.push_back(&sm);
    WakeUiLocked();
    std::shared_ptr<ThreadRec> self = sm.sender;
    while (!sm.done) self->cv.wait(lk);
    return sm.result;
}

BOOL PostMessageW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return MvPostMessageAt(hWnd, msg, wParam, lParam, static_cast<DWORD>(NowMs()), 0);
}

BOOL MvPostMessageAt(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD time, DWORD wakeAfterMs) {
    Core& g = CoreState();
    bool notify = false;
    {
        Lock lk(g.mutex);
        if (hWnd != nullptr && WindowLocked(hWnd) == nullptr) return FALSE;
        const int64_t now = NowMs();
        if (g.posted.empty()) g.postedSince = now;
        g.posted.push_back(MSG{hWnd, msg, wParam, lParam, time, POINT{}});
        // Waited: since the queue filled, or since the message's own time (a reading read late
        // from a buffer has been waiting since it was taken).
        const int64_t age = static_cast<int32_t>(static_cast<DWORD>(now) - time);
        const int64_t waited = std::max(now - g.postedSince, age);
        const bool wake = wakeAfterMs == 0 || waited >= static_cast<int64_t>(wakeAfterMs);
        if (wake && !g.wakePending) {
            g.wakePending = true;
            if (DisplayBackend* d = Display()) d->Wake();
            notify = true;
        }
    }
    // Notified after the lock is let go, so that the UI thread does not wake only to wait for it.
    if (notify) g.cv.notify_all();
    return TRUE;
}

void MvRemovePostedMessages(HWND hWnd, UINT msg) {
    Core& g = CoreState();
    Lock lk(g.mutex);
    g.posted.erase(
        std::remove_if(g.posted.begin(), g.posted.end(),
                       [&](const MSG& m) { return m.message == msg && (hWnd == nullptr || m.hwnd == hWnd); }),
        g.posted.end());
}

LONG GetMessageTime() {
    return static_cast<LONG>(t_messageTime);
}

void PostQuitMessage(int exitCode) {
    Core& g = CoreState();
    Lock lk(g.mutex);
    g.quitPending = true;
    g.quitCode = exitCode;
    WakeUiLocked();
}

BOOL TranslateMessage(const MSG* msg) {
    if (msg == nullptr || msg->message != WM_KEYDOWN) return FALSE;
    if (msg->lParam & kKeyNoTranslate) return FALSE;
    if (GetKeyState(VK_CONTROL) & 0x8000) return FALSE;
    UINT vk = static_cast<UINT>(msg->wParam);
    wchar_t ch = 0;
    if (vk >= 'A' && vk <= 'Z')
        ch = static_cast<wchar_t>(vk - 'A' + 'a');
    else if ((vk >= '0' && vk <= '9') || vk == ' ')
        ch = static_cast<wchar_t>(vk);
    else if (vk == VK_RETURN)
        ch = L'\r';
    else if (vk == VK_BACK)
        ch = L'\b';
    else if (vk == VK_TAB)
        ch = L'\t';
    else if (vk == VK_ESCAPE)
        ch = 0x1B;
    if (ch == 0) return FALSE;
    Core& g = CoreState();
    Lock lk(g.mutex);
    // The character comes next, before anything posted earlier.
    if (g.posted.empty()) g.postedSince = NowMs();
    g.posted.push_front(
        MSG{msg->hwnd, WM_CHAR, static_cast<WPARAM>(ch), msg->lParam & 0xFFFF, msg->time, POINT{}});
    WakeUiLocked();
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        TIMERPROC proc = nullptr;
        {
            Lock lk(CoreState().mutex);
            for (const Timer& t : CoreState().timers)
                if (t.hwnd == msg->hwnd && t.id == msg->wParam &&
                    reinterpret_cast<LPARAM>(t.proc) == msg->lParam)
                    proc = t.proc;
        }
        if (proc != nullptr) {
            proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
            return 0;
        }
    }
    return CallWindowProcedureAt(msg->time, msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcW(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case WM_PAINT:
            ValidateRect(hWnd, nullptr);
            return 0;
        case WM_SETTEXT: {
            Lock lk(CoreState().mutex);
            Window* w = WindowLocked(hWnd);
            if (w == nullptr) return FALSE;
            const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
            w->text = text ? text : L"";
            return TRUE;
        }
        case WM_GETTEXT: {
            wchar_t* buffer = reinterpret_cast<wchar_t*>(lParam);
            int max = static_cast<int>(wParam);
            if (buffer == nullptr || max <= 0) return 0;
            Lock lk(CoreState().mutex);
            Window* w = WindowLocked(hWnd);
            if (w == nullptr) {
                buffer[0] = 0;
                return 0;
            }
            int n = std::min(static_cast<int>(w->text.size()), max - 1);
            std::copy(w->text.begin(), w->text.begin() + n, buffer);
            buffer[n] = 0;
            return n;
        }
        case WM_GETTEXTLENGTH: {
            Lock lk(CoreState().mutex);
            Window* w = WindowLocked(hWnd);
            return w ? static_cast<LRESULT>(w->text.size()) : 0;
        }
        default:
            return 0;
    }
}

DWORD GetMessagePos() {
    Lock lk(CoreState().mutex);
    return static_cast<DWORD>(MAKELONG(CoreState().lastPos.x, CoreState().lastPos.y));
}

void MvSetMessageObserver(std::function<void(HWND, UINT, WPARAM, LPARAM)> observer) {
    Lock lk(CoreState().mutex);
    if (observer)
        CoreState().observer =
            std::make_shared<std::function<void(HWND, UINT, WPARAM, LPARAM)>>(std::move(observer));
    else
        CoreState().observer.reset();
}
