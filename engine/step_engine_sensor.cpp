// CStepEngine, sensor and power side: opening the sensor, start and stop of a workout,
// shutdown, the resume notifications and unattended mode.
#include "common/messages.h"
#include "engine/step_detector.h"
#include "engine/step_engine.h"

namespace {

// Options of the queue that receives power notifications.
constexpr DWORD kQueueOptionsSize = 20;
constexpr DWORD kQueueMaxMessages = 3;
constexpr DWORD kQueueMaxMessageSize = 144;
// Buffer for one power broadcast read back from the queue.
constexpr DWORD kResumeBufferSize = 816;
constexpr DWORD kMinBroadcastSize = 16;
// How long a reading may wait before it is counted while the program is seen.
constexpr DWORD kSeenLatencyMs = 1000;

}  // namespace

void CStepEngine::InitEngine(HWND hMain) {
    m_hMain = hMain;
    m_hSensor = GetServiceHandle(L"MAG0:", nullptr, nullptr);
    m_bSensorRunning = 0;
    m_bUnattended = 0;

    sqlite3* db = nullptr;
    SendMessageW(hMain, UM_GET_DB, 0, reinterpret_cast<LPARAM>(&db));
    m_Db.SetHandle(db);
    m_Profile.Attach(hMain, &m_Db);
    m_Faults.Attach(hMain, db);
    // The goal reaches the views before the first one shows. Its table is made when a goal is
    // first stored: a user who never sets one keeps the file as it was.
    m_Goal.Attach(db);
    m_Goal.Load();
    SendMessageW(hMain, UM_GOAL_DATA, static_cast<WPARAM>(m_Goal.Steps()), 0);
    if (m_Profile.CheckFirstUse() == 1) m_Profile.LoadUserInfo(1);
    if (!m_hReadingsCounted) m_hReadingsCounted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_bSavingStops = false;
    m_qwLastCheckpoint = GetTickCount64();
    m_Saver.Start(
        {[this] { return GetRunState() == 2; }, [this] { SaveTodayRow(); }, [this] { CatchUpReadings(); }});
    // Wakes the engine at midnight, so that a screen left open shows the new day's totals.
    ArmDayTimer();
}

void CStepEngine::SendSensorControl(DWORD code) {
    HWND target = m_hMain;
    ServiceIoControl(m_hSensor, code, &target, sizeof target, nullptr, 0, nullptr, nullptr);
}

void CStepEngine::StartCounting() {
    if (m_bSensorRunning) return;
    if (m_Records.OwesSave() && SumsAreTodays()) {
        // The last workout's totals are not stored yet: try again, and keep them in the sums,
        // since the detector starts from zero (a day without a row sent no totals to fold them).
        // An earlier day's row is written later (the records keep it when the sums are dropped).
        SaveTodayRow();
        EnterCriticalSection(&m_csCounters);
        FoldWorkoutIntoSums();
        LeaveCriticalSection(&m_csCounters);
    }
    // A day without a row sends no totals: sums read on another day must not flow into it.
    CheckDayChange(true);
    InitStepDetector();
    // The detector starts with default body values; the user's stay in force.
    if (m_bHaveBody) SetUserBody(&m_Body);

    MSGQUEUEOPTIONS options{};
    options.dwSize = kQueueOptionsSize;
    options.dwFlags = 0;
    options.dwMaxMessages = kQueueMaxMessages;
    options.cbMaxMessage = kQueueMaxMessageSize;
    options.bReadAccess = TRUE;
    m_hResumeQueue = CreateMsgQueue(nullptr, &options);
    if (m_hResumeQueue) m_hResumeNotify = RequestPowerNotifications(m_hResumeQueue, PBT_RESUME);

    SendSensorControl(SENSOR_CTL_ATTACH);
    SendSensorControl(SENSOR_CTL_START);
    EnterUnattended();

    m_bSensorRunning = 1;
    m_Feed.Start();
    m_dwLastTick = GetTickCount();
    const ULONGLONG now = GetTickCount64();
    const uint32_t phase = WallClockPhaseMs();
    EnterCriticalSection(&m_csCounters);
    // The detector starts from zero, and the last workout's counters already lie in the sums
    // read at this start: kept, they would be counted twice until the first step.
    if (m_iStepCount != 0) {
        m_bCompareWithLast = 1;
        m_iLastWorkoutSteps = m_iStepCount;
    }
    m_iStepCount = 0;
    m_dCalories = 0;
    m_dTotalDistance = 0;
    m_DayBase = StepInfo{};
    m_qwStartTick = now;
    m_nStartPhaseMs = phase;
    m_nEarlierDaysSeconds = 0;
    m_nElapsed = 0;
    m_nRunState = 2;
    m_nCountHour = ClockHour();
    LeaveCriticalSection(&m_csCounters);
    m_qwLastCheckpoint = now;
    m_Saver.RunStateChanged();
}

void CStepEngine::StopCounting() {
    if (!m_bSensorRunning) return;
    // The time walked until now counts for the day on which it was walked.
    CheckDayChange(false);
    CountWaitingReadings();
    CloseResumeQueue();
    SendSensorControl(SENSOR_CTL_STOP);
    SendSensorControl(SENSOR_CTL_DETACH);
    LeaveUnattended();
    m_bSensorRunning = 0;
    const ULONGLONG now = GetTickCount64();
    EnterCriticalSection(&m_csCounters);
    m_nElapsed = ElapsedLocked(now);
    m_nRunState = 0;
    LeaveCriticalSection(&m_csCounters);
    m_Saver.RunStateChanged();
}

void CStepEngine::OnDestroy() {
    if (m_hMain) KillTimer(m_hMain, TIMER_DAY);
    if (!m_bSensorRunning) return;
    m_bSensorRunning = 0;
    SendSensorControl(SENSOR_CTL_STOP);
    SendSensorControl(SENSOR_CTL_DETACH);
    LeaveUnattended();
    CloseResumeQueue();
}

void CStepEngine::RearmSensor() {
    if (m_bSensorRunning) SendSensorControl(SENSOR_CTL_ATTACH);
}

void CStepEngine::SetSeen(bool seen) {
    m_bSeen = seen;
    DWORD latency = seen ? kSeenLatencyMs : CSavingThread::kSavePeriodMs;
    ServiceIoControl(m_hSensor, SENSOR_CTL_SET_LATENCY, &latency, sizeof latency, nullptr, 0, nullptr,
                     nullptr);
}

void CStepEngine::CatchUpReadings() {
    if (m_bSeen) return;
    ServiceIoControl(m_hSensor, SENSOR_CTL_FLUSH, nullptr, 0, nullptr, 0, nullptr, nullptr);
    if (!m_hReadingsCounted || m_bSavingStops) return;
    ResetEvent(m_hReadingsCounted);
    // Posted after the readings, so handled after them.
    if (!PostMessageW(m_hMain, UM_READINGS_MARK, 0, reinterpret_cast<LPARAM>(m_hReadingsCounted))) return;
    if (m_bSavingStops) return;
    WaitForSingleObject(m_hReadingsCounted, INFINITE);
}

void CStepEngine::CountWaitingReadings() {
    ServiceIoControl(m_hSensor, SENSOR_CTL_FLUSH, nullptr, 0, nullptr, 0, nullptr, nullptr);
    MSG msg;
    while (PeekMessageW(&msg, m_hMain, UM_SENSOR_DATA, UM_SENSOR_DATA, PM_REMOVE)) DispatchMessageW(&msg);
}

void CStepEngine::ReadingsMarked(HANDLE event) {
    if (event) SetEvent(event);
}

bool CStepEngine::HasSensor() {
    HWND target = m_hMain;
    return ServiceIoControl(m_hSensor, SENSOR_CTL_QUERY_SOURCE, &target, sizeof target, nullptr, 0, nullptr,
                            nullptr) != FALSE;
}

void CStepEngine::CloseResumeQueue() {
    if (m_hResumeQueue) CloseMsgQueue(m_hResumeQueue);
    if (m_hResumeNotify) StopPowerNotifications(m_hResumeNotify);
    m_hResumeQueue = nullptr;
    m_hResumeNotify = nullptr;
}

bool CStepEngine::CheckResume() {
    if (!m_hResumeQueue) return false;
    DWORD buffer[kResumeBufferSize / sizeof(DWORD)] = {};
    DWORD bytesRead = 0;
    DWORD flags = 0;
    if (!ReadMsgQueue(m_hResumeQueue, buffer, kResumeBufferSize, &bytesRead, 0, &flags)) return false;
    if (bytesRead < kMinBroadcastSize) return false;
    // The first word of a power broadcast is its message.
    return (buffer[0] & PBT_RESUME) != 0;
}

void CStepEngine::EnterUnattended() {
    if (m_bUnattended) return;
    m_bUnattended = 1;
    PowerPolicyNotify(PPN_UNATTENDEDMODE, TRUE);
}

void CStepEngine::LeaveUnattended() {
    if (!m_bUnattended) return;
    m_bUnattended = 0;
    PowerPolicyNotify(PPN_UNATTENDEDMODE, FALSE);
}
