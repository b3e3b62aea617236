// Statements on the pedometer table: today's rows, reading today's totals back, the periodic
// update of the newest row and deleting all records.
#include "store/daily_records.h"

#include <sqlite3.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "common/messages.h"
#include "store/connection_lock.h"
#include "store/hourly_records.h"
#include "store/store_text.h"

namespace {

std::wstring Part(const std::wstring& text, size_t pos, size_t count) {
    return pos < text.size() ? text.substr(pos, count) : std::wstring();
}

// Whole hundredths of a number as read back through "x*100": the leading digits of its text.
double Hundredths(const std::wstring& text) {
    return StoreTextToInt(text);
}

std::wstring DurationText(int64_t seconds) {
    if (seconds < 0) seconds = 0;
    if (seconds > INT32_MAX) seconds = INT32_MAX;
    int s = static_cast<int>(seconds);
    return StoreFormat(L"%02d:%02d:%02d", s / 3600, (s % 3600) / 60, s % 60);
}

int ClampInt(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int>(value);
}

}  // namespace

void CDailyRecords::MakeDateText(const SYSTEMTIME& st, wchar_t* date, size_t dateSize) {
    StoreCopyText(date, dateSize, StoreFormat(L"%04d-%02d-%02d", st.wYear, st.wMonth, st.wDay));
}

void CDailyRecords::MakeClockText(const SYSTEMTIME& st, wchar_t* clock, size_t clockSize) {
    StoreCopyText(clock, clockSize, StoreFormat(L"%02d:%02d:%02d", st.wHour, st.wMinute, st.wSecond));
}

void CDailyRecords::MakeDayText(int day, wchar_t* date, size_t dateSize) {
    StoreCopyText(date, dateSize, StoreFormat(L"%04d-%02d-%02d", day / 10000, day / 100 % 100, day % 100));
}

void CDailyRecords::TodayDateText(wchar_t* date, size_t dateSize) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    MakeDateText(st, date, dateSize);
}

std::wstring CDailyRecords::ComposeInsert(const wchar_t* date, const wchar_t* clock) {
    return StoreFormat(
        L"INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
        L"\t\t\t\t\t   VALUES( '%ls', '00:00:00', 0, 0.0, 0.0, datetime('%ls %ls'), datetime('%ls %ls') );",
        date, date, clock, date, clock);
}

void CDailyRecords::InsertTodayRow(HWND hMain, const wchar_t* date) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t clock[16];
    MakeClockText(st, clock, 16);
    std::wstring sql = ComposeInsert(date, clock);
    SendMessageW(hMain, UM_EXEC_SQL, SQL_INSERT, reinterpret_cast<LPARAM>(sql.c_str()));
}

int CDailyRecords::CountTodayRows(CDbHelper& db, const wchar_t* date) {
    std::vector<std::wstring> rows;
    SqlResult result{};
    std::wstring sql = StoreFormat(L"SELECT COUNT(*) FROM pedometer WHERE curdate = '%ls';", date);
    if (db.ExecuteSql(SQL_INTLIST, sql.c_str(), rows, &result) == 0 || result.nRows == 0 || rows.empty())
        return 0;
    return StoreTextToInt(rows[0]);
}

bool CDailyRecords::ReadDayTotals(CDbHelper& db, const wchar_t* date, StoredToday* out) {
    StoredToday totals{};
    if (out) *out = totals;

    std::vector<std::wstring> rows;
    SqlResult result{};
    std::wstring sql = StoreFormat(
        L"SELECT curtime, steps, kcal*100, distance*100 FROM pedometer where seq = (SELECT max(seq) FROM "
        L"pedometer WHERE curdate = '%ls');",
        date);
    if (db.ExecuteSql(SQL_SELECT, sql.c_str(), rows, &result) == 0) return false;
    if (result.nRows == 0 || result.nColumns < 4) return false;

    double kcalSum = 0;
    double distanceSum = 0;
    size_t columns = static_cast<size_t>(result.nColumns);
    for (size_t base = 0; base + 3 < rows.size(); base += columns) {
        const std::wstring& curtime = StoreNullAsEmpty(rows[base]);
        // Hours have two digits up to 99 and more from 100 on: all of them up to the first ':'.
        const size_t colon = curtime.find(L':');
        const size_t hourDigits = colon == std::wstring::npos ? 2 : colon;
        totals.nHours += StoreTextToInt(Part(curtime, 0, hourDigits));
        totals.nMinutes += StoreTextToInt(Part(curtime, hourDigits + 1, 2));
        totals.nSeconds += StoreTextToInt(curtime.size() >= 2 ? curtime.substr(curtime.size() - 2) : curtime);
        // A count past what a row keeps (a hand-edited file) is the largest one; none is negative.
        totals.nSteps += std::max(0, StoreTextToInt(rows[base + 1]));
        kcalSum += Hundredths(rows[base + 2]);
        distanceSum += Hundredths(rows[base + 3]);
    }
    int64_t duration =
        int64_t{totals.nSeconds} + 60 * int64_t{totals.nMinutes} + 3600 * int64_t{totals.nHours};
    totals.nDuration = ClampInt(duration);
    totals.dKcal = kcalSum * 0.01;
    totals.dDistance = distanceSum * 0.01;
    if (out) *out = totals;
    return true;
}

bool CDailyRecords::LoadTodayTotals(CDbHelper& db, HWND hMain, const wchar_t* date, StoredToday* out) {
    StoredToday totals{};
    // No row for the day (or a failed read): nothing is sent; the engine drops sums of another
    // day itself when a workout starts.
    const bool found = ReadDayTotals(db, date, &totals);
    if (out) *out = totals;
    if (!found) return false;
    NKDbgPrintfW(L"sumHMS[%d:%d:%d],sumStep[%d],sumKCal[%.2lf], sumDistance[%.2lf]\r\n", totals.nHours,
                 totals.nMinutes, totals.nSeconds, totals.nSteps, totals.dKcal, totals.dDistance);

    TodayTotals record{};
    record.nSeconds = totals.nDuration;
    record.nSteps = totals.nSteps;
    record.dKcal = totals.dKcal;
    record.dDistance = totals.dDistance;
    SendMessageW(hMain, UM_SELECT_TODAY, 0, reinterpret_cast<LPARAM>(&record));
    if (record.nSteps != totals.nSteps || record.nSeconds != totals.nDuration ||
        record.dKcal != totals.dKcal || record.dDistance != totals.dDistance) {
        // The engine answered with totals it has not been able to store yet: those are today's.
        totals.nSteps = record.nSteps;
        totals.dKcal = record.dKcal;
        totals.dDistance = record.dDistance;
        totals.nDuration = record.nSeconds < 0 ? 0 : record.nSeconds;
        totals.nHours = totals.nDuration / 3600;
        totals.nMinutes = totals.nDuration % 3600 / 60;
        totals.nSeconds = totals.nDuration % 60;
    }
    if (out) *out = totals;
    return true;
}

int CDailyRecords::FindTodaySeq(CDbHelper& db, const wchar_t* date) {
    std::vector<std::wstring> rows;
    SqlResult result{};
    std::wstring sql = StoreFormat(L"SELECT max(seq) FROM pedometer WHERE curdate = '%ls';", date);
    if (db.ExecuteSql(SQL_SELECT, sql.c_str(), rows, &result) == 0 || result.nRows == 0 || rows.empty())
        return 0;
    return StoreTextToInt(rows[0]);
}

void CDailyRecords::DeleteAllRecords(HWND hMain) {
    SendMessageW(hMain, UM_EXEC_SQL, SQL_DELETE, reinterpret_cast<LPARAM>(kDeleteAllSql));
}

int CDailyRecords::InsertRow(CDbHelper& db, const wchar_t* date, const wchar_t* clock) {
    std::vector<std::wstring> rows;
    SqlResult result{};
    db.ExecuteSql(SQL_INSERT, ComposeInsert(date, clock).c_str(), rows, &result);
    return result.nError;
}

int CDailyRecords::UpdateRow(CDbHelper& db, int seq, int64_t steps, double kcal, double distance,
                             const wchar_t* durationText, const wchar_t* date, const wchar_t* clock,
                             const wchar_t* day, int hour) {
    std::wstring kcalText = StoreHundredths(kcal);
    std::wstring distanceText = StoreHundredths(distance);
    std::wstring sql = StoreFormat(
        L"UPDATE pedometer SET steps=%d, kcal=%ls, distance=%ls, curtime='%ls', updated_at=datetime('%ls "
        L"%ls') "
        L"WHERE seq = %d;",
        ClampInt(steps), kcalText.c_str(), distanceText.c_str(), durationText, date, clock, seq);
    // The hour's gain and the day's row in one transaction: a kill never leaves them disagreeing.
    // No other thread's statement joins it meanwhile.
    sqlite3* handle = db.GetHandle();
    CConnectionLock lock(handle);
    int rc = handle ? m_Gain.Begin(handle) : SQLITE_MISUSE;
    if (rc != SQLITE_OK) return handle ? sqlite3_extended_errcode(handle) : rc;
    rc = m_Gain.Add(handle, StoreUtf8FromWide(day).c_str(), hour, seq, ClampInt(steps),
                    std::wcstod(kcalText.c_str(), nullptr), std::wcstod(distanceText.c_str(), nullptr));
    if (rc != SQLITE_OK) rc = sqlite3_extended_errcode(handle);
    std::vector<std::wstring> rows;
    SqlResult result{};
    if (rc == SQLITE_OK) {
        db.ExecuteSql(SQL_UPDATE, sql.c_str(), rows, &result);
        rc = result.nError;
    }
    if (rc == SQLITE_OK && m_Gain.Commit(handle) != SQLITE_OK) rc = sqlite3_extended_errcode(handle);
    if (rc != SQLITE_OK) m_Gain.Rollback(handle);
    return rc;
}

int CDailyRecords::SaveTodayRow(CDbHelper& db, const EngineCounters& c, wchar_t* durationText,
                                size_t durationSize) {
    std::lock_guard<std::mutex> lock(m_Lock);

    // Today's totals as the engine sees them: stored sums plus the running workout.
    const int64_t steps = int64_t{c.sumStep} + c.iStepCount;
    const int64_t seconds = int64_t{c.sumHMS} + c.nElapsed;
    std::wstring duration = DurationText(seconds);
    StoreCopyText(durationText, durationSize, duration);
    // Totals of no known day are written nowhere.
    if (c.nDay <= 0) return 0;

    // The row is the newest of the day the totals belong to, whatever day the clock shows now;
    // the update time is the clock's reading.
    wchar_t day[16];
    MakeDayText(c.nDay, day, 16);
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t date[16];
    wchar_t clock[16];
    MakeDateText(st, date, 16);
    MakeClockText(st, clock, 16);

    // Rows closed while they could not be written come first.
    while (!m_Closed.empty()) {
        const RowTotals& row = m_Closed.front();
        wchar_t rowDay[16];
        MakeDayText(row.nDay, rowDay, 16);
        int failed = UpdateRow(db, row.nSeq, row.nSteps, row.dKcal, row.dDistance,
                               DurationText(row.nSeconds).c_str(), date, clock, rowDay, row.nHour);
        if (failed != 0) {
            m_bOwed = true;
            return failed;
        }
        m_Closed.erase(m_Closed.begin());
    }

    int seq = FindTodaySeq(db, day);
    if (m_bOwed && (seq == 0 || seq <= m_nClosedSeq)) {
        // The day's row was never made (its insert failed): it is made now.
        int failed = InsertRow(db, day, clock);
        if (failed != 0) return failed;
        seq = FindTodaySeq(db, day);
    }
    const int hour = c.nHour >= 0 && c.nHour < 24 ? c.nHour : st.wHour;
    int failed = UpdateRow(db, seq, steps, c.sumKCal + c.dCalories, c.sumDistance + c.dTotalDistance,
                           duration.c_str(), date, clock, day, hour);
    if (failed != 0) {
        // The row keeps its earlier totals; the engine keeps these, and the next save writes them.
        m_bOwed = true;
        m_Failed = RowTotals{
            seq, steps, c.sumKCal + c.dCalories, c.sumDistance + c.dTotalDistance, seconds, c.nDay, hour};
        return failed;
    }
    m_Failed = RowTotals{};
    NKDbgPrintfW(
        L"\r\n m_iStepCount=%d, sumStep=%d, m_dCalories=%.2lf, sumKCal=%.2lf, m_dTotalDistance=%.2lf, "
        L"sumDistance=%.2lf\r\n",
        c.iStepCount, c.sumStep, c.dCalories, c.sumKCal, c.dTotalDistance, c.sumDistance);
    m_bOwed = false;
    return 0;
}

void CDailyRecords::ReleaseStatements() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Gain.Release();
}

bool CDailyRecords::OwesSave() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_bOwed;
}

void CDailyRecords::NoteRowNotInserted() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bOwed = true;
}

void CDailyRecords::CloseRow() {
    std::lock_guard<std::mutex> lock(m_Lock);
    // The totals the engine drops now may never have reached their row: they are written later.
    if (m_bOwed && m_Failed.nSeq > 0) {
        m_Closed.push_back(m_Failed);
        if (m_Failed.nSeq > m_nClosedSeq) m_nClosedSeq = m_Failed.nSeq;
    }
    m_Failed = RowTotals{};
}
