// The acceleration sensor service "MAG0:". One sensor thread, started at the first
// SENSOR_CTL_START, takes steps from the configured source: it waits on the platform clock (so a
// replay under the manual clock is exact) and sends each reading to the attached window with
// SendMessageW, only between START and STOP.
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <memory>
#include <mutex>

#include "platform/core/mv_internal.h"
#include "platform/devices/sensor_source.h"
#include "platform/devices/sleep_inhibitor.h"
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
    std::condition_variable changed;  // a delivery finished or the thread ended
    HWND window = nullptr;
    bool started = false;
    bool quit = false;
    bool inFlight = false;    // the thread is inside SendMessageW
    unsigned sendSerial = 0;  // counts the sends the thread has begun
    bool threadDone = false;  // the thread has left its loop
    unsigned generation = 0;  // changes at every START, STOP and reconfiguration
    std::string setting;      // empty: the default
    bool sourceOpened = false;
    std::shared_ptr<SourceSlot> source;  // null: nothing to deliver
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;  // auto-reset; tells the thread that the state changed
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

DWORD SensorThread(LPVOID) {
    SensorService& s = Service();
    std::shared_ptr<SourceSlot> source;
    for (;;) {
        HANDLE wake;
        unsigned generation = 0;
        bool active;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.quit) break;
            wake = s.wake;
            active = s.started && s.source != nullptr;
            source = active ? s.source : nullptr;
            if (active) generation = s.generation;
        }
        if (!active) {
            WaitForSingleObject(wake, INFINITE);
            continue;
        }
        SensorStep& step = source->step;
        if (!source->hasStep) {
            step = source->source->Next();
            source->hasStep = true;
        }
        if (step.eKind == SensorStep::kEnd) {
            WaitForSingleObject(wake, INFINITE);
            continue;
        }
        if (step.eKind == SensorStep::kWait) {
            DWORD result = WaitForSingleObject(wake, step.nWaitMs);
            if (result == WAIT_TIMEOUT) source->hasStep = false;
            if (result == WAIT_FAILED) {
                MvSensorReport("cannot wait on the platform clock; the sensor stops");
                break;
            }
            // Woken early: the state changed, and the wait starts over.
            continue;
        }
        HWND target;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.quit) break;
            if (!s.started || s.generation != generation || s.source != source) continue;
            target = s.window;
            s.inFlight = target != nullptr;
            ++s.sendSerial;
        }
        source->hasStep = false;
        if (target == nullptr) continue;
        SendMessageW(target, UM_SENSOR_DATA, PackZ(step.z), PackXY(step.x, step.y));
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            s.inFlight = false;
            ++s.delivered;
        }
        s.changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.threadDone = true;
        s.inFlight = false;
    }
    s.changed.notify_all();
    return 0;
}

// Waits until no delivery is under way (or, for a shutdown, until the thread has ended). On the
// UI thread, a message the sensor thread is sending is handled meanwhile, as Win32 handles sent
// messages while a thread waits. If the UI thread is itself inside the handler of that message
// (a control code sent from the handler), the delivery cannot end first: it counts as done, and
// false is returned when the thread did not end.
bool WaitForDeliveries(SensorService& s, std::unique_lock<std::mutex>& lock, bool untilThreadDone) {
    auto busy = [&] { return untilThreadDone ? !s.threadDone : s.inFlight; };
    const bool uiThread = MvIsUiThread();
    unsigned stuckSerial = 0;
    auto stuckSince = std::chrono::steady_clock::now();
    while (busy()) {
        if (s.inFlight && uiThread) {
            unsigned serial = s.sendSerial;
            lock.unlock();
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            lock.lock();
            if (!busy()) break;
            auto now = std::chrono::steady_clock::now();
            if (!s.inFlight || serial != stuckSerial) {
                stuckSerial = serial;
                stuckSince = now;
            } else if (now - stuckSince > std::chrono::milliseconds(200)) {
                return !untilThreadDone;
            }
        }
        s.changed.wait_for(lock, std::chrono::milliseconds(1));
    }
    return true;
}

// Joins a thread that a shutdown could not wait for (it was delivering to a handler that was
// still running); by now that handler has returned.
void ReapQuittingThreadLocked(SensorService& s, std::unique_lock<std::mutex>& lock) {
    if (s.thread == nullptr || !s.quit) return;
    if (!WaitForDeliveries(s, lock, true)) return;
    HANDLE thread = s.thread;
    s.thread = nullptr;
    s.quit = false;
    s.threadDone = false;
    lock.unlock();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    lock.lock();
}

// At process end: stops the thread unless it is stuck in a delivery nobody will handle.
void StopAtExit() {
    SensorService& s = Service();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.thread == nullptr) return;
    s.quit = true;
    s.started = false;
    HANDLE wake = s.wake;
    lock.unlock();
    SetEvent(wake);
    lock.lock();
    if (!s.changed.wait_for(lock, std::chrono::seconds(2), [&] { return s.threadDone || s.inFlight; }) ||
        !s.threadDone)
        return;
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
    ReapQuittingThreadLocked(s, lock);
    if (s.thread != nullptr && s.quit) return;
    EnsureSourceLocked(s);
    s.started = true;
    ++s.generation;
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
    HANDLE wake = s.wake;
    lock.unlock();
    SetEvent(wake);
}

void Stop(SensorService& s) {
    std::unique_lock<std::mutex> lock(s.mutex);
    if (!s.started) return;
    s.started = false;
    ++s.generation;
    HANDLE wake = s.wake;
    lock.unlock();
    if (wake != nullptr) SetEvent(wake);
    lock.lock();
    WaitForDeliveries(s, lock, false);
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
            std::unique_lock<std::mutex> lock(s.mutex);
            s.window = nullptr;
            WaitForDeliveries(s, lock, false);
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
    HANDLE wake = s.wake;
    lock.unlock();
    if (wake != nullptr) SetEvent(wake);
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
    HANDLE thread = s.thread;
    if (thread != nullptr) {
        s.quit = true;
        HANDLE wake = s.wake;
        lock.unlock();
        SetEvent(wake);
        lock.lock();
        if (WaitForDeliveries(s, lock, true)) {
            s.thread = nullptr;
            s.quit = false;
            s.threadDone = false;
            lock.unlock();
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
    }
    if (lock.owns_lock()) lock.unlock();
    MvSleepInhibitorHold(false);
    MvPowerShutdown();
}
