// The acceleration sensor service "MAG0:". One sensor thread, started at the first
// SENSOR_CTL_START, takes steps from the configured source and posts each reading to the attached
// window as UM_SENSOR_DATA, stamped with the time it was taken (GetMessageTime), only between
// START and STOP. The posts wake the UI thread at most about once a second: in between, the
// readings wait in its queue and are handled, in order and before any timer, whenever it wakes
// for something else. On the real clock the thread sleeps on a timerfd with absolute deadlines
// (the cadence does not drift) and wakes for a change of state through an eventfd; on the manual
// clock it waits on the platform clock, so that a replay is exact.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

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
    int wakeFd = -1;        // eventfd: the same, for the thread's real-clock waits
    DWORD lastUiWake = 0;   // when a reading last woke the UI thread
    DWORD startTick = 0;    // GetTickCount at the last START
    bool uiWoken = false;
    bool exitHandlerRegistered = false;
    std::vector<DWORD> log;
    unsigned delivered = 0;
};

// Never destroyed: the sensor thread may still look at it while the process ends.
SensorService& Service() {
    static SensorService* service = new SensorService;
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
    int fd;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        wake = s.wake;
        fd = s.wakeFd;
    }
    if (wake != nullptr) SetEvent(wake);
    if (fd >= 0) {
        const uint64_t one = 1;
        ssize_t ignored = write(fd, &one, sizeof one);
        (void)ignored;
    }
}

constexpr int64_t kNsPerMs = 1000000;
// A reading wakes the UI thread when none did for this long (readings in between ride along).
constexpr DWORD kUiWakeMs = 1000;

int64_t MonotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

enum class WaitResult { kTimeout, kWoken, kFailed };

// The thread's waits. On the real clock: a timerfd armed at absolute deadlines, so that a run of
// waits keeps its cadence however long the work between them took; an eventfd ends a wait early.
// On the manual clock: the platform clock's event wait.
class CSensorWaiter {
public:
    ~CSensorWaiter() {
        if (m_fdTimer >= 0) close(m_fdTimer);
    }
    // Waits ms (INFINITE: until woken). A wait that ends early forgets the cadence.
    WaitResult Wait(SensorService& s, DWORD ms) {
        if (MvIsManualClock()) {
            m_nDeadline = 0;
            HANDLE wake;
            {
                std::lock_guard<std::mutex> lock(s.mutex);
                wake = s.wake;
            }
            DWORD r = WaitForSingleObject(wake, ms);
            if (r == WAIT_TIMEOUT) return WaitResult::kTimeout;
            return r == WAIT_FAILED ? WaitResult::kFailed : WaitResult::kWoken;
        }
        int wakeFd;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            wakeFd = s.wakeFd;
        }
        if (wakeFd < 0) return WaitResult::kFailed;
        pollfd fds[2] = {{wakeFd, POLLIN, 0}, {-1, POLLIN, 0}};
        if (ms != INFINITE) {
            if (m_fdTimer < 0) m_fdTimer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
            if (m_fdTimer < 0) return WaitResult::kFailed;
            const int64_t now = MonotonicNs();
            int64_t deadline = m_nDeadline + ms * kNsPerMs;
            // Behind by more than a period (or no cadence yet): start a new one from now.
            if (m_nDeadline == 0 || deadline < now - ms * kNsPerMs) deadline = now + ms * kNsPerMs;
            m_nDeadline = deadline;
            itimerspec due{};
            due.it_value.tv_sec = deadline / 1000000000LL;
            due.it_value.tv_nsec = deadline % 1000000000LL;
            if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
            if (timerfd_settime(m_fdTimer, TFD_TIMER_ABSTIME, &due, nullptr) != 0) return WaitResult::kFailed;
            fds[1].fd = m_fdTimer;
        } else {
            m_nDeadline = 0;
        }
        for (;;) {
            int n = poll(fds, fds[1].fd >= 0 ? 2 : 1, -1);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return WaitResult::kFailed;
            break;
        }
        uint64_t count = 0;
        if (fds[0].revents & POLLIN) {
            ssize_t ignored = read(wakeFd, &count, sizeof count);
            (void)ignored;
            m_nDeadline = 0;
            return WaitResult::kWoken;
        }
        if (fds[1].fd >= 0 && (fds[1].revents & POLLIN)) {
            ssize_t ignored = read(m_fdTimer, &count, sizeof count);
            (void)ignored;
            return WaitResult::kTimeout;
        }
        return WaitResult::kWoken;
    }

private:
    int m_fdTimer = -1;
    int64_t m_nDeadline = 0;  // CLOCK_MONOTONIC ns of the last deadline; 0: none
};

DWORD SensorThread(LPVOID) {
    SensorService& s = Service();
    std::shared_ptr<SourceSlot> source;
    CSensorWaiter waiter;
    for (;;) {
        unsigned generation = 0;
        bool active;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.quit) break;
            active = s.started && s.source != nullptr;
            source = active ? s.source : nullptr;
            if (active) generation = s.generation;
        }
        if (!active) {
            if (waiter.Wait(s, INFINITE) == WaitResult::kFailed) break;
            continue;
        }
        SensorStep& step = source->step;
        if (!source->hasStep) {
            step = source->source->Next();
            source->hasStep = true;
        }
        if (step.eKind == SensorStep::kEnd) {
            if (waiter.Wait(s, INFINITE) == WaitResult::kFailed) break;
            continue;
        }
        if (step.eKind == SensorStep::kWait) {
            WaitResult result = waiter.Wait(s, step.nWaitMs);
            if (result == WaitResult::kTimeout) source->hasStep = false;
            if (result == WaitResult::kFailed) {
                MvSensorReport("cannot wait for the next reading; the sensor stops");
                break;
            }
            // Woken early: the state changed, and the wait starts over.
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
            const bool wake = MvIsManualClock() || !s.uiWoken || now - s.lastUiWake >= kUiWakeMs;
            if (wake) {
                s.lastUiWake = now;
                s.uiWoken = true;
            }
            if (MvPostMessageAt(s.window, UM_SENSOR_DATA, PackZ(step.z), PackXY(step.x, step.y), taken, wake))
                ++s.delivered;
        }
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.threadDone = true;
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
    s.uiWoken = false;
    s.startTick = GetTickCount();
    if (s.source == nullptr) return;
    if (s.wake == nullptr) s.wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (s.wakeFd < 0) s.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
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
        s.log.push_back(code);
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
