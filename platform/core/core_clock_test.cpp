// The manual clock: timers, sleeping threads, waits, and the time of day.
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/core/core_state.h"
#include "platform/core/core_test_util.h"

namespace {

std::vector<std::pair<UINT_PTR, DWORD>> TimerLog(HWND w) {
    std::vector<std::pair<UINT_PTR, DWORD>> out;
    for (const auto& m : MvProbe::Log())
        if (m.hwnd == w && m.msg == WM_TIMER) out.emplace_back(m.wParam, m.tick);
    return out;
}

TEST_F(CoreTest, TimersFireInDueOrderRearmAndStop) {
    HWND w = Make();
    SetTimer(w, 1, 300, nullptr);
    SetTimer(w, 2, 200, nullptr);
    MvAdvanceClock(1000);
    using P = std::pair<UINT_PTR, DWORD>;
    EXPECT_EQ(
        TimerLog(w),
        (std::vector<P>{{2, 200}, {1, 300}, {2, 400}, {1, 600}, {2, 600}, {2, 800}, {1, 900}, {2, 1000}}));

    MvProbe::Log().clear();
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
    SetTimer(w, 2, 500, nullptr);  // the same id again replaces the period and restarts it
    MvAdvanceClock(1000);
    EXPECT_EQ(TimerLog(w), (std::vector<P>{{2, 1500}, {2, 2000}}));
    EXPECT_EQ(GetTickCount(), 2000u);
}

TEST_F(CoreTest, TimerKilledByAnEarlierHandlerDoesNotFire) {
    HWND w = Make();
    MvProbe::Handlers()[WM_TIMER] = [](HWND h, WPARAM id, LPARAM) -> LRESULT {
        if (id == 1) KillTimer(h, 2);
        return 0;
    };
    SetTimer(w, 1, 100, nullptr);
    SetTimer(w, 2, 100, nullptr);
    MvAdvanceClock(300);
    using P = std::pair<UINT_PTR, DWORD>;
    EXPECT_EQ(TimerLog(w), (std::vector<P>{{1, 100}, {1, 200}, {1, 300}}));
}

TEST_F(CoreTest, CoalescableTimersMayWaitTheirToleranceForAWakeButNotUnderTheManualClock) {
    HWND w = Make();
    const int64_t start = mv::NowMs();
    auto deadline = [](bool withTolerance) {
        mv::Lock lk(mv::CoreState().mutex);
        return mv::NextTimerDueLocked(withTolerance);
    };
    ASSERT_EQ(SetCoalescableTimer(w, 2, 300, nullptr, 200), 2u);
    EXPECT_EQ(deadline(false), start + 300);
    EXPECT_EQ(deadline(true), start + 500) << "the real clock may sleep through its tolerance";
    ASSERT_EQ(SetTimer(w, 1, 200, nullptr), 1u);
    EXPECT_EQ(deadline(true), start + 200) << "an exact timer still wakes on time";
    // Replacing the timer replaces its tolerance; no coalescing is an exact timer.
    ASSERT_EQ(SetCoalescableTimer(w, 1, 200, nullptr, TIMERV_NO_COALESCING), 1u);
    ASSERT_EQ(SetCoalescableTimer(w, 2, 300, nullptr, TIMERV_DEFAULT_COALESCING), 2u);
    EXPECT_EQ(deadline(true), start + 200);
    ASSERT_TRUE(KillTimer(w, 1));
    EXPECT_EQ(deadline(true), start + 300);
    EXPECT_EQ(SetCoalescableTimer(w, 3, 100, nullptr, TIMERV_COALESCING_MAX + 1), 0u);
    EXPECT_FALSE(KillTimer(w, 3)) << "a refused tolerance sets no timer";

    // The manual clock fires a coalescable timer when it falls due, so replays stay exact.
    ASSERT_EQ(SetCoalescableTimer(w, 2, 300, nullptr, 250), 2u);
    ASSERT_EQ(SetTimer(w, 1, 200, nullptr), 1u);
    MvAdvanceClock(600);
    using P = std::pair<UINT_PTR, DWORD>;
    EXPECT_EQ(TimerLog(w), (std::vector<P>{{1, 200}, {2, 300}, {1, 400}, {2, 600}, {1, 600}}));
}

struct Walker {
    HWND target;
    std::atomic<bool> stop{false};
    std::atomic<int> loops{0};
};

DWORD WalkerThread(LPVOID param) {
    auto* walker = static_cast<Walker*>(param);
    while (!walker->stop) {
        Sleep(1000);
        int n = ++walker->loops;
        SendMessageW(walker->target, WM_USER + 9, static_cast<WPARAM>(n),
                     static_cast<LPARAM>(GetTickCount()));
    }
    return 5;
}

TEST_F(CoreTest, AdvancingTheClockRunsASleepLoopExactlyOncePerPeriod) {
    HWND w = Make();
    Walker walker;
    walker.target = w;
    HANDLE thread = CreateThread(nullptr, 0, WalkerThread, &walker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    MvAdvanceClock(10000);
    EXPECT_EQ(walker.loops.load(), 10);
    std::vector<std::pair<WPARAM, LPARAM>> got;
    for (const auto& m : MvProbe::Log())
        if (m.msg == WM_USER + 9) got.emplace_back(m.wParam, m.lParam);
    ASSERT_EQ(got.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(got[i].first, static_cast<WPARAM>(i + 1));
        EXPECT_EQ(got[i].second, (i + 1) * 1000);  // each reading at its own moment
    }
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
    walker.stop = true;
    // Waiting for the thread on the UI thread lets its last Sleep pass.
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(walker.loops.load(), 11);
    EXPECT_EQ(GetTickCount(), 11000u);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread));
}

struct Waiter {
    HANDLE event;
    std::atomic<int> timeouts{0};
    std::atomic<int> signals{0};
    std::atomic<bool> stop{false};
};

DWORD WaiterThread(LPVOID param) {
    auto* waiter = static_cast<Waiter*>(param);
    while (!waiter->stop) {
        DWORD r = WaitForSingleObject(waiter->event, 60);
        if (r == WAIT_TIMEOUT) ++waiter->timeouts;
        if (r == WAIT_OBJECT_0) ++waiter->signals;
    }
    return 0;
}

TEST_F(CoreTest, TimedWaitsRunOnThePlatformClockAndEventsWakeThem) {
    Waiter waiter;
    waiter.event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaiterThread, &waiter, 0, nullptr);
    MvAdvanceClock(600);
    EXPECT_EQ(waiter.timeouts.load(), 10);
    EXPECT_EQ(waiter.signals.load(), 0);
    SetEvent(waiter.event);
    MvAdvanceClock(0);  // lets the woken thread run until it waits again
    EXPECT_EQ(waiter.signals.load(), 1);
    EXPECT_EQ(waiter.timeouts.load(), 10);
    waiter.stop = true;
    SetEvent(waiter.event);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    CloseHandle(thread);
    CloseHandle(waiter.event);
}

TEST_F(CoreTest, EventsResetAutomaticallyOrByHand) {
    HANDLE autoEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE manualEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
    SetEvent(autoEvent);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEvent, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manualEvent, 0), WAIT_OBJECT_0);
    ResetEvent(manualEvent);
    // A timed wait on the UI thread lets that much platform time pass.
    DWORD before = GetTickCount();
    EXPECT_EQ(WaitForSingleObject(manualEvent, 500), WAIT_TIMEOUT);
    EXPECT_EQ(GetTickCount() - before, 500u);
    EXPECT_EQ(WaitForSingleObject(reinterpret_cast<HANDLE>(0x1234), 0), WAIT_FAILED);
    CloseHandle(autoEvent);
    CloseHandle(manualEvent);
}

// The name a thread shows in /proc, read back from the system; empty when not found.
std::string SystemThreadName(pthread_t thread) {
    char name[32] = "";
    return pthread_getname_np(thread, name, sizeof name) == 0 ? std::string(name) : std::string();
}

struct NamedThread {
    HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::atomic<pthread_t> self{};
    std::atomic<bool> started{false};
};

DWORD WaitToBeNamed(LPVOID param) {
    auto* t = static_cast<NamedThread*>(param);
    t->self = pthread_self();
    t->started = true;
    WaitForSingleObject(t->go, INFINITE);
    return 0;
}

TEST_F(CoreTest, SetThreadDescriptionNamesTheCallerOrARunningThreadAndRefusesOthers) {
    // The calling thread, by its pseudo-handle; a long name keeps 15 bytes, cut at a whole
    // character ("\uD55C" is three bytes in UTF-8).
    const std::string before = SystemThreadName(pthread_self());
    EXPECT_EQ(SetThreadDescription(GetCurrentThread(), L"abcdefghijklm\uD55C"), S_OK);
    EXPECT_EQ(SystemThreadName(pthread_self()), "abcdefghijklm");
    EXPECT_EQ(SetThreadDescription(GetCurrentThread(), nullptr), E_INVALIDARG);

    // A thread made by CreateThread, named from outside while it runs.
    NamedThread t;
    HANDLE thread = CreateThread(nullptr, 0, WaitToBeNamed, &t, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    while (!t.started) std::this_thread::yield();
    EXPECT_EQ(SetThreadDescription(thread, L"sensor"), S_OK);
    EXPECT_EQ(SystemThreadName(t.self), "sensor");
    // Once it has ended, and for anything not a thread, nothing is named.
    SetEvent(t.go);
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(SetThreadDescription(thread, L"late"), E_HANDLE);
    EXPECT_EQ(SetThreadDescription(t.go, L"event"), E_HANDLE);
    EXPECT_EQ(SetThreadDescription(reinterpret_cast<HANDLE>(0x1234), L"none"), E_HANDLE);
    CloseHandle(thread);
    CloseHandle(t.go);
    pthread_setname_np(pthread_self(), before.c_str());
}

struct Shared {
    CRITICAL_SECTION cs;
    int a = 0;
    int b = 0;
    std::atomic<bool> inconsistent{false};
};

DWORD Writer(LPVOID param) {
    auto* s = static_cast<Shared*>(param);
    for (int i = 0; i < 2000; ++i) {
        EnterCriticalSection(&s->cs);
        if (s->a != s->b) s->inconsistent = true;
        ++s->a;
        std::this_thread::yield();
        EnterCriticalSection(&s->cs);  // re-entrant
        ++s->b;
        LeaveCriticalSection(&s->cs);
        LeaveCriticalSection(&s->cs);
    }
    return 0;
}

TEST_F(CoreTest, CriticalSectionKeepsPairsConsistentAcrossThreads) {
    Shared s;
    InitializeCriticalSection(&s.cs);
    HANDLE t1 = CreateThread(nullptr, 0, Writer, &s, 0, nullptr);
    HANDLE t2 = CreateThread(nullptr, 0, Writer, &s, 0, nullptr);
    for (int i = 0; i < 2000; ++i) {
        EnterCriticalSection(&s.cs);
        if (s.a != s.b) s.inconsistent = true;
        LeaveCriticalSection(&s.cs);
    }
    WaitForSingleObject(t1, INFINITE);
    WaitForSingleObject(t2, INFINITE);
    EXPECT_FALSE(s.inconsistent.load());
    EXPECT_EQ(s.a, 4000);
    EXPECT_EQ(s.b, 4000);
    DeleteCriticalSection(&s.cs);
    CloseHandle(t1);
    CloseHandle(t2);
}

TEST_F(CoreTest, ThreadsOutsideTheClockAreNotWaitedFor) {
    // A thread that never sleeps on the clock (it only takes a critical section) keeps running;
    // advancing the clock must not wait for it to block.
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    std::atomic<bool> stop{false};
    std::thread spinner([&] {
        while (!stop) {
            EnterCriticalSection(&cs);
            LeaveCriticalSection(&cs);
        }
    });
    EnterCriticalSection(&cs);  // the spinner waits for it once
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    LeaveCriticalSection(&cs);
    testing::internal::CaptureStderr();
    MvAdvanceClock(1000);
    std::string warnings = testing::internal::GetCapturedStderr();
    stop = true;
    spinner.join();
    DeleteCriticalSection(&cs);
    EXPECT_EQ(warnings.find("kept running"), std::string::npos) << warnings;
    EXPECT_EQ(GetTickCount(), 1000u);
}

DWORD SleepAWhile(LPVOID) {
    Sleep(5000);
    return 0;
}

TEST_F(CoreTest, TakingACriticalSectionFromARunningThreadLeavesTheClockStill) {
    // While a clock thread sleeps, the UI thread waits for a critical section that another,
    // running thread holds: the clock must not jump to the sleeper's wake-up meanwhile.
    HANDLE sleeper = CreateThread(nullptr, 0, SleepAWhile, nullptr, 0, nullptr);
    MvAdvanceClock(0);
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    std::atomic<bool> held{false};
    std::thread holder([&] {
        EnterCriticalSection(&cs);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        LeaveCriticalSection(&cs);
    });
    while (!held) std::this_thread::yield();
    const DWORD before = GetTickCount();
    EnterCriticalSection(&cs);
    EXPECT_EQ(GetTickCount(), before);
    LeaveCriticalSection(&cs);
    holder.join();
    DeleteCriticalSection(&cs);
    EXPECT_EQ(WaitForSingleObject(sleeper, INFINITE), WAIT_OBJECT_0);
    CloseHandle(sleeper);
}

TEST_F(CoreTest, ManualClockGivesLocalAndFileTimes) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    EXPECT_EQ(local.wYear, 2024);
    EXPECT_EQ(local.wMonth, 3);
    EXPECT_EQ(local.wDay, 10);
    EXPECT_EQ(local.wDayOfWeek, 0);  // a Sunday
    EXPECT_EQ(local.wHour, 9);
    EXPECT_EQ(local.wMinute, 0);
    MvAdvanceClock(15 * 3600 * 1000 + 1500);  // past midnight
    GetLocalTime(&local);
    EXPECT_EQ(local.wDay, 11);
    EXPECT_EQ(local.wHour, 0);
    EXPECT_EQ(local.wSecond, 1);
    EXPECT_EQ(local.wMilliseconds, 500);
    EXPECT_EQ(MvLocalSeconds(), 1710061200 + 15 * 3600 + 1);

    SYSTEMTIME st{2024, 2, 0, 29, 23, 59, 58, 123};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    SYSTEMTIME back;
    ASSERT_TRUE(FileTimeToSystemTime(&ft, &back));
    EXPECT_EQ(back.wYear, 2024);
    EXPECT_EQ(back.wMonth, 2);
    EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wDayOfWeek, 4);  // a Thursday
    EXPECT_EQ(back.wSecond, 58);
    EXPECT_EQ(back.wMilliseconds, 123);
    // 1601-01-01 is zero; a day is 864e9 ticks.
    SYSTEMTIME epoch{1601, 1, 0, 2, 0, 0, 0, 0};
    ASSERT_TRUE(SystemTimeToFileTime(&epoch, &ft));
    EXPECT_EQ((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime, 864000000000ull);
    SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
    EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
}

}  // namespace
