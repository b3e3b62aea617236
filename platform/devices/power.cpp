// Power management: small in-process message queues, resume notifications, unattended mode and
// the idle timer. A resume from suspend is noticed by comparing CLOCK_BOOTTIME with
// CLOCK_MONOTONIC (their difference grows by the time spent suspended) whenever the sensor thread
// takes a reading: no thread of its own wakes the device to look.
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/core/mv_internal.h"
#include "platform/mv_sensor.h"
#include "platform/win_devices.h"
#include "platform/win_time.h"

namespace {

// Handle values of queues and notification requests; ids are never reused.
const uintptr_t kQueueHandleBase = 0x4D510000u;
const uintptr_t kNotifyHandleBase = 0x504E0000u;
const DWORD kMaxQueueMessages = 1024;
const int64_t kSuspendThresholdNs = 500000000;  // shorter jumps are scheduling noise

struct MsgQueue {
    DWORD nMaxMessages;
    DWORD nMaxMessageSize;
    std::deque<std::vector<unsigned char>> messages;
    HANDLE hNotEmpty = nullptr;  // manual-reset event, made for the first timed read

    ~MsgQueue() {
        if (hNotEmpty != nullptr) CloseHandle(hNotEmpty);
    }
};

struct Registration {
    HANDLE hQueue;
    DWORD nFlags;
};

struct PowerState {
    std::mutex mutex;
    std::map<HANDLE, std::shared_ptr<MsgQueue>> queues;
    std::map<HANDLE, Registration> registrations;
    uintptr_t nextId = 1;
    bool unattended = false;
    std::atomic<unsigned> idleResets{0};
    int64_t suspendedNs = 0;  // CLOCK_BOOTTIME - CLOCK_MONOTONIC at the last look
};

// Never destroyed: the sensor thread may still look at it while the process ends.
PowerState& Power() {
    static PowerState* state = new PowerState;
    return *state;
}

int64_t SuspendedNs() {
    timespec boot{}, mono{};
    clock_gettime(CLOCK_MONOTONIC, &mono);
    clock_gettime(CLOCK_BOOTTIME, &boot);
    return (static_cast<int64_t>(boot.tv_sec) - mono.tv_sec) * 1000000000LL + (boot.tv_nsec - mono.tv_nsec);
}

void WriteLocked(PowerState& p, HANDLE queue, const void* data, size_t size) {
    auto it = p.queues.find(queue);
    if (it == p.queues.end()) return;
    MsgQueue& q = *it->second;
    if (size > q.nMaxMessageSize || q.messages.size() >= q.nMaxMessages) return;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    q.messages.emplace_back(bytes, bytes + size);
    if (q.hNotEmpty != nullptr) SetEvent(q.hNotEmpty);
}

void DeliverResume() {
    PowerState& p = Power();
    POWER_BROADCAST broadcast;
    std::memset(&broadcast, 0, sizeof(broadcast));
    broadcast.Message = PBT_RESUME;
    std::lock_guard<std::mutex> lock(p.mutex);
    for (const auto& entry : p.registrations)
        if (entry.second.nFlags & PBT_RESUME)
            WriteLocked(p, entry.second.hQueue, &broadcast, sizeof(broadcast));
}

}  // namespace

HANDLE CreateMsgQueue(LPCWSTR name, MSGQUEUEOPTIONS* options) {
    if (options == nullptr || options->cbMaxMessage == 0) return nullptr;
    PowerState& p = Power();
    auto queue = std::make_shared<MsgQueue>();
    queue->nMaxMessages = options->dwMaxMessages == 0 || options->dwMaxMessages > kMaxQueueMessages
                              ? kMaxQueueMessages
                              : options->dwMaxMessages;
    queue->nMaxMessageSize = options->cbMaxMessage;
    std::lock_guard<std::mutex> lock(p.mutex);
    HANDLE handle = reinterpret_cast<HANDLE>(kQueueHandleBase + p.nextId++);
    p.queues[handle] = queue;
    return handle;
}

BOOL ReadMsgQueue(HANDLE queue, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, DWORD timeoutMs,
                  DWORD* flags) {
    PowerState& p = Power();
    std::unique_lock<std::mutex> lock(p.mutex);
    for (bool waited = false;; waited = true) {
        auto it = p.queues.find(queue);
        if (it == p.queues.end()) return FALSE;
        std::shared_ptr<MsgQueue> q = it->second;
        if (!q->messages.empty()) {
            const std::vector<unsigned char>& message = q->messages.front();
            if (buffer == nullptr || message.size() > bufferSize) return FALSE;
            std::memcpy(buffer, message.data(), message.size());
            if (bytesRead != nullptr) *bytesRead = static_cast<DWORD>(message.size());
            if (flags != nullptr) *flags = 0;
            q->messages.pop_front();
            if (q->messages.empty() && q->hNotEmpty != nullptr) ResetEvent(q->hNotEmpty);
            return TRUE;
        }
        if (timeoutMs == 0 || waited) return FALSE;
        // A timed read waits on the platform clock.
        if (q->hNotEmpty == nullptr) q->hNotEmpty = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE event = q->hNotEmpty;
        if (event == nullptr) return FALSE;
        lock.unlock();
        WaitForSingleObject(event, timeoutMs);
        lock.lock();
    }
}

BOOL CloseMsgQueue(HANDLE queue) {
    PowerState& p = Power();
    std::shared_ptr<MsgQueue> q;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        auto it = p.queues.find(queue);
        if (it == p.queues.end()) return FALSE;
        q = it->second;
        p.queues.erase(it);
    }
    // A reader still waiting on the event gives up when it finds the queue gone.
    if (q->hNotEmpty != nullptr) SetEvent(q->hNotEmpty);
    return TRUE;
}

HANDLE RequestPowerNotifications(HANDLE queue, DWORD flags) {
    PowerState& p = Power();
    std::lock_guard<std::mutex> lock(p.mutex);
    if (p.queues.find(queue) == p.queues.end()) return nullptr;
    HANDLE handle = reinterpret_cast<HANDLE>(kNotifyHandleBase + p.nextId++);
    // Suspends before the first registration are not reported.
    if (p.registrations.empty()) p.suspendedNs = SuspendedNs();
    p.registrations[handle] = Registration{queue, flags};
    return handle;
}

DWORD StopPowerNotifications(HANDLE notifications) {
    PowerState& p = Power();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.registrations.erase(notifications) == 0 ? FALSE : TRUE;
}

BOOL PowerPolicyNotify(DWORD message, DWORD data) {
    if (message == PPN_UNATTENDEDMODE) {
        PowerState& p = Power();
        std::lock_guard<std::mutex> lock(p.mutex);
        p.unattended = data != 0;
    }
    return TRUE;
}

void SystemIdleTimerReset() {
    ++Power().idleResets;
}

void MvPowerSimulateResume() {
    DeliverResume();
}

bool MvPowerUnattended() {
    PowerState& p = Power();
    std::lock_guard<std::mutex> lock(p.mutex);
    return p.unattended;
}

unsigned MvPowerIdleResets() {
    return Power().idleResets.load();
}

void MvPowerCheckResume() {
    PowerState& p = Power();
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        if (p.registrations.empty()) return;
        const int64_t now = SuspendedNs();
        const bool resumed = now - p.suspendedNs > kSuspendThresholdNs;
        p.suspendedNs = now;
        if (!resumed) return;
    }
    DeliverResume();
}

void MvPowerShutdown() {}
