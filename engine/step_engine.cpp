// CStepEngine, counting side: samples into the detector, the workout's counters and clock,
// today's stored sums, the body values, and the glue to the record store it owns.
#include "engine/step_engine.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <vector>

#include "app/messages.h"
#include "engine/step_detector.h"

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

constexpr DWORD kIdleLimitMs = 15000;
constexpr int64_t kDayMs = 86400000;
constexpr int64_t kDayTimerMaxMs = 60000;
constexpr ULONGLONG kFileTimeOf1970 = 116444736000000000ULL;

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
    DeleteCriticalSection(&m_csCounters);
}

uint32_t CStepEngine::ElapsedSeconds() {
    const ULONGLONG now = GetTickCount64();
    CLockGuard lock(&m_csCounters);
    return ElapsedLocked(now);
}

uint32_t CStepEngine::ElapsedLocked(ULONGLONG now) const {
    if (m_nRunState != 2) return m_nElapsed;
    const ULONGLONG seconds = now >= m_qwStartTick ? (now - m_qwStartTick) / 1000 : 0;
    const uint32_t total = seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
    return total >= m_nEarlierDaysSeconds ? total - m_nEarlierDaysSeconds : 0;
}

void CStepEngine::MotionInfo(WPARAM wParam, LPARAM lParam) {
    // A reading after midnight counts for the new day.
    CheckDayChange(false);
    m_bNewStep = 0;

    const DWORD now = GetTickCount();
    const DWORD interval = now - m_dwLastTick;
    m_dwLastTick = now;
    m_dwIdleTime += interval;

    if (CheckResume()) {
        RequestRestart();
        m_dwIdleTime = 0;
    }

    AccelSample sample;
    sample.x = static_cast<int16_t>(HIWORD(lParam)) * 0.001;
    sample.y = static_cast<int16_t>(LOWORD(lParam)) * 0.001;
    sample.z = static_cast<int16_t>(LOWORD(wParam)) * 0.001;
    ProcessSample(&sample, static_cast<uint16_t>(interval));
    StepInfo info;
    GetStepInfo(&info);
    // The detector counts the whole workout; what it counted before a day change is not today's.
    // (Unsigned difference: the detector's count wraps.)
    const int32_t steps = static_cast<int32_t>(static_cast<uint32_t>(info.nStepCount) -
                                               static_cast<uint32_t>(m_DayBase.nStepCount));

    if (steps != m_iStepCount) {
        {
            CLockGuard lock(&m_csCounters);
            m_dCalories = info.dCalories - m_DayBase.dCalories;
            m_dTotalDistance = info.dDistance - m_DayBase.dDistance;
            m_iStepCount = steps;
        }
        m_bNewStep = 1;
        m_dwIdleTime = 0;
    }

    if (m_bNewStep) {
        EnterUnattended();
        SystemIdleTimerReset();
    } else if (m_dwIdleTime > kIdleLimitMs) {
        // No step for a while: let the device sleep again and start the detector afresh.
        m_dwIdleTime = 0;
        if (m_bUnattended) {
            RequestRestart();
            LeaveUnattended();
        }
    }

    if (m_bNewStep) {
        m_Motion = MotionRecord{};
        m_Motion.nStepCount = m_iStepCount;
        m_Motion.dCalories = m_dCalories;
        m_Motion.dDistance = m_dTotalDistance;
        SendMessageW(m_hMain, UM_MOTION_INFO, 0, reinterpret_cast<LPARAM>(&m_Motion));
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
    {
        CLockGuard lock(&m_csCounters);
        m_DayBase = StepInfo{};
        m_qwStartTick = now;
        m_nEarlierDaysSeconds = 0;
        m_nElapsed = 0;
        sumHMS = 0;
        sumStep = 0;
        sumKCal = 0;
        sumDistance = 0;
        m_iStepCount = 0;
        m_dCalories = 0;
        m_dTotalDistance = 0;
        m_nSumsDate = TodayDateNumber();
    }
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
    {
        std::lock_guard<std::mutex> saving(m_SaveLock);
        const ULONGLONG now = GetTickCount64();
        EngineCounters earlier{};
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
            sumHMS = stored.nDuration;
            sumStep = stored.nSteps;
            sumKCal = stored.dKcal;
            sumDistance = stored.dDistance;
            m_nSumsDate = day;
        }
        // The walk went on across the day change: its earlier day's row gets everything counted
        // until now. (A stopped workout was saved at its stop.)
        if (earlier.nRunState == 2 && earlier.nDay != 0) {
            wchar_t duration[16] = L"";
            m_Records.SaveTodayRow(m_Db, earlier, duration, 16);
        }
    }
    // Walking on: the new day gets its row now, as a start on that day would insert it.
    if (!haveRow && m_bSensorRunning && CDailyRecords::CountTodayRows(m_Db, date) == 0)
        CDailyRecords::InsertTodayRow(m_hMain, date);
    if (!tellViews) return;
    TodayTotals totals{stored.nDuration, stored.nSteps, stored.dKcal, stored.dDistance};
    SendMessageW(m_hMain, UM_NEW_DAY, 0, reinterpret_cast<LPARAM>(&totals));
}

void CStepEngine::SelectPedometer(const TodayTotals* totals) {
    if (!totals) return;
    {
        CLockGuard lock(&m_csCounters);
        sumHMS = totals->nSeconds;
        sumStep = totals->nSteps;
        sumKCal = totals->dKcal;
        sumDistance = totals->dDistance;
        m_nSumsDate = TodayDateNumber();
    }
}

void CStepEngine::ArmDayTimer() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    const int64_t msOfDay =
        ((st.wHour * 60 + st.wMinute) * 60 + st.wSecond) * int64_t{1000} + st.wMilliseconds;
    int64_t wait = kDayMs - msOfDay;
    // A clock set on or back meanwhile is noticed within the minute.
    if (wait > kDayTimerMaxMs) wait = kDayTimerMaxMs;
    if (wait < 1) wait = 1;
    SetTimer(m_hMain, TIMER_DAY, static_cast<UINT>(wait), nullptr);
}

void CStepEngine::OnTimer(int id) {
    CheckDayChange(false);
    if (id == TIMER_DAY) ArmDayTimer();
    if (id != TIMER_VALUES) return;
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
}

int CStepEngine::GetRunState() {
    CLockGuard lock(&m_csCounters);
    return m_nRunState;
}

void CStepEngine::SaveTodayRow() {
    // Both threads save; each formats into its own buffer and the member is replaced under
    // the lock.
    wchar_t duration[16] = L"";
    {
        std::lock_guard<std::mutex> saving(m_SaveLock);
        EngineCounters counters;
        GetCounters(&counters);
        m_Records.SaveTodayRow(m_Db, counters, duration, sizeof duration / sizeof duration[0]);
    }
    duration[15] = L'\0';
    CLockGuard lock(&m_csCounters);
    wcscpy(m_szDuration, duration);
}

void CStepEngine::LoadUserInfo(int mode) {
    m_Profile.LoadUserInfo(mode);
}

void CStepEngine::ExecSql(int kind, const wchar_t* sql) {
    std::vector<std::wstring> rows;
    SqlResult result{};
    m_Db.ExecuteSql(kind, sql, rows, &result);
}

void CStepEngine::StopSaving() {
    m_Saver.Stop();
}
