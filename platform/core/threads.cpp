// Threads, events, waits, Sleep and critical sections on the platform clock.
// Under the manual clock the threads that move with the clock (made by CreateThread, or that
// have slept or waited with a timeout) are known: each is running, blocked (asleep until a
// platform time, or waiting for an object) or sending to the UI thread. The UI thread moves the
// clock only when none of them runs, so a clock step wakes sleepers one at a time and lets each
// run until it blocks again. Other threads (say, one that only takes a critical section) run
// freely and are never waited for.
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/core/core_state.h"
#include "platform/win_time.h"

namespace mv {

namespace {

std::atomic<DWORD> g_nextTid{1000};
// What GetCurrentThread answers, as on Windows: (HANDLE)-2.
HANDLE const kCurrentThreadPseudoHandle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2));
thread_local DWORD t_tid = 0;
thread_local std::shared_ptr<ThreadRec> t_rec;

void RemoveRecLocked(const std::shared_ptr<ThreadRec>& rec) {
    auto& list = CoreState().threads;
    list.erase(std::remove(list.begin(), list.end(), rec), list.end());
}

// Marks a thread that registered itself (it did not come from CreateThread) finished at exit.
struct ThreadExitGuard {
    std::shared_ptr<ThreadRec> rec;
    ~ThreadExitGuard() {
        if (!rec) return;
        Lock lk(CoreState().mutex);
        rec->state = ThreadState::Finished;
        RemoveRecLocked(rec);
        NotifySettleLocked();
    }
};
thread_local ThreadExitGuard t_exitGuard;

// Ends the block of a blocked thread: it runs again and looks at what it waits for.
void WakeRecLocked(ThreadRec* rec) {
    rec->woken = true;
    rec->state = ThreadState::Running;
    rec->cv.notify_one();
}

// Wakes the threads waiting for `object` (the UI thread too, if it waits for it); they look at
// it again.
void WakeWaitersLocked(const void* object) {
    for (auto& rec : CoreState().threads)
        if (rec->state == ThreadState::Blocked && rec->waitingOn == object) WakeRecLocked(rec.get());
    if (CoreState().uiWaitingOn == object) CoreState().cv.notify_all();
}

// Blocks the calling (non-UI) thread until it is woken: by the clock at `deadline` (platform ms,
// -1 none), by a signal of `object`, or, for timed blocks, by platform shutdown.
void BlockSelfLocked(Lock& lk, ThreadRec* rec, int64_t deadline, const void* object) {
    Core& g = CoreState();
    rec->state = ThreadState::Blocked;
    rec->wakeAt = deadline;
    rec->waitingOn = object;
    rec->woken = false;
    rec->ignored = false;
    if (deadline >= 0) rec->clock = true;
    NotifySettleLocked();
    while (!rec->woken) {
        if (g.shuttingDown && deadline >= 0) break;
        if (g.manual.load() || deadline < 0) {
            rec->cv.wait(lk);
        } else {
            int64_t now = NowMs();
            if (now >= deadline) break;
            rec->cv.wait_for(lk, std::chrono::milliseconds(deadline - now));
        }
    }
    rec->state = ThreadState::Running;
    rec->wakeAt = -1;
    rec->waitingOn = nullptr;
}

// Wakes the sleeper due first (earliest time, then earliest registered) if it is due by `t`.
bool WakeOneDueImpl(int64_t t) {
    ThreadRec* first = nullptr;
    for (auto& rec : CoreState().threads) {
        if (rec->state != ThreadState::Blocked || rec->wakeAt < 0 || rec->wakeAt > t) continue;
        if (first == nullptr || rec->wakeAt < first->wakeAt) first = rec.get();
    }
    if (first == nullptr) return false;
    SetManualNowLocked(first->wakeAt);
    first->wakeAt = -1;
    WakeRecLocked(first);
    return true;
}

// Marks what the UI thread waits for while it waits (waits nest through sent messages).
class UiWaitingOn {
public:
    explicit UiWaitingOn(const void* object) : m_pPrevious(CoreState().uiWaitingOn) {
        CoreState().uiWaitingOn = object;
    }
    ~UiWaitingOn() { CoreState().uiWaitingOn = m_pPrevious; }  // mutex held again by then
    UiWaitingOn(const UiWaitingOn&) = delete;
    UiWaitingOn& operator=(const UiWaitingOn&) = delete;

private:
    const void* m_pPrevious;
};

// The UI thread waits for `ready`. Sent messages are handled meanwhile when asked (so a thread
// that sends to the UI thread can finish what the UI thread waits for). Under the manual clock
// the wait lets platform time pass up to the deadline, waking sleepers in order.
template <typename Ready>
bool UiWaitLocked(Lock& lk, Ready ready, int64_t deadline, bool handleSent, const void* object) {
    Core& g = CoreState();
    UiWaitingOn waiting(object);
    for (;;) {
        if (handleSent) HandleSentLocked(lk);
        if (ready()) return true;
        if (deadline >= 0 && NowMs() >= deadline) return false;
        if (g.manual.load()) {
            SettleLocked(lk, handleSent);
            if (ready()) return true;
            if (handleSent && !g.sent.empty()) continue;
            int64_t next = NextSleeperWakeLocked();
            if (next >= 0 && (deadline < 0 || next <= deadline)) {
                WakeOneDueImpl(next);
                continue;
            }
            if (deadline >= 0) {
                SetManualNowLocked(deadline);
                continue;
            }
            g.cv.wait_for(lk, std::chrono::milliseconds(50));
        } else if (deadline < 0) {
            g.cv.wait(lk);
        } else {
            g.cv.wait_for(lk, std::chrono::milliseconds(std::max<int64_t>(deadline - NowMs(), 0)));
        }
    }
}

struct CriticalSectionImpl {
    DWORD owner = 0;
    int count = 0;
};

std::shared_ptr<KernelObject> ObjectLocked(HANDLE h) {
    auto it = CoreState().objects.find(reinterpret_cast<uintptr_t>(h));
    return it == CoreState().objects.end() ? nullptr : it->second;
}

HANDLE AddObjectLocked(std::shared_ptr<KernelObject> obj) {
    Core& g = CoreState();
    uintptr_t value = g.nextObjectHandle;
    g.nextObjectHandle += 4;
    g.objects[value] = std::move(obj);
    return reinterpret_cast<HANDLE>(value);
}

}  // namespace

std::shared_ptr<ThreadRec> SelfRecLocked() {
    if (!t_rec) {
        t_rec = std::make_shared<ThreadRec>();
        t_rec->tid = GetCurrentThreadId();
        CoreState().threads.push_back(t_rec);
        t_exitGuard.rec = t_rec;  // marks the thread finished when it ends
    }
    return t_rec;
}

void ForgetSelfRecLocked() {
    if (!t_rec) return;
    RemoveRecLocked(t_rec);
    t_rec.reset();
    t_exitGuard.rec.reset();
}

bool AnyRunningLocked() {
    for (auto& rec : CoreState().threads)
        if (rec->state == ThreadState::Running && rec->clock && !rec->ignored) return true;
    return false;
}

int64_t NextSleeperWakeLocked() {
    int64_t next = -1;
    for (auto& rec : CoreState().threads)
        if (rec->state == ThreadState::Blocked && rec->wakeAt >= 0 && (next < 0 || rec->wakeAt < next))
            next = rec->wakeAt;
    return next;
}

bool WakeOneDueLocked(int64_t t) {
    return WakeOneDueImpl(t);
}

void AdvanceManualToLocked(int64_t t) {
    while (WakeOneDueImpl(t)) {
    }
    SetManualNowLocked(t);
}

void SettleLocked(Lock& lk, bool handleSent) {
    Core& g = CoreState();
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (handleSent && !g.sent.empty()) {
            HandleSentLocked(lk);
            continue;
        }
        if (g.shuttingDown || !AnyRunningLocked()) return;
        g.cv.wait_for(lk, std::chrono::milliseconds(20));
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(5)) {
            // A thread that blocks outside the platform calls cannot be waited for: move on.
            for (auto& rec : g.threads) {
                if (rec->state != ThreadState::Running || !rec->clock || rec->ignored) continue;
                rec->ignored = true;
                if (!rec->warned) {
                    rec->warned = true;
                    std::fprintf(stderr,
                                 "movimetra: thread %u kept running for 5 s under the manual clock; "
                                 "the clock no longer waits for it\n",
                                 static_cast<unsigned>(rec->tid));
                }
            }
            return;
        }
    }
}

void WakeAllBlockedLocked() {
    for (auto& rec : CoreState().threads)
        if (rec->state == ThreadState::Blocked && rec->wakeAt >= 0) WakeRecLocked(rec.get());
    CoreState().cv.notify_all();
}

}  // namespace mv

using namespace mv;

DWORD GetCurrentThreadId() {
    if (t_tid == 0) t_tid = g_nextTid.fetch_add(1);
    return t_tid;
}

void Sleep(DWORD ms) {
    Core& g = CoreState();
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    Lock lk(g.mutex);
    if (!g.manual.load()) {
        lk.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(ms == INFINITE ? 0x7FFFFFFF : ms));
        return;
    }
    int64_t deadline = ms == INFINITE ? -1 : NowMs() + ms;
    if (IsUiThreadLocked()) {
        // The UI thread sleeping lets platform time pass; sent messages wait (as on Win32).
        UiWaitLocked(
            lk, [] { return false; }, deadline < 0 ? NowMs() : deadline, false, nullptr);
        return;
    }
    if (g.shuttingDown) return;
    std::shared_ptr<ThreadRec> rec = SelfRecLocked();
    BlockSelfLocked(lk, rec.get(), deadline, nullptr);
}

HANDLE CreateThread(LPVOID, DWORD, LPTHREAD_START_ROUTINE start, LPVOID param, DWORD, LPDWORD threadId) {
    if (start == nullptr) return nullptr;
    Core& g = CoreState();
    auto obj = std::make_shared<KernelObject>();
    obj->kind = KernelObject::Thread;
    auto rec = std::make_shared<ThreadRec>();
    rec->tid = g_nextTid.fetch_add(1);
    rec->clock = true;
    obj->tid = rec->tid;
    HANDLE handle;
    {
        Lock lk(g.mutex);
        handle = AddObjectLocked(obj);
        g.threads.push_back(rec);
    }
    if (threadId) *threadId = rec->tid;
    std::thread([rec, obj, start, param] {
        t_tid = rec->tid;
        t_rec = rec;
        {
            Lock lk(CoreState().mutex);
            rec->native = pthread_self();
            rec->hasNative = true;
        }
        DWORD code = start(param);
        Lock lk(CoreState().mutex);
        rec->hasNative = false;
        rec->state = ThreadState::Finished;
        RemoveRecLocked(rec);
        t_rec.reset();
        obj->exitCode = code;
        obj->signalled = true;
        WakeWaitersLocked(obj.get());
        NotifySettleLocked();
    }).detach();
    return handle;
}

HANDLE GetCurrentThread() {
    return kCurrentThreadPseudoHandle;
}

HRESULT SetThreadDescription(HANDLE thread, LPCWSTR description) {
    if (description == nullptr) return E_INVALIDARG;
    // Linux keeps 15 bytes and a terminator; the name is cut at a whole character.
    std::string name = WideToUtf8(description);
    size_t cut = std::min<size_t>(name.size(), 15);
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
    if (thread == kCurrentThreadPseudoHandle)
        return pthread_setname_np(pthread_self(), name.c_str()) == 0 ? S_OK : E_FAIL;
    Lock lk(CoreState().mutex);
    auto obj = ObjectLocked(thread);
    if (!obj || obj->kind != KernelObject::Thread) return E_HANDLE;
    // Under the mutex a running thread cannot finish, so its system thread stays valid.
    for (auto& rec : CoreState().threads)
        if (rec->tid == obj->tid && rec->hasNative)
            return pthread_setname_np(rec->native, name.c_str()) == 0 ? S_OK : E_FAIL;
    return E_HANDLE;
}

HANDLE CreateEventW(LPVOID, BOOL manualReset, BOOL initialState, LPCWSTR) {
    auto obj = std::make_shared<KernelObject>();
    obj->kind = KernelObject::Event;
    obj->manualReset = manualReset != FALSE;
    obj->signalled = initialState != FALSE;
    Lock lk(CoreState().mutex);
    return AddObjectLocked(obj);
}

BOOL SetEvent(HANDLE hEvent) {
    Lock lk(CoreState().mutex);
    auto obj = ObjectLocked(hEvent);
    if (!obj || obj->kind != KernelObject::Event) return FALSE;
    obj->signalled = true;
    WakeWaitersLocked(obj.get());
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
    Lock lk(CoreState().mutex);
    auto obj = ObjectLocked(hEvent);
    if (!obj || obj->kind != KernelObject::Event) return FALSE;
    obj->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD timeoutMs) {
    Core& g = CoreState();
    Lock lk(g.mutex);
    auto obj = ObjectLocked(h);
    if (!obj) return WAIT_FAILED;
    auto ready = [&obj] {
        if (!obj->signalled) return false;
        if (obj->kind == KernelObject::Event && !obj->manualReset) obj->signalled = false;
        return true;
    };
    if (ready()) return WAIT_OBJECT_0;
    if (timeoutMs == 0) return WAIT_TIMEOUT;
    int64_t deadline = timeoutMs == INFINITE ? -1 : NowMs() + timeoutMs;
    if (IsUiThreadLocked())
        return UiWaitLocked(lk, ready, deadline, true, obj.get()) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    std::shared_ptr<ThreadRec> rec = SelfRecLocked();
    for (;;) {
        BlockSelfLocked(lk, rec.get(), deadline, obj.get());
        if (ready()) return WAIT_OBJECT_0;
        if (deadline >= 0 && (NowMs() >= deadline || g.shuttingDown)) return WAIT_TIMEOUT;
    }
}

BOOL CloseHandle(HANDLE h) {
    Lock lk(CoreState().mutex);
    return CoreState().objects.erase(reinterpret_cast<uintptr_t>(h)) ? TRUE : FALSE;
}

void InitializeCriticalSection(CRITICAL_SECTION* cs) {
    if (cs) cs->impl = new CriticalSectionImpl;
}

void DeleteCriticalSection(CRITICAL_SECTION* cs) {
    if (cs == nullptr) return;
    delete static_cast<CriticalSectionImpl*>(cs->impl);
    cs->impl = nullptr;
}

// Whether the thread `tid` is running rather than blocked in a platform wait (a thread the
// platform has no record of has never blocked in one).
static bool OwnerRunsLocked(DWORD tid) {
    for (auto& rec : CoreState().threads)
        if (rec->tid == tid) return rec->state != ThreadState::Blocked;
    return true;
}

void EnterCriticalSection(CRITICAL_SECTION* cs) {
    if (cs == nullptr || cs->impl == nullptr) return;
    auto* impl = static_cast<CriticalSectionImpl*>(cs->impl);
    DWORD me = GetCurrentThreadId();
    Lock lk(CoreState().mutex);
    while (impl->owner != 0 && impl->owner != me) {
        if (IsUiThreadLocked() && OwnerRunsLocked(impl->owner)) {
            // The owner is running and leaves soon; the manual clock must not move meanwhile
            // (it would lengthen the UI thread's next interval by another thread's sleep).
            UiWaitingOn waiting(impl);
            CoreState().cv.wait_for(lk, std::chrono::milliseconds(50));
        } else if (IsUiThreadLocked())
            UiWaitLocked(
                lk, [impl] { return impl->owner == 0; }, -1, false, impl);
        else
            BlockSelfLocked(lk, SelfRecLocked().get(), -1, impl);
    }
    impl->owner = me;
    ++impl->count;
}

void LeaveCriticalSection(CRITICAL_SECTION* cs) {
    if (cs == nullptr || cs->impl == nullptr) return;
    auto* impl = static_cast<CriticalSectionImpl*>(cs->impl);
    Lock lk(CoreState().mutex);
    if (impl->owner != GetCurrentThreadId()) return;
    if (--impl->count == 0) {
        impl->owner = 0;
        WakeWaitersLocked(impl);
    }
}
