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

    static void InsertTodayRow(HWND hMain, const wchar_t* date);
    static int CountTodayRows(CDbHelper& db, const wchar_t* date);
    // Reads the newest row of the day into *out (zeroed first). When a row was found, sends
    // UM_SELECT_TODAY with its totals and returns true. When the day has no row yet (the query ran
    // and found nothing) it sends UM_SELECT_TODAY with zero totals, so that no earlier day's sums
    // are carried into the new day, and returns false; when the query failed it sends nothing.
    static bool LoadTodayTotals(CDbHelper& db, HWND hMain, const wchar_t* date, StoredToday* out);
    static int FindTodaySeq(CDbHelper& db, const wchar_t* date);
    static void DeleteAllRecords(HWND hMain);

    // Updates the newest row of today with the stored sums plus the running counters; writes
    // the formatted duration into durationText. Safe to call from the UI and saving threads.
    // Returns 0, or the library's code of the write that failed: the totals then stay owed and
    // the next save writes them (inserting today's row if a failed write left none).
    int SaveTodayRow(CDbHelper& db, const EngineCounters& counters, wchar_t* durationText,
                     size_t durationSize);
    // True while a save (or the insert of today's row) failed and none has succeeded since: the
    // stored row is behind the engine's totals.
    bool OwesSave();
    // The insert of today's row failed (it was run elsewhere).
    void NoteRowNotInserted();
    // Forgets the carry-over of earlier days: the engine's sums now belong to today alone. The
    // engine calls it whenever its stored sums are replaced (UM_SELECT_TODAY) or reset
    // (UM_RESET_STEPS). A row whose last update failed keeps those totals for the next save.
    void ResetCarry();

private:
    // Today's totals as the engine sees them (sums plus running counters), or parts of them.
    struct Totals {
        int64_t nSteps;
        double dKcal;
        double dDistance;
        int64_t nSeconds;
    };
    static std::wstring ComposeInsert(const wchar_t* date, const wchar_t* clock);
    static int UpdateRow(CDbHelper& db, int seq, const Totals& values, const wchar_t* durationText,
                         const wchar_t* date, const wchar_t* clock);
    static int InsertRow(CDbHelper& db, const wchar_t* date, const wchar_t* clock);

    std::mutex m_Lock;
    // Carry-over across midnight: the day last saved and the totals already attributed to
    // earlier days, so that no counted step is lost or counted twice.
    wchar_t m_szLastDate[16] = L"";
    Totals m_Base{};
    // The totals of the last save since the carry was reset (to tell whether anything was
    // counted since).
    bool m_bWritten = false;
    Totals m_Written{};
    bool m_bOwed = false;
    // A row and the totals an update that failed should have given it.
    struct RowTotals {
        int nSeq;
        Totals values;
    };
    RowTotals m_Failed{};
    // Rows closed (by a reset, or by the day changing) while their last update had failed: the
    // next save writes them first.
    std::vector<RowTotals> m_Closed;
    // The newest row ever closed that way: a day whose newest row it still is has no row of its
    // own since (its insert failed).
    int m_nClosedSeq = 0;
};
