#include "tools/data/data_import.h"

#include "store/schema.h"
#include "tools/data/data_db.h"

namespace {

void BindOptional(sqlite3_stmt* stmt, int index, const std::optional<std::string>& text) {
    if (text)
        sqlite3_bind_text(stmt, index, text->c_str(), -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(stmt, index);
}

bool Fail(sqlite3* db, std::string* error) {
    *error = sqlite3_errmsg(db);
    return false;
}

}  // namespace

CDataImport::~CDataImport() {
    Rollback();
}

bool CDataImport::Begin(sqlite3* db, std::string* error) {
    m_pDb = db;
    if (!DataExec(db, "BEGIN IMMEDIATE;", error)) return false;
    m_bOpen = true;
    if (!DataCreateMissingTables(db, error)) return false;
    // One pass over the table instead of a query per row: the table has no index on these
    // columns, and gets none.
    sqlite3_stmt* read = nullptr;
    if (sqlite3_prepare_v2(
            db,
            "SELECT curdate, curtime, steps, kcal, distance, count(*) FROM pedometer "
            "WHERE typeof(curdate) = 'text' AND typeof(curtime) = 'text' AND typeof(steps) = "
            "'integer' AND typeof(kcal) IN ('real', 'integer') AND typeof(distance) IN ('real', "
            "'integer') GROUP BY 1, 2, 3, 4, 5;",
            -1, &read, nullptr) != SQLITE_OK)
        return Fail(db, error);
    int rc;
    while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
        Key key{reinterpret_cast<const char*>(sqlite3_column_text(read, 0)),
                reinterpret_cast<const char*>(sqlite3_column_text(read, 1)), sqlite3_column_int64(read, 2),
                sqlite3_column_double(read, 3), sqlite3_column_double(read, 4)};
        m_Present[key] += sqlite3_column_int64(read, 5);
    }
    sqlite3_finalize(read);
    if (rc != SQLITE_DONE) return Fail(db, error);
    if (sqlite3_prepare_v2(
            db,
            "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
            "VALUES(?, ?, ?, ?, ?, ?, ?);",
            -1, &m_pInsert, nullptr) != SQLITE_OK)
        return Fail(db, error);
    return true;
}

bool CDataImport::Add(const DataRow& row, std::string* error) {
    if (!m_pInsert) {
        *error = "the import has not begun";
        return false;
    }
    auto found = m_Present.find(Key{row.date, row.time, row.steps, row.kcal, row.distance});
    if (found != m_Present.end() && found->second > 0) {
        --found->second;
        ++m_Counts.nSkipped;
        return true;
    }
    sqlite3_reset(m_pInsert);
    sqlite3_bind_text(m_pInsert, 1, row.date.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(m_pInsert, 2, row.time.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(m_pInsert, 3, row.steps);
    sqlite3_bind_double(m_pInsert, 4, row.kcal);
    sqlite3_bind_double(m_pInsert, 5, row.distance);
    BindOptional(m_pInsert, 6, row.created);
    BindOptional(m_pInsert, 7, row.updated);
    if (sqlite3_step(m_pInsert) != SQLITE_DONE) return Fail(m_pDb, error);
    ++m_Counts.nAdded;
    return true;
}

bool CDataImport::AddHour(const DataHourRow& row, std::string* error) {
    if (!m_bOpen) {
        *error = "the import has not begun";
        return false;
    }
    if (!m_pHourAdd) {
        if (!DataCreateHourlyTable(m_pDb, error)) return false;
        if (sqlite3_prepare_v2(m_pDb,
                               "SELECT 1 FROM hourly WHERE curdate = ?1 AND hour = ?2 AND steps = ?3 AND "
                               "kcal = ?4 AND distance = ?5;",
                               -1, &m_pHourSame, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(
                m_pDb,
                "INSERT INTO hourly (curdate, hour, steps, kcal, distance) VALUES (?1, ?2, ?3, ?4, ?5) "
                "ON CONFLICT (curdate, hour) DO UPDATE SET steps = steps + excluded.steps, "
                "kcal = round(kcal + excluded.kcal, 2), distance = round(distance + excluded.distance, 2);",
                -1, &m_pHourAdd, nullptr) != SQLITE_OK)
            return Fail(m_pDb, error);
    }
    for (sqlite3_stmt* stmt : {m_pHourSame, m_pHourAdd}) {
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, row.date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 2, row.hour);
        sqlite3_bind_int64(stmt, 3, row.steps);
        sqlite3_bind_double(stmt, 4, row.kcal);
        sqlite3_bind_double(stmt, 5, row.distance);
    }
    int rc = sqlite3_step(m_pHourSame);
    if (rc == SQLITE_ROW) {
        ++m_Counts.nSkipped;
        return true;
    }
    if (rc != SQLITE_DONE || sqlite3_step(m_pHourAdd) != SQLITE_DONE) return Fail(m_pDb, error);
    ++m_Counts.nAdded;
    return true;
}

bool CDataImport::Commit(std::string* error) {
    Finalize();
    if (!m_bOpen || !DataExec(m_pDb, "COMMIT;", error)) {
        Rollback();
        return false;
    }
    m_bOpen = false;
    return true;
}

void CDataImport::Finalize() {
    for (sqlite3_stmt** stmt : {&m_pInsert, &m_pHourSame, &m_pHourAdd}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
}

void CDataImport::Rollback() {
    Finalize();
    if (m_bOpen) {
        std::string ignored;
        DataExec(m_pDb, "ROLLBACK;", &ignored);
    }
    m_bOpen = false;
}
