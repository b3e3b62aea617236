#include "tools/data/data_db.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <thread>
#include <tuple>

#include "store/schema.h"

namespace {

std::string Message(sqlite3* db, int rc) {
    return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

sqlite3* Open(const std::string& path, int flags, std::string* error) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        *error = path + ": " + Message(db, rc);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kDataBusyTimeoutMs);
    return db;
}

bool Exec(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return true;
    *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return false;
}

bool HasTable(sqlite3* db, const char* name, bool* has, std::string* error) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?;", -1, &stmt,
                           nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    *has = rc == SQLITE_ROW;
    return true;
}

// Creates whichever of the three tables is missing, with the program's own statements.
bool CreateMissingTables(sqlite3* db, std::string* error) {
    for (const StoreTable& table : kStoreTables) {
        bool has = false;
        if (!HasTable(db, table.pszName, &has, error)) return false;
        if (!has && !Exec(db, table.pszCreate, error)) return false;
    }
    return true;
}

DataCell CellOf(sqlite3_stmt* stmt, int column) {
    DataCell cell;
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER:
            cell.kind = DataCell::Kind::Number;
            cell.text = std::to_string(sqlite3_column_int64(stmt, column));
            break;
        case SQLITE_FLOAT:
            cell.kind = DataCell::Kind::Number;
            cell.text = DataFormatReal(sqlite3_column_double(stmt, column));
            break;
        default: {
            cell.kind = DataCell::Kind::Text;
            const unsigned char* text = sqlite3_column_text(stmt, column);
            cell.text.assign(text ? reinterpret_cast<const char*>(text) : "",
                             static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
        }
    }
    return cell;
}

void BindOptional(sqlite3_stmt* stmt, int index, const std::optional<std::string>& text) {
    if (text)
        sqlite3_bind_text(stmt, index, text->c_str(), -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(stmt, index);
}

// Copies all of `from` into `to` with the online backup, waiting while another connection
// writes; a backup restarted by a write elsewhere simply runs again.
bool CopyDatabase(sqlite3* from, sqlite3* to, std::string* error) {
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) {
        *error = sqlite3_errmsg(to);
        return false;
    }
    int rc;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDataBusyTimeoutMs);
    for (;;) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_DONE) break;
        if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED && rc != SQLITE_OK) ||
            std::chrono::steady_clock::now() > deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        *error = rc == SQLITE_BUSY || rc == SQLITE_LOCKED ? std::string("the database stayed busy")
                                                          : std::string(sqlite3_errstr(rc));
        return false;
    }
    return true;
}

}  // namespace

sqlite3* DataOpenForRead(const std::string& path, std::string* error) {
    if (access(path.c_str(), F_OK) != 0) {
        *error = path + ": no database there";
        return nullptr;
    }
    sqlite3* db = Open(path, SQLITE_OPEN_READONLY, error);
    if (db == nullptr) return nullptr;
    // Opening is lazy: make sure the file really is a database.
    if (!Exec(db, "SELECT count(*) FROM sqlite_master;", error)) {
        *error = path + ": " + *error;
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

sqlite3* DataOpenForWrite(const std::string& path, std::string* error) {
    sqlite3* db = Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (db == nullptr) return nullptr;
    if (!Exec(db, "BEGIN IMMEDIATE;", error) || !CreateMissingTables(db, error) ||
        !Exec(db, "COMMIT;", error)) {
        *error = path + ": " + *error;
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

bool DataReadRows(sqlite3* db, const std::string& from, const std::string& to,
                  std::vector<std::vector<DataCell>>* rows, std::string* error) {
    const char* sql =
        "SELECT curdate, curtime, steps, kcal, distance, created_at, updated_at FROM pedometer "
        "WHERE (?1 = '' OR curdate >= ?1) AND (?2 = '' OR curdate <= ?2) ORDER BY curdate, seq;";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    sqlite3_bind_text(stmt, 1, from.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, to.c_str(), -1, SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<DataCell> row;
        for (int c = 0; c < static_cast<int>(kDataColumnCount); ++c) row.push_back(CellOf(stmt, c));
        rows->push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

bool DataWriteRows(sqlite3* db, const std::vector<DataRow>& rows, DataImportCounts* counts,
                   std::string* error) {
    if (!Exec(db, "BEGIN IMMEDIATE;", error)) return false;
    sqlite3_stmt* count = nullptr;
    sqlite3_stmt* insert = nullptr;
    bool ok = CreateMissingTables(db, error) &&
              sqlite3_prepare_v2(
                  db,
                  "SELECT count(*) FROM pedometer WHERE curdate = ? AND curtime = ? AND steps = ? AND "
                  "kcal = ? AND distance = ?;",
                  -1, &count, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(
                  db,
                  "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
                  "VALUES(?, ?, ?, ?, ?, ?, ?);",
                  -1, &insert, nullptr) == SQLITE_OK;
    if (!ok && error->empty()) *error = sqlite3_errmsg(db);

    // Rows already there are skipped, as many times as they are there before this import: a
    // file with two equal rows adds both to an empty database, and nothing the second time.
    using Key = std::tuple<std::string, std::string, int64_t, double, double>;
    std::map<Key, int64_t> present;
    DataImportCounts made;
    for (size_t i = 0; ok && i < rows.size(); ++i) {
        const DataRow& row = rows[i];
        Key key{row.date, row.time, row.steps, row.kcal, row.distance};
        auto found = present.find(key);
        if (found == present.end()) {
            sqlite3_reset(count);
            sqlite3_bind_text(count, 1, row.date.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(count, 2, row.time.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(count, 3, row.steps);
            sqlite3_bind_double(count, 4, row.kcal);
            sqlite3_bind_double(count, 5, row.distance);
            if (sqlite3_step(count) != SQLITE_ROW) {
                *error = sqlite3_errmsg(db);
                ok = false;
                break;
            }
            found = present.emplace(key, sqlite3_column_int64(count, 0)).first;
        }
        if (found->second > 0) {
            --found->second;
            ++made.nSkipped;
            continue;
        }
        sqlite3_reset(insert);
        sqlite3_bind_text(insert, 1, row.date.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, row.time.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 3, row.steps);
        sqlite3_bind_double(insert, 4, row.kcal);
        sqlite3_bind_double(insert, 5, row.distance);
        BindOptional(insert, 6, row.created);
        BindOptional(insert, 7, row.updated);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            *error = sqlite3_errmsg(db);
            ok = false;
            break;
        }
        ++made.nAdded;
    }
    sqlite3_finalize(count);
    sqlite3_finalize(insert);
    if (ok) ok = Exec(db, "COMMIT;", error);
    if (!ok) {
        std::string ignored;
        Exec(db, "ROLLBACK;", &ignored);
        return false;
    }
    *counts = made;
    return true;
}

bool DataBackup(sqlite3* db, const std::string& file, std::string* error) {
    const std::string partial = file + ".partial";
    std::remove(partial.c_str());
    sqlite3* copy = Open(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (copy == nullptr) return false;
    // The history is personal: the copy is the user's alone.
    chmod(partial.c_str(), 0600);
    bool ok = CopyDatabase(db, copy, error);
    sqlite3_close(copy);
    std::string reason;
    if (ok && !DataCheckCopy(partial, &reason)) {
        *error = "the copy failed its check: " + reason;
        ok = false;
    }
    if (ok && std::rename(partial.c_str(), file.c_str()) != 0) {
        *error = "cannot rename " + partial + " to " + file;
        ok = false;
    }
    if (!ok) std::remove(partial.c_str());
    return ok;
}

bool DataCheckCopy(const std::string& file, std::string* reason) {
    std::string error;
    sqlite3* db = DataOpenForRead(file, &error);
    if (db == nullptr) {
        *reason = error;
        return false;
    }
    bool ok = true;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check;", -1, &stmt, nullptr) != SQLITE_OK ||
        sqlite3_step(stmt) != SQLITE_ROW) {
        *reason = std::string("the integrity check did not run: ") + sqlite3_errmsg(db);
        ok = false;
    } else {
        const unsigned char* text = sqlite3_column_text(stmt, 0);
        std::string result = text ? reinterpret_cast<const char*>(text) : "";
        if (result != "ok") {
            *reason = "the integrity check failed: " + result;
            ok = false;
        }
    }
    sqlite3_finalize(stmt);
    for (size_t i = 0; ok && i < kStoreTableCount; ++i) {
        bool has = false;
        if (!HasTable(db, kStoreTables[i].pszName, &has, reason)) {
            ok = false;
        } else if (!has) {
            *reason = std::string("no table ") + kStoreTables[i].pszName;
            ok = false;
        }
    }
    sqlite3_close(db);
    return ok;
}

bool DataRestore(const std::string& file, const std::string& target, std::string* error) {
    std::string reason;
    if (!DataCheckCopy(file, &reason)) {
        *error = file + ": not a sound Movimetra database (" + reason + "); nothing was replaced";
        return false;
    }
    sqlite3* from = Open(file, SQLITE_OPEN_READONLY, error);
    if (from == nullptr) return false;
    sqlite3* to = Open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (to == nullptr) {
        sqlite3_close(from);
        return false;
    }
    // The backup runs as one write transaction on the target: it is replaced whole or not at all.
    bool ok = CopyDatabase(from, to, error);
    if (!ok) *error = target + ": " + *error;
    sqlite3_close(to);
    sqlite3_close(from);
    return ok;
}
