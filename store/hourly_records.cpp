// The hourly table's statements.
#include "store/hourly_records.h"

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

}  // namespace

int CHourlyGain::Add(sqlite3* db, const char* date, int hour, int seq, int32_t steps, double kcal,
                     double distance) {
    if (!db) return SQLITE_MISUSE;
    if (m_pDb != db) Release();
    m_pDb = db;
    if (!m_pStmt) {
        if (!HasHourlyTable(db)) {
            int rc = sqlite3_exec(db, kHourlyTable.pszCreate, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK) return rc;
        }
        // The gain against the row as stored, in hundredths as the row keeps them, so that the
        // hours add up to the day's rows however the saves went (a failed one, a kill in between).
        int rc = sqlite3_prepare_v3(
            db,
            "INSERT INTO hourly (curdate, hour, steps, kcal, distance) "
            "SELECT ?1, ?2, ?4 - ifnull(steps, 0), round(?5 - ifnull(kcal, 0), 2), "
            "round(?6 - ifnull(distance, 0), 2) FROM pedometer "
            "WHERE seq = ?3 AND (?4 != ifnull(steps, 0) OR round(?5 - ifnull(kcal, 0), 2) != 0 OR "
            "round(?6 - ifnull(distance, 0), 2) != 0) "
            "ON CONFLICT (curdate, hour) DO UPDATE SET steps = steps + excluded.steps, "
            "kcal = round(kcal + excluded.kcal, 2), distance = round(distance + excluded.distance, 2);",
            -1, SQLITE_PREPARE_PERSISTENT, &m_pStmt, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    sqlite3_reset(m_pStmt);
    sqlite3_bind_text(m_pStmt, 1, date, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(m_pStmt, 2, hour);
    sqlite3_bind_int(m_pStmt, 3, seq);
    sqlite3_bind_int(m_pStmt, 4, steps);
    sqlite3_bind_double(m_pStmt, 5, kcal);
    sqlite3_bind_double(m_pStmt, 6, distance);
    const int rc = sqlite3_step(m_pStmt);
    sqlite3_reset(m_pStmt);
    if (rc == SQLITE_DONE) return SQLITE_OK;
    // Prepared afresh next time (a table gone from under it is made again).
    sqlite3_finalize(m_pStmt);
    m_pStmt = nullptr;
    return rc;
}

int CHourlyGain::Run(sqlite3* db, sqlite3_stmt** stmt, const char* sql) {
    if (!db) return SQLITE_MISUSE;
    if (m_pDb != db) Release();
    m_pDb = db;
    if (!*stmt) {
        int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, stmt, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    const int rc = sqlite3_step(*stmt);
    sqlite3_reset(*stmt);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int CHourlyGain::Begin(sqlite3* db) {
    return Run(db, &m_pBegin, "BEGIN IMMEDIATE;");
}

int CHourlyGain::Commit(sqlite3* db) {
    return Run(db, &m_pCommit, "COMMIT;");
}

void CHourlyGain::Rollback(sqlite3* db) {
    if (db && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
}

void CHourlyGain::Release() {
    for (sqlite3_stmt** stmt : {&m_pStmt, &m_pBegin, &m_pCommit}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
    m_pDb = nullptr;
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
