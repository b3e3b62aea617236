// The acceleration sensor service "MAG0:". One sensor thread, started at the first
// SENSOR_CTL_START, takes steps from the configured source and posts each reading to the attached
// window as UM_SENSOR_DATA, stamped with the time it was taken (GetMessageTime), only between
// START and STOP. A reading wakes the UI thread only once readings have waited about a second:
// until then they wait in its queue and are handled, in order and before any timer, whenever it
// wakes for something else. On the real clock the thread sleeps until absolute deadlines of the
// monotonic clock (the cadence does not drift) on a semaphore, which a change of state ends
// early; on the manual clock it waits on the platform clock, so that a replay is exact.
#include <semaphore.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>
#include <mutex>

#include "platform/core/mv_internal.h"
#include "platform/devices/sensor_source.h"
#include "platform/devices/sleep_inhibitor.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/win_devices.h"
#include "platform/win_time.h"
#include "platform/win_window.h"

namespace {

// A source with the step it is at. Only the sensor thread touches the step, so it survives a
// thread that ends (shutdown) and is taken up by the next one.
struct SourceSlot {
    std::unique_ptr<CSensorSource> source;
    SensorStep step = SensorStep::End();
    bool hasStep = false;
    DWORD latencyMs = 0;  // the latency the source was last given
    // Whether readings may wait in the source; kept by the sensor thread, read by a flush.
    std::atomic<bool> batches{false};
};

struct SensorService {
    std::mutex mutex;
    std::condition_variable changed;  // the thread ended
    HWND window = nullptr;
    bool started = false;
    bool quit = false;
    bool threadDone = false;  // the thread has left its loop
    unsigned generation = 0;  // changes at every START, STOP and reconfiguration
    std::string setting;      // empty: the default
    bool sourceOpened = false;
    std::shared_ptr<SourceSlot> source;  // null: nothing to deliver
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;  // auto-reset; tells the thread that the state changed
    // The same for the thread's real-clock waits: one post per change. A semaphore, not a
    // condition variable, whose wake-up would take a mutex back that must then be handed on with
    // a system call at every reading.
    sem_t wakeSemaphore;
    DWORD startTick = 0;  // GetTickCount at the last START
    bool exitHandlerRegistered = false;
    std::vector<DWORD> log;
    unsigned delivered = 0;
    DWORD latencyMs = 1000;  // SENSOR_CTL_SET_LATENCY
    // Flushes asked for and done (the thread serves them in order).
    unsigned flushAsked = 0;
    unsigned flushDone = 0;
    std::condition_variable flushed;
};

// Never destroyed: the sensor thread may still look at it while the process ends.
SensorService& Service() {
    static SensorService* service = [] {
        auto* made = new SensorService;
        sem_init(&made->wakeSemaphore, 0, 0);
        return made;
    }();
    return *service;
}

char g_serviceTag;
HANDLE ServiceHandle() {
    return &g_serviceTag;
}

// Opens the configured source once per configuration; a bad one is reported here, once.
void EnsureSourceLocked(SensorService& s) {
    if (s.sourceOpened) return;
    s.sourceOpened = true;
    std::string error;
    std::unique_ptr<CSensorSource> source = MvOpenSensorSource(s.setting, &error);
    if (!source) {
        if (!error.empty()) MvSensorReport(error + "; the sensor delivers nothing");
        return;
    }
    s.source = std::make_shared<SourceSlot>();
    s.source->source = std::move(source);
    s.source->source->SetLatency(s.latencyMs);
    s.source->latencyMs = s.latencyMs;
    s.source->batches = s.source->source->Batches();
}

LPARAM PackXY(int16_t x, int16_t y) {
    uint32_t packed = (static_cast<uint32_t>(static_cast<uint16_t>(x)) << 16) | static_cast<uint16_t>(y);
    return static_cast<LPARAM>(static_cast<int32_t>(packed));
}

WPARAM PackZ(int16_t z) {
    return static_cast<WPARAM>(static_cast<uint16_t>(z));
}

// Tells the thread that the state changed (START, STOP, a new source, shutdown).
void WakeThread(SensorService& s) {
    HANDLE wake;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        wake = s.wake;
    }
    sem_post(&s.wakeSemaphore);
    if (wake != nullptr) SetEvent(wake);
}

constexpr int64_t kNsPerMs = 1000000;
// Readings wake the UI thread only once they have waited this long in its queue; a thread that
// wakes more often (the main view's timers, the engine's second) takes them along.
constexpr DWORD kUiWakeMs = 1000;

// With a longer latency, readings wait for the flush that comes about once per latency (before
// each save): only if none comes do they wake the UI thread, after twice that.
DWORD UiWakeMs(DWORD latencyMs) {
    return latencyMs <= kUiWakeMs ? kUiWakeMs : 2 * latencyMs;
}

// Marks the flushes asked for until now as done.
void FlushDoneLocked(SensorService& s) {
    if (s.flushDone == s.flushAsked) return;
    s.flushDone = s.flushAsked;
    s.flushed.notify_all();
}

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

enum class WaitResult { kTimeout, kWoken, kFailed };

// The thread's waits. On the real clock: absolute deadlines of the monotonic clock, so that a run
// of waits keeps its cadence however long the work between them took; WakeThread ends a wait
// early. On the manual clock: the platform clock's event wait.
class CSensorWaiter {
public:
    // Waits ms (INFINITE: until woken). A wait that ends early forgets the cadence, except that
    // with `resume` the wait that was woken goes on to its own end: a change of state that leaves
    // the step as it was (the latency, as the screen is seen or not) does not put it off.
    WaitResult Wait(SensorService& s, DWORD ms, bool resume) {
        if (MvIsManualClock()) {
            m_nDeadline = 0;
            const DWORD now = GetTickCount();
            if (!(resume && m_bWoken) || ms == INFINITE) m_dwManualDeadline = now + ms;
            HANDLE wake;
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                wake = s.wake;
            }
            const int32_t left = static_cast<int32_t>(m_dwManualDeadline - now);
            DWORD r = WaitForSingleObject(
                wake, ms == INFINITE ? INFINITE : static_cast<DWORD>(left < 0 ? 0 : left));
            m_bWoken = r == WAIT_OBJECT_0;
            if (r == WAIT_TIMEOUT) return WaitResult::kTimeout;
            return r == WAIT_FAILED ? WaitResult::kFailed : WaitResult::kWoken;
        }
        int result;
        if (ms == INFINITE) {
            while ((result = sem_wait(&s.wakeSemaphore)) != 0 && errno == EINTR) {
            }
        } else {
            const int64_t now = MonotonicNs();
            int64_t deadline = m_nDeadline + ms * kNsPerMs;
            if (resume && m_bWoken && m_nWokenDeadline != 0) {
                deadline = m_nWokenDeadline;
            } else if (m_nDeadline == 0 || deadline < now - ms * kNsPerMs) {
                // Behind by more than a period (or no cadence yet): start a new one from now.
                deadline = now + ms * kNsPerMs;
            }
            m_nDeadline = deadline;
            timespec due{};
            due.tv_sec = deadline / 1000000000LL;
            due.tv_nsec = deadline % 1000000000LL;
            while ((result = sem_clockwait(&s.wakeSemaphore, CLOCK_MONOTONIC, &due)) != 0 && errno == EINTR) {
            }
            if (result != 0 && errno == ETIMEDOUT) {
                m_bWoken = false;
                return WaitResult::kTimeout;
            }
        }
        if (result != 0) return WaitResult::kFailed;
        // Changes that came together are one wake.
        while (sem_trywait(&s.wakeSemaphore) == 0) {
        }
        m_nWokenDeadline = ms == INFINITE ? 0 : m_nDeadline;
        m_bWoken = true;
        m_nDeadline = 0;
        return WaitResult::kWoken;
    }

private:
    int64_t m_nDeadline = 0;       // CLOCK_MONOTONIC ns of the last deadline; 0: none
    int64_t m_nWokenDeadline = 0;  // the deadline of the wait that was woken early
    DWORD m_dwManualDeadline = 0;  // the same on the manual clock, in platform ms
    bool m_bWoken = false;         // the last wait ended early
};

DWORD SensorThread(LPVOID) {
    SetThreadDescription(GetCurrentThread(), L"sensor");
    SensorService& s = Service();
    std::shared_ptr<SourceSlot> source;
    CSensorWaiter waiter;
    unsigned serving = 0;  // the flush being served: done when the source has nothing more now
    bool flushing = false;
    bool resume = false;  // the step waited on is still the one whose wait was woken
    for (;;) {
        unsigned generation = 0;
        bool active;
        DWORD latency = 0;
        unsigned flushAsked = 0;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.quit) break;
            active = s.started && s.source != nullptr;
            // Stopped: a device that captures on its own stops until the next start.
            if (!active && source != nullptr) source->source->Pause();
            source = active ? s.source : nullptr;
            if (active) generation = s.generation;
            latency = s.latencyMs;
            flushAsked = s.flushAsked;
            if (!active) FlushDoneLocked(s);
        }
        if (!active) {
            flushing = false;
            resume = false;
            if (waiter.Wait(s, INFINITE, false) == WaitResult::kFailed) break;
            continue;
        }
        if (source->latencyMs != latency) {
            source->latencyMs = latency;
            source->source->SetLatency(latency);
            // A batch under way is waited for anew, at the new length.
            if (source->batches && source->hasStep && source->step.eKind == SensorStep::kWait) {
                source->hasStep = false;
                resume = false;
            }
        }
        if (flushAsked != serving) {
            serving = flushAsked;
            flushing = true;
            source->source->Flush();
            if (source->batches && source->hasStep && source->step.eKind == SensorStep::kWait) {
                source->hasStep = false;
                resume = false;
            }
        }
        SensorStep& step = source->step;
        if (!source->hasStep) {
            resume = false;
            step = source->source->Next();
            source->hasStep = true;
            source->batches = source->source->Batches();
        }
        if (flushing && step.eKind != SensorStep::kReading) {
            // Everything taken until the flush was asked for is posted.
            flushing = false;
            std::lock_guard<std::mutex> lock(s.mutex);
            if (static_cast<int>(serving - s.flushDone) > 0) {
                s.flushDone = serving;
                s.flushed.notify_all();
            }
        }
        if (step.eKind == SensorStep::kEnd) {
            resume = false;
            if (waiter.Wait(s, INFINITE, false) == WaitResult::kFailed) break;
            continue;
        }
        if (step.eKind == SensorStep::kWait) {
            WaitResult result = waiter.Wait(s, step.nWaitMs, resume);
            resume = result == WaitResult::kWoken;
            if (result == WaitResult::kTimeout) source->hasStep = false;
            if (result == WaitResult::kFailed) {
                MvSensorReport("cannot wait for the next reading; the sensor stops");
                break;
            }
            // Woken early: the state changed; the same step's wait goes on to its own end.
            continue;
        }
        // A resume from suspend is looked for with every reading, before the reading is handled.
        MvPowerCheckResume();
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.quit) break;
            if (!s.started || s.generation != generation || s.source != source) continue;
            source->hasStep = false;
            if (s.window == nullptr) continue;
            // Posted under the service's lock: once STOP has taken it, no reading follows.
            const DWORD now = GetTickCount();
            // A reading read in a batch was taken earlier; one taken before START is not sent.
            const DWORD taken = now - step.nAgeMs;
            if (static_cast<int32_t>(taken - s.startTick) < 0) continue;
            const DWORD wakeAfter = MvIsManualClock() ? 0 : UiWakeMs(s.latencyMs);
            if (MvPostMessageAt(s.window, UM_SENSOR_DATA, PackZ(step.z), PackXY(step.x, step.y), taken,
                                wakeAfter))
                ++s.delivered;
        }
    }
    // The program ends: a device that captures on its own stops.
    if (source != nullptr) source->source->Pause();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.threadDone = true;
        FlushDoneLocked(s);
    }
    s.changed.notify_all();
    return 0;
}

// Readings posted but not yet handled when the service stops or forgets its window are dropped.
void DropQueuedReadingsLocked(SensorService& s, HWND window) {
    MvRemovePostedMessages(window, UM_SENSOR_DATA);
}

// Joins a thread that was asked to quit.
void JoinQuittingThreadLocked(SensorService& s, std::unique_lock<std::mutex>& lock) {
    if (s.thread == nullptr || !s.quit) return;
    HANDLE thread = s.thread;
    s.changed.wait(lock, [&] { return s.threadDone; });
    s.thread = nullptr;
    s.quit = false;
    s.threadDone = false;
    lock.unlock();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    lock.lock();
}

// At process end: stops the thread.
void StopAtExit() {
    SensorService& s = Service();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.thread == nullptr) return;
    s.quit = true;
    s.started = false;
    lock.unlock();
    WakeThread(s);
    lock.lock();
    if (!s.changed.wait_for(lock, std::chrono::seconds(2), [&] { return s.threadDone; })) return;
    HANDLE thread = s.thread;
    s.thread = nullptr;
    lock.unlock();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

bool IsStarted(SensorService& s) {
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.started;
}

bool HasSource(SensorService& s) {
    std::lock_guard<std::mutex> lock(s.mutex);
    EnsureSourceLocked(s);
    return s.source != nullptr;
}

void Start(SensorService& s) {
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.started) return;
    JoinQuittingThreadLocked(s, lock);
    EnsureSourceLocked(s);
    s.started = true;
    ++s.generation;
    s.startTick = GetTickCount();
    if (s.source == nullptr) return;
    if (s.wake == nullptr) s.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (s.thread == nullptr) {
        s.quit = false;
        s.threadDone = false;
        s.thread = CreateThread(nullptr, 0, SensorThread, nullptr, 0, nullptr);
        if (s.thread == nullptr) {
            MvSensorReport("cannot start the sensor thread");
            return;
        }
        if (!s.exitHandlerRegistered) {
            s.exitHandlerRegistered = true;
            std::atexit(StopAtExit);
        }
    }
    lock.unlock();
    WakeThread(s);
}

void Stop(SensorService& s) {
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.started) return;
    s.started = false;
    ++s.generation;
    DropQueuedReadingsLocked(s, nullptr);
    lock.unlock();
    WakeThread(s);
}

// Waits until the thread has posted every reading taken until now. A source that delivers each
// reading as it comes has none waiting.
void Flush(SensorService& s) {
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.started || s.thread == nullptr || s.quit || s.source == nullptr || !s.source->batches) return;
    const unsigned ticket = ++s.flushAsked;
    lock.unlock();
    WakeThread(s);
    lock.lock();
    // Bounded: a device that hangs in a read must not hold the caller (the saving thread) for good.
    s.flushed.wait_for(lock, std::chrono::seconds(2),
                       [&] { return static_cast<int>(s.flushDone - ticket) >= 0 || s.threadDone; });
}

HWND WindowFromInput(LPVOID in, DWORD inSize) {
    if (in == nullptr) return nullptr;
    if (inSize >= sizeof(HWND)) {
        HWND window;
        std::memcpy(&window, in, sizeof(window));
        return window;
    }
    // The window handle value itself, as the original calling convention passes it.
    return static_cast<HWND>(in);
}

}  // namespace

HANDLE GetServiceHandle(LPCWSTR serviceName, LPWSTR dllName, DWORD* dllNameSize) {
    static const wchar_t kName[] = L"MAG0:";
    if (serviceName == nullptr) return nullptr;
    size_t i = 0;
    for (; kName[i] != L'\0'; ++i)
        if (std::towupper(static_cast<wint_t>(serviceName[i])) != static_cast<wint_t>(kName[i]))
            return nullptr;
    if (serviceName[i] != L'\0') return nullptr;
    if (dllName != nullptr && dllNameSize != nullptr && *dllNameSize > 0) dllName[0] = L'\0';
    return ServiceHandle();
}

BOOL ServiceIoControl(HANDLE service, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                      LPDWORD bytesReturned, LPVOID overlapped) {
    if (bytesReturned != nullptr) *bytesReturned = 0;
    if (service != ServiceHandle()) return FALSE;
    SensorService& s = Service();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        // The flush before every save is not worth a line.
        if (code != SENSOR_CTL_FLUSH) s.log.push_back(code);
    }
    switch (code) {
        case SENSOR_CTL_ATTACH: {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.window = WindowFromInput(in, inSize);
            return TRUE;
        }
        case SENSOR_CTL_START: {
            Start(s);
            const bool hasSource = HasSource(s);
            // The device must not suspend while readings are expected.
            MvSleepInhibitorHold(hasSource && IsStarted(s));
            return hasSource ? TRUE : FALSE;
        }
        case SENSOR_CTL_QUERY_SOURCE:
            return HasSource(s) ? TRUE : FALSE;
        case SENSOR_CTL_SET_LATENCY: {
            DWORD ms = 0;
            if (in == nullptr || inSize < sizeof(ms)) return FALSE;
            std::memcpy(&ms, in, sizeof(ms));
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                if (ms == s.latencyMs) return TRUE;
                s.latencyMs = ms;
            }
            WakeThread(s);
            return TRUE;
        }
        case SENSOR_CTL_FLUSH:
            Flush(s);
            return TRUE;
        case SENSOR_CTL_STOP:
            Stop(s);
            MvSleepInhibitorHold(IsStarted(s));
            return TRUE;
        case SENSOR_CTL_DETACH: {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.window = nullptr;
            DropQueuedReadingsLocked(s, nullptr);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void MvSensorConfigure(const std::string& setting) {
    SensorService& s = Service();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.setting = setting;
    s.sourceOpened = false;
    s.source.reset();
    ++s.generation;
    if (s.started) {
        EnsureSourceLocked(s);
        if (s.source != nullptr && s.thread == nullptr) {
            // Started with a source that failed: the thread comes with the first working one.
            s.started = false;
            lock.unlock();
            Start(s);
            return;
        }
    }
    lock.unlock();
    WakeThread(s);
}

std::vector<DWORD> MvSensorControlLog() {
    SensorService& s = Service();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.log;
}

void MvSensorClearLog() {
    SensorService& s = Service();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.log.clear();
}

unsigned MvSensorDeliveredCount() {
    SensorService& s = Service();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.delivered;
}

void MvSensorShutdown() {
    SensorService& s = Service();
    std::unique_lock<std::mutex> lock(s.mutex);
    s.started = false;
    s.latencyMs = kUiWakeMs;
    ++s.generation;
    DropQueuedReadingsLocked(s, nullptr);
    if (s.thread != nullptr) {
        s.quit = true;
        lock.unlock();
        WakeThread(s);
        lock.lock();
        JoinQuittingThreadLocked(s, lock);
    }
    if (lock.owns_lock()) lock.unlock();
    MvSleepInhibitorHold(false);
    MvPowerShutdown();
}
