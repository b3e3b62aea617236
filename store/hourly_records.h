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

class CHourlyRecords {
public:
    // Inside the caller's transaction: the gain of the day's row `seq` when its totals become
    // steps/kcal/distance (texts as the row stores them) is added to hour `hour` of `date`
    // (YYYY-MM-DD); no gain, no row. The table is made when missing. SQLITE_OK or the code.
    static int AddGain(sqlite3* db, const char* date, int hour, int seq, int32_t steps, const char* kcal,
                       const char* distance);
    // The day's 24 hours into out (zeroed first); true when the day has any hour stored.
    static bool ReadDay(sqlite3* db, const char* date, HourTotals out[24]);
    // Deletes the history: every day's rows and every hour, in one transaction.
    static int DeleteAll(sqlite3* db);
};
