// Statements on the pedometer table: today's rows, read-back of today's totals, the periodic
// update of the newest row and deleting all records.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "common/engine_counters.h"
#include "common/today_totals.h"
#include "platform/windows.h"
#include "store/db_helper.h"
#include "store/hourly_records.h"

// Today's totals as read back from the newest row of the day.
struct StoredToday {
    int nHours;
    int nMinutes;
    int nSeconds;
    int nSteps;
    double dKcal;
    double dDistance;
    int nDuration;  // seconds
};

class CDailyRecords {
public:
    // "%04d-%02d-%02d" and "%02d:%02d:%02d" of one local-time reading.
    static void MakeDateText(const SYSTEMTIME& st, wchar_t* date, size_t dateSize);
    static void MakeClockText(const SYSTEMTIME& st, wchar_t* clock, size_t clockSize);
    static void TodayDateText(wchar_t* date, size_t dateSize);
    // "%04d-%02d-%02d" of a local date given as yyyymmdd.
    static void MakeDayText(int day, wchar_t* date, size_t dateSize);

    static void InsertTodayRow(HWND hMain, const wchar_t* date);
    static int CountTodayRows(CDbHelper& db, const wchar_t* date);
    // Reads the newest row of the day into *out (zeroed first); true when a row was found.
    static bool ReadDayTotals(CDbHelper& db, const wchar_t* date, StoredToday* out);
    // ReadDayTotals, and when a row was found, sends UM_SELECT_TODAY with its totals. A day
    // without a row (or a failed read) sends nothing.
    static bool LoadTodayTotals(CDbHelper& db, HWND hMain, const wchar_t* date, StoredToday* out);
    static int FindTodaySeq(CDbHelper& db, const wchar_t* date);
    // Deleting the history (its days and their hours): the statement the views send.
    static constexpr const wchar_t* kDeleteAllSql = L"DELETE FROM pedometer;";
    static void DeleteAllRecords(HWND hMain);

    // Writes the totals (sums plus the running counters) into the newest row of the day they
    // belong to (counters.nDay) and the formatted duration into durationText; totals of no known
    // day are written nowhere. Safe to call from the UI and saving threads.
    // Returns 0, or the library's code of the write that failed: the totals then stay owed and
    // the next save writes them (inserting the day's row if a failed write left none).
    int SaveTodayRow(CDbHelper& db, const EngineCounters& counters, wchar_t* durationText,
                     size_t durationSize);
    // True while a save (or the insert of today's row) failed and none has succeeded since: the
    // stored row is behind the engine's totals.
    bool OwesSave();
    // The insert of today's row failed (it was run elsewhere).
    void NoteRowNotInserted();
    // The engine's totals no longer go to the row last saved (a reset, totals read again, or a new
    // day): a row whose last update failed keeps the totals it should have had for the next save.
    void CloseRow();
    // Before the connection closes: the statements kept for the saves go.
    void ReleaseStatements();

private:
    static std::wstring ComposeInsert(const wchar_t* date, const wchar_t* clock);
    // Writes the row's totals and, in the same transaction, adds its gain to `hour` of `day`.
    int UpdateRow(CDbHelper& db, int seq, int64_t steps, double kcal, double distance,
                  const wchar_t* durationText, const wchar_t* date, const wchar_t* clock, const wchar_t* day,
                  int hour);
    static int InsertRow(CDbHelper& db, const wchar_t* date, const wchar_t* clock);

    std::mutex m_Lock;
    CHourlyGain m_Gain;
    bool m_bOwed = false;
    // A row and the totals an update that failed should have given it.
    struct RowTotals {
        int nSeq;
        int64_t nSteps;
        double dKcal;
        double dDistance;
        int64_t nSeconds;
        int nDay;  // yyyymmdd and hour of the counting
        int nHour;
    };
    RowTotals m_Failed{};
    // Rows closed (by a reset, or by the day changing) while their last update had failed: the
    // next save writes them first.
    std::vector<RowTotals> m_Closed;
    // The newest row ever closed that way: a day whose newest row it still is has no row of its
    // own since (its insert failed).
    int m_nClosedSeq = 0;
};
