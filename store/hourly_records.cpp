// The hourly table's statements.
#include "store/hourly_records.h"

#include <cstdlib>

#include "store/connection_lock.h"
#include "store/schema.h"

namespace {

bool HasHourlyTable(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'hourly';", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return false;
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

int Finish(sqlite3_stmt* stmt) {
    int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW ? SQLITE_OK : rc;
}

}  // namespace

int CHourlyRecords::AddGain(sqlite3* db, const char* date, int hour, int seq, int32_t steps, const char* kcal,
                            const char* distance) {
    if (!db) return SQLITE_MISUSE;
    if (!HasHourlyTable(db)) {
        int rc = sqlite3_exec(db, kHourlyTable.pszCreate, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    // The gain against the row as stored, in hundredths as the row keeps them, so that the hours
    // add up to the day's rows however the saves went (a failed one, a kill in between).
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(
        db,
        "INSERT INTO hourly (curdate, hour, steps, kcal, distance) "
        "SELECT ?1, ?2, ?4 - ifnull(steps, 0), round(?5 - ifnull(kcal, 0), 2), "
        "round(?6 - ifnull(distance, 0), 2) FROM pedometer "
        "WHERE seq = ?3 AND (?4 != ifnull(steps, 0) OR round(?5 - ifnull(kcal, 0), 2) != 0 OR "
        "round(?6 - ifnull(distance, 0), 2) != 0) "
        "ON CONFLICT (curdate, hour) DO UPDATE SET steps = steps + excluded.steps, "
        "kcal = round(kcal + excluded.kcal, 2), distance = round(distance + excluded.distance, 2);",
        -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_bind_text(stmt, 1, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(stmt, 2, hour);
    sqlite3_bind_int(stmt, 3, seq);
    sqlite3_bind_int(stmt, 4, steps);
    sqlite3_bind_double(stmt, 5, std::strtod(kcal, nullptr));
    sqlite3_bind_double(stmt, 6, std::strtod(distance, nullptr));
    return Finish(stmt);
}

bool CHourlyRecords::ReadDay(sqlite3* db, const char* date, HourTotals out[24]) {
    for (int h = 0; h < 24; ++h) out[h] = HourTotals{};
    if (!db || !HasHourlyTable(db)) return false;
    sqlite3_stmt* stmt = nullptr;
    // The key (curdate, hour) serves the query: a day costs the same in thirty years of hours.
    if (sqlite3_prepare_v2(db, "SELECT hour, steps, kcal, distance FROM hourly WHERE curdate = ?1;", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(stmt, 1, date, -1, SQLITE_TRANSIENT);
    bool any = false;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const int hour = sqlite3_column_int(stmt, 0);
        if (hour < 0 || hour > 23) continue;
        out[hour].nSteps = sqlite3_column_int64(stmt, 1);
        out[hour].dKcal = sqlite3_column_double(stmt, 2);
        out[hour].dDistance = sqlite3_column_double(stmt, 3);
        any = true;
    }
    sqlite3_finalize(stmt);
    return any;
}

int CHourlyRecords::DeleteAll(sqlite3* db) {
    if (!db) return SQLITE_MISUSE;
    CConnectionLock lock(db);
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_exec(db, "DELETE FROM pedometer;", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && HasHourlyTable(db))
        rc = sqlite3_exec(db, "DELETE FROM hourly;", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const int failed = sqlite3_extended_errcode(db);
        sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
        return failed ? failed : rc;
    }
    return SQLITE_OK;
}
