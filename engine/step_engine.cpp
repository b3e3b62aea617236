// CStepEngine, counting side: samples into the detector, the workout's counters and clock,
// today's stored sums, the body values, and the glue to the record store it owns.
#include "engine/step_engine.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <vector>

#include "common/messages.h"
#include "engine/step_detector.h"
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

uint32_t CStepEngine::GetClock() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft{};
    SystemTimeToFileTime(&st, &ft);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const int64_t seconds = (static_cast<int64_t>(ticks) - static_cast<int64_t>(kFileTimeOf1970)) / 10000000;
    return static_cast<uint32_t>(seconds);
}

void CStepEngine::MotionInfo(WPARAM wParam, LPARAM lParam) {
    const DWORD now = GetTickCount();
    const DWORD interval = now - m_dwLastTick;
    m_dwLastTick = now;

    AccelSample sample;
    sample.x = static_cast<int16_t>(HIWORD(lParam)) * 0.001;
    sample.y = static_cast<int16_t>(LOWORD(lParam)) * 0.001;
    sample.z = static_cast<int16_t>(LOWORD(wParam)) * 0.001;
    StepInfo info;
    const CDetectorFeed::Outcome outcome = m_Feed.Feed(sample, interval, CheckResume(), m_iStepCount, &info);
    m_bNewStep = outcome.bNewStep ? 1 : 0;

    if (m_bNewStep) {
        {
            CLockGuard lock(&m_csCounters);
            m_dCalories = info.dCalories;
            m_dTotalDistance = info.dDistance;
            m_iStepCount = info.nStepCount;
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
    const uint32_t now = GetClock();
    {
        CLockGuard lock(&m_csCounters);
        m_nStartTime = now;
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
    m_Records.ResetCarry();
}

int CStepEngine::TodayDateNumber() {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
}

void CStepEngine::DropSumsOfEarlierDay() {
    const int today = TodayDateNumber();
    {
        CLockGuard lock(&m_csCounters);
        if (m_nSumsDate == today) return;
        m_nSumsDate = today;
        sumHMS = 0;
        sumStep = 0;
        sumKCal = 0;
        sumDistance = 0;
    }
    m_Records.ResetCarry();
}

bool CStepEngine::SumsAreTodays() {
    const int today = TodayDateNumber();
    CLockGuard lock(&m_csCounters);
    return m_nSumsDate == today;
}

void CStepEngine::FoldWorkoutIntoSums() {
    if (m_nRunState == 2) return;
    sumStep += m_iStepCount;
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
    m_Records.ResetCarry();
}

void CStepEngine::OnTimer(int id) {
    if (id != TIMER_VALUES) return;
    const uint32_t now = GetClock();
    uint32_t elapsed;
    {
        CLockGuard lock(&m_csCounters);
        m_nElapsed = now - m_nStartTime;
        elapsed = m_nElapsed;
    }
    SendMessageW(m_hMain, UM_VIEW_EVENT, static_cast<WPARAM>(elapsed), reinterpret_cast<LPARAM>(L"TIME"));
}

void CStepEngine::GetCounters(EngineCounters* out) {
    if (!out) return;
    CLockGuard lock(&m_csCounters);
    out->nRunState = m_nRunState;
    out->iStepCount = m_iStepCount;
    out->dCalories = m_dCalories;
    out->dTotalDistance = m_dTotalDistance;
    out->nElapsed = m_nElapsed;
    out->sumStep = sumStep;
    out->sumKCal = sumKCal;
    out->sumDistance = sumDistance;
    out->sumHMS = sumHMS;
}

int CStepEngine::GetRunState() {
    CLockGuard lock(&m_csCounters);
    return m_nRunState;
}

void CStepEngine::SaveTodayRow() {
    EngineCounters counters;
    GetCounters(&counters);
    // Both threads save; each formats into its own buffer and the member is replaced under
    // the lock.
    wchar_t duration[16] = L"";
    int failed = m_Records.SaveTodayRow(m_Db, counters, duration, sizeof duration / sizeof duration[0]);
    duration[15] = L'\0';
    if (failed != 0)
        m_Faults.Failed(failed, "today's steps");
    else
        m_Faults.Succeeded();
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
    if (result.nError == 0 || kind == SQL_SELECT || kind == SQL_INTLIST) return;
    // A write the views asked for failed: the profile, today's new row, deleting the history.
    static const wchar_t kTodayRow[] = L"INSERT INTO pedometer";
    const bool todayRow = kind == SQL_INSERT && wcsncmp(sql, kTodayRow, wcslen(kTodayRow)) == 0;
    if (todayRow) m_Records.NoteRowNotInserted();
    std::string what = StoreUtf8FromWide(sql);
    if (what.size() > 40) what = what.substr(0, what.find_last_of(' ', 40)) + " ...";
    m_Faults.Failed(result.nError, what.c_str());
}

void CStepEngine::StopSaving() {
    m_Saver.Stop();
}
