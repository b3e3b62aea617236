// The hourly table: what each save adds to a day's row also goes to the row of the hour in which
// it was counted, in the same transaction; read back for a day's page; emptied with the history.
#pragma once

#include <sqlite3.h>

#include <cstdint>

struct HourTotals {
    int64_t nSteps;
    double dKcal;
    double dDistance;
};

// Adds a save's gain to its hour. The statement is prepared once per connection and kept:
// preparing it costs more than running it (a save with its hour stays within 1.5 x a save of the
// day's row alone). Release it before the connection closes.
class CHourlyGain {
public:
    CHourlyGain() = default;
    CHourlyGain(const CHourlyGain&) = delete;
    CHourlyGain& operator=(const CHourlyGain&) = delete;
    ~CHourlyGain() { Release(); }
    // Inside the caller's transaction: the gain of the day's row `seq` when its totals become
    // steps/kcal/distance (as the row stores them) is added to hour `hour` of `date` (YYYY-MM-DD);
    // no gain, no row. The table is made when missing. SQLITE_OK or the library's code.
    int Add(sqlite3* db, const char* date, int hour, int seq, int32_t steps, double kcal, double distance);
    // The save's transaction, with statements kept the same way. SQLITE_OK or the code.
    int Begin(sqlite3* db);
    int Commit(sqlite3* db);
    void Rollback(sqlite3* db);
    void Release();

private:
    // Runs the kept statement `*stmt` (prepared from sql at its first use on the connection).
    int Run(sqlite3* db, sqlite3_stmt** stmt, const char* sql);

    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pStmt = nullptr;
    sqlite3_stmt* m_pBegin = nullptr;
    sqlite3_stmt* m_pCommit = nullptr;
};

class CHourlyRecords {
public:
    // The day's 24 hours into out (zeroed first); true when the day has any hour stored.
    static bool ReadDay(sqlite3* db, const char* date, HourTotals out[24]);
    // Deletes the history: every day's rows and every hour, in one transaction.
    static int DeleteAll(sqlite3* db);
};
