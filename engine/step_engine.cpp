// CStepEngine, counting side: samples into the detector, the workout's counters and clock,
// today's stored sums, the body values, and the glue to the record store it owns.
#include "engine/step_engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "common/messages.h"
#include "engine/step_detector.h"
#include "store/database.h"
#include "store/hourly_records.h"
#include "store/store_text.h"

namespace {

// Holds a critical section for the enclosing scope.
class CLockGuard {
public:
    explicit CLockGuard(CRITICAL_SECTION* cs) : m_pCs(cs) { EnterCriticalSection(m_pCs); }
    ~CLockGuard() { LeaveCriticalSection(m_pCs); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CRITICAL_SECTION* m_pCs;
};

constexpr int64_t kDayMs = 86400000;
constexpr int64_t kHourMs = 3600000;
constexpr int64_t kDayTimerMaxMs = 60000;
// Walking, the rows reach the synced file at least this often (and no more often).
constexpr ULONGLONG kCheckpointPeriodMs = 60000;

// A decimal text as atof reads it (leading blanks, an optional sign, the longest number
// prefix; 0 when there is none), but independent of the process locale. Values that are not
// finite count as "not a number" too.
double ReadDecimal(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
        ++text;
    if (*text == '+' && text[1] != '-') ++text;
    double value = 0;
    auto [end, ec] = std::from_chars(text, text + strlen(text), value);
    (void)end;
    if (ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

// Converts a profile text with WideCharToMultiByte (whole string, CP_ACP) and reads it.
double ReadProfileNumber(const wchar_t* text) {
    if (!text) return 0;
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return 0;
    std::vector<char> narrow(static_cast<size_t>(size) + 1, '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), size, nullptr, nullptr) <= 0) return 0;
    return ReadDecimal(narrow.data());
}

}  // namespace

CStepEngine::CStepEngine() {
    InitializeCriticalSection(&m_csCounters);
}

CStepEngine::~CStepEngine() {
    StopSaving();
    if (m_hReadingsCounted) CloseHandle(m_hReadingsCounted);
    DeleteCriticalSection(&m_csCounters);
}

uint32_t CStepEngine::ElapsedSeconds() {
    const ULONGLONG now = GetTickCount64();
    CLockGuard lock(&m_csCounters);
    return ElapsedLocked(now);
}

uint32_t CStepEngine::WallClockPhaseMs() {
    SYSTEMTIME st{};
    GetSystemTime(&st);
    return st.wMilliseconds;
}

uint32_t CStepEngine::ElapsedLocked(ULONGLONG now) const {
    if (m_nRunState != 2) return m_nElapsed;
    const ULONGLONG seconds = now >= m_qwStartTick ? (now - m_qwStartTick + m_nStartPhaseMs) / 1000 : 0;
    const uint32_t total = seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
    return total >= m_nEarlierDaysSeconds ? total - m_nEarlierDaysSeconds : 0;
}

void CStepEngine::MotionInfo(WPARAM wParam, LPARAM lParam) {
    // A reading after midnight counts for the new day, one after an hour's end for the new hour.
    CheckDayChange(false);
    CheckHourChange();
    // The time the reading was taken: the sensor queues readings and the UI thread may handle
    // several at once, each with its own interval.
    const DWORD now = static_cast<DWORD>(GetMessageTime());
    // A reading taken before the workout's start tick counts as taken at it.
    const DWORD interval = static_cast<int32_t>(now - m_dwLastTick) > 0 ? now - m_dwLastTick : 0;
    if (interval > 0) m_dwLastTick = now;

    AccelSample sample;
    sample.x = static_cast<int16_t>(HIWORD(lParam)) * 0.001;
    sample.y = static_cast<int16_t>(LOWORD(lParam)) * 0.001;
    sample.z = static_cast<int16_t>(LOWORD(wParam)) * 0.001;
    StepInfo info;
    // The detector counts the whole workout; what it counted before a day change is not today's.
    // (Unsigned sums and differences: the detector's count wraps.)
    const int32_t shown = m_bCompareWithLast
                              ? m_iLastWorkoutSteps
                              : static_cast<int32_t>(static_cast<uint32_t>(m_iStepCount) +
                                                     static_cast<uint32_t>(m_DayBase.nStepCount));
    const CDetectorFeed::Outcome outcome = m_Feed.Feed(sample, interval, CheckResume(), shown, &info);
    m_bNewStep = outcome.bNewStep ? 1 : 0;
    if (m_bNewStep) m_bCompareWithLast = 0;

    if (m_bNewStep) {
        {
            CLockGuard lock(&m_csCounters);
            m_dCalories = info.dCalories - m_DayBase.dCalories;
            m_dTotalDistance = info.dDistance - m_DayBase.dDistance;
            m_iStepCount = static_cast<int32_t>(static_cast<uint32_t>(info.nStepCount) -
                                                static_cast<uint32_t>(m_DayBase.nStepCount));
        }
        EnterUnattended();
        SystemIdleTimerReset();
    } else if (outcome.bIdleRestart) {
        // No step for a while: let the device sleep again.
        LeaveUnattended();
    }

    if (m_bNewStep) {
        m_Motion = MotionRecord{};
        m_Motion.nStepCount = m_iStepCount;
        m_Motion.dCalories = m_dCalories;
        m_Motion.dDistance = m_dTotalDistance;
        SendMessageW(m_hMain, UM_MOTION_INFO, 0, reinterpret_cast<LPARAM>(&m_Motion));
        CheckGoal();
    }
}

void CStepEngine::SetUserInfo(const UserBody* body) {
    if (!body) return;
    m_Body = *body;
    m_bHaveBody = true;
    SetUserBody(body);
}

void CStepEngine::SetUserInfoText(const wchar_t* heightText, const wchar_t* weightText) {
    UserBody body;
    body.dHeight = ReadProfileNumber(heightText);
    body.dWeight = ReadProfileNumber(weightText);
    SetUserInfo(&body);
}

void CStepEngine::ResetStepInfo() {
    const StepInfo zero{};
    SetStepInfo(&zero);
    const ULONGLONG now = GetTickCount64();
    const uint32_t phase = WallClockPhaseMs();
    {
        CLockGuard lock(&m_csCounters);
        m_DayBase = StepInfo{};
        m_qwStartTick = now;
        m_nStartPhaseMs = phase;
        m_nEarlierDaysSeconds = 0;
        m_nElapsed = 0;
        sumHMS = 0;
        sumStep = 0;
        sumKCal = 0;
        sumDistance = 0;
        m_iStepCount = 0;
        m_dCalories = 0;
        m_dTotalDistance = 0;
        m_bCompareWithLast = 0;
        m_nSumsDate = TodayDateNumber();
        m_nCountHour = ClockHour();
    }
    m_Records.CloseRow();
}

int CStepEngine::ClockHour() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return st.wHour;
}

void CStepEngine::CheckHourChange() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    {
        CLockGuard lock(&m_csCounters);
        if (m_nRunState != 2 || m_nCountHour == st.wHour ||
            st.wYear * 10000 + st.wMonth * 100 + st.wDay != m_nSumsDate)
            return;
    }
    // The hour ended while walking: what was counted in it goes to its row now, as the day's
    // totals go to their row at midnight.
    SaveTodayRow();
}

int CStepEngine::TodayDateNumber() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
}

void CStepEngine::CheckDayChange(bool atStart) {
    const int today = TodayDateNumber();
    if (today == m_nSumsDate) return;
    // No day's totals known yet: there is nothing to move to another day.
    if (!atStart && m_nSumsDate == 0) return;
    // Set back, the clock may show an earlier day for a while: the totals stay with their day
    // until the clock reaches a later one. A workout starts on the day the clock shows.
    if (!atStart && today < m_nSumsDate) return;
    BeginDay(today, !atStart);
}

void CStepEngine::BeginDay(int day, bool tellViews) {
    wchar_t date[16];
    CDailyRecords::MakeDayText(day, date, 16);
    StoredToday stored{};
    const bool haveRow = CDailyRecords::ReadDayTotals(m_Db, date, &stored);
    EngineCounters earlier{};
    int savedEarlier = 0;
    {
        std::lock_guard<std::mutex> saving(m_SaveLock);
        const ULONGLONG now = GetTickCount64();
        {
            CLockGuard lock(&m_csCounters);
            FillCountersLocked(&earlier, now);
            if (m_nRunState == 2) m_nEarlierDaysSeconds += ElapsedLocked(now);
            m_nElapsed = 0;
            m_DayBase.nStepCount = static_cast<int32_t>(static_cast<uint32_t>(m_DayBase.nStepCount) +
                                                        static_cast<uint32_t>(m_iStepCount));
            m_DayBase.dCalories += m_dCalories;
            m_DayBase.dDistance += m_dTotalDistance;
            m_iStepCount = 0;
            m_dCalories = 0;
            m_dTotalDistance = 0;
            m_bCompareWithLast = 0;
            sumHMS = stored.nDuration;
            sumStep = stored.nSteps;
            sumKCal = stored.dKcal;
            sumDistance = stored.dDistance;
            m_nSumsDate = day;
            m_nCountHour = ClockHour();
        }
        // The walk went on across the day change: its earlier day's row gets everything counted
        // until now. (A stopped workout was saved at its stop.)
        if (earlier.nRunState == 2 && earlier.nDay != 0) {
            wchar_t duration[16] = L"";
            savedEarlier = m_Records.SaveTodayRow(m_Db, earlier, duration, 16);
        }
    }
    if (savedEarlier != 0)
        m_Faults.Failed(savedEarlier, "today's steps");
    else if (earlier.nRunState == 2)
        m_Faults.Succeeded();
    if (earlier.nRunState == 2) CheckpointAfterSave(true);
    // An earlier day's row that could not be completed is written by a later save.
    m_Records.CloseRow();
    // Walking on: the new day gets its row now, as a start on that day would insert it.
    if (!haveRow && m_bSensorRunning && CDailyRecords::CountTodayRows(m_Db, date) == 0)
        CDailyRecords::InsertTodayRow(m_hMain, date);
    if (!tellViews) return;
    TodayTotals totals{stored.nDuration, stored.nSteps, stored.dKcal, stored.dDistance};
    SendMessageW(m_hMain, UM_NEW_DAY, 0, reinterpret_cast<LPARAM>(&totals));
}

bool CStepEngine::SumsAreTodays() {
    const int today = TodayDateNumber();
    CLockGuard lock(&m_csCounters);
    return m_nSumsDate == today;
}

void CStepEngine::FoldWorkoutIntoSums() {
    if (m_nRunState == 2) return;
    // The detector's count stays as it is: what it counted now lies in the sums.
    m_DayBase.nStepCount = static_cast<int32_t>(static_cast<uint32_t>(m_DayBase.nStepCount) +
                                                static_cast<uint32_t>(m_iStepCount));
    m_DayBase.dCalories += m_dCalories;
    m_DayBase.dDistance += m_dTotalDistance;
    sumStep = static_cast<int32_t>(std::clamp<int64_t>(int64_t{sumStep} + m_iStepCount, 0, INT32_MAX));
    sumKCal += m_dCalories;
    sumDistance += m_dTotalDistance;
    sumHMS += static_cast<int32_t>(m_nElapsed);
    m_iStepCount = 0;
    m_dCalories = 0;
    m_dTotalDistance = 0;
    m_nElapsed = 0;
}

void CStepEngine::SelectPedometer(TodayTotals* totals) {
    if (!totals) return;
    if (m_Records.OwesSave() && SumsAreTodays()) {
        // The row read is behind what was counted (a save failed): try the save again, and keep
        // counting from the engine's own totals whether it went through or not.
        SaveTodayRow();
        CLockGuard lock(&m_csCounters);
        if (m_nRunState != 2) {
            FoldWorkoutIntoSums();
            totals->nSeconds = sumHMS;
            totals->nSteps = sumStep;
            totals->dKcal = sumKCal;
            totals->dDistance = sumDistance;
            return;
        }
    }
    {
        CLockGuard lock(&m_csCounters);
        sumHMS = totals->nSeconds;
        sumStep = totals->nSteps;
        sumKCal = totals->dKcal;
        sumDistance = totals->dDistance;
        m_nSumsDate = TodayDateNumber();
    }
    m_Records.CloseRow();
}

void CStepEngine::ArmDayTimer() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    const int64_t msOfDay =
        ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * int64_t{1000} + st.wMilliseconds;
    // Midnight, and every hour's end for the hours' rows.
    int64_t wait = kHourMs - msOfDay % kHourMs;
    if (kDayMs - msOfDay < wait) wait = kDayMs - msOfDay;
    // A clock set on or back meanwhile is noticed within the minute.
    if (wait > kDayTimerMaxMs) wait = kDayTimerMaxMs;
    if (wait < 1) wait = 1;
    SetTimer(m_hMain, TIMER_DAY, static_cast<UINT>(wait), nullptr);
}

void CStepEngine::OnTimer(int id) {
    CheckDayChange(false);
    if (id == TIMER_DAY) {
        CheckHourChange();
        ArmDayTimer();
    }
    if (id != TIMER_VALUES) return;
    SendTime();
}

void CStepEngine::SendElapsed() {
    {
        CLockGuard lock(&m_csCounters);
        if (m_nRunState != 2) return;
    }
    SendTime();
}

void CStepEngine::SendTime() {
    const ULONGLONG now = GetTickCount64();
    uint32_t elapsed;
    {
        CLockGuard lock(&m_csCounters);
        m_nElapsed = ElapsedLocked(now);
        elapsed = m_nElapsed;
    }
    SendMessageW(m_hMain, UM_VIEW_EVENT, static_cast<WPARAM>(elapsed), reinterpret_cast<LPARAM>(L"TIME"));
}

void CStepEngine::GetCounters(EngineCounters* out) {
    if (!out) return;
    const ULONGLONG now = GetTickCount64();
    CLockGuard lock(&m_csCounters);
    FillCountersLocked(out, now);
}

void CStepEngine::FillCountersLocked(EngineCounters* out, ULONGLONG now) const {
    out->nRunState = m_nRunState;
    out->iStepCount = m_iStepCount;
    out->dCalories = m_dCalories;
    out->dTotalDistance = m_dTotalDistance;
    out->nElapsed = ElapsedLocked(now);
    out->sumStep = sumStep;
    out->sumKCal = sumKCal;
    out->sumDistance = sumDistance;
    out->sumHMS = sumHMS;
    out->nDay = m_nSumsDate;
    out->nHour = m_nCountHour;
}

int CStepEngine::GetRunState() {
    CLockGuard lock(&m_csCounters);
    return m_nRunState;
}

void CStepEngine::SaveTodayRow() {
    // Both threads save; each formats into its own buffer and the member is replaced under
    // the lock.
    wchar_t duration[16] = L"";
    int failed;
    bool walking;
    {
        std::lock_guard<std::mutex> saving(m_SaveLock);
        EngineCounters counters;
        GetCounters(&counters);
        walking = counters.nRunState == 2;
        failed = m_Records.SaveTodayRow(m_Db, counters, duration, sizeof duration / sizeof duration[0]);
        // From here on the counting belongs to the clock's hour (of the totals' own day: a clock
        // set back into an earlier day leaves it as it was).
        SYSTEMTIME st{};
        GetLocalTime(&st);
        CLockGuard lock(&m_csCounters);
        if (st.wYear * 10000 + st.wMonth * 100 + st.wDay == m_nSumsDate) m_nCountHour = st.wHour;
    }
    duration[15] = L'\0';
    if (failed != 0)
        m_Faults.Failed(failed, "today's steps");
    else
        m_Faults.Succeeded();
    CheckpointAfterSave(!walking);
    CLockGuard lock(&m_csCounters);
    wcscpy(m_szDuration, duration);
}

void CStepEngine::CheckpointAfterSave(bool now) {
    const ULONGLONG tick = GetTickCount64();
    if (!now && tick - m_qwLastCheckpoint.load() < kCheckpointPeriodMs) return;
    // A checkpoint that fails leaves the rows in the log, which keeps them: the next save tries
    // again.
    if (CheckpointDatabase(m_Db.GetHandle()) == SQLITE_OK) m_qwLastCheckpoint = tick;
}

void CStepEngine::LoadUserInfo(int mode) {
    m_Profile.LoadUserInfo(mode);
}

void CStepEngine::ExecSql(int kind, const wchar_t* sql) {
    std::vector<std::wstring> rows;
    SqlResult result{};
    // Deleting the history deletes its hours with it, in one transaction.
    if (kind == SQL_DELETE && wcscmp(sql, CDailyRecords::kDeleteAllSql) == 0)
        result.nError = CHourlyRecords::DeleteAll(m_Db.GetHandle());
    else
        m_Db.ExecuteSql(kind, sql, rows, &result);
    if (result.nError == 0 || kind == SQL_SELECT || kind == SQL_INTLIST) return;
    // A write the views asked for failed: the profile, today's new row, deleting the history.
    static const wchar_t kTodayRow[] = L"INSERT INTO pedometer";
    const bool todayRow = kind == SQL_INSERT && wcsncmp(sql, kTodayRow, wcslen(kTodayRow)) == 0;
    if (todayRow) m_Records.NoteRowNotInserted();
    std::string what = StoreUtf8FromWide(sql);
    if (what.size() > 40) what = what.substr(0, what.find_last_of(' ', 40)) + " ...";
    m_Faults.Failed(result.nError, what.c_str());
}

void CStepEngine::SetGoal(int steps) {
    if (steps < 0) steps = 0;
    if (int rc = m_Goal.SaveSteps(steps); rc != SQLITE_OK) {
        m_Faults.Failed(rc, "the daily goal");
        return;
    }
    SendMessageW(m_hMain, UM_GOAL_DATA, static_cast<WPARAM>(m_Goal.Steps()), 0);
}

void CStepEngine::CheckGoal() {
    if (m_Goal.Steps() <= 0) return;
    int64_t today = 0;
    int day = 0;
    {
        CLockGuard lock(&m_csCounters);
        // Counted as a day's row keeps it: never past the largest count, never below zero.
        today = std::clamp<int64_t>(int64_t{sumStep} + m_iStepCount, 0, INT32_MAX);
        day = m_nSumsDate;
    }
    if (day == 0) day = TodayDateNumber();
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100);
    if (!m_Goal.ShouldNotice(today, date)) return;
    if (int rc = m_Goal.SaveNoticed(date); rc != SQLITE_OK) m_Faults.Failed(rc, "the goal's notice");
    SendMessageW(m_hMain, UM_GOAL_REACHED, static_cast<WPARAM>(today), static_cast<LPARAM>(m_Goal.Steps()));
}

void CStepEngine::StopSaving() {
    // A save waiting for the UI thread (which now waits here) goes ahead without it.
    m_bSavingStops = true;
    if (m_hReadingsCounted) SetEvent(m_hReadingsCounted);
    m_Saver.Stop();
    // The statements kept for the saves go before the connection closes.
    m_Records.ReleaseStatements();
}
