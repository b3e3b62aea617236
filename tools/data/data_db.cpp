#include "tools/data/data_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <thread>

#include "store/schema.h"
#include "tools/data/data_check.h"

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

}  // namespace

bool DataExec(sqlite3* db, const char* sql, std::string* error) {
    char* message = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return true;
    *error = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    return false;
}

static bool HasTable(sqlite3* db, const char* name, bool* has, std::string* error) {
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

bool DataCreateMissingTables(sqlite3* db, std::string* error) {
    for (const StoreTable& table : kStoreTables) {
        bool has = false;
        if (!HasTable(db, table.pszName, &has, error)) return false;
        if (!has && !DataExec(db, table.pszCreate, error)) return false;
    }
    return true;
}

bool DataCreateHourlyTable(sqlite3* db, std::string* error) {
    bool has = false;
    if (!HasTable(db, kHourlyTable.pszName, &has, error)) return false;
    return has || DataExec(db, kHourlyTable.pszCreate, error);
}

namespace {

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

// A copy is one file: the program's database keeps a write-ahead log beside it, which the copy
// (whose first page says so) would otherwise start again; the program converts it back.
bool SingleFile(sqlite3* db, std::string* error) {
    return DataExec(db, "PRAGMA journal_mode=DELETE;", error);
}

// Days with rows in `a` and none in `b`.
size_t DaysOnlyIn(sqlite3* a, sqlite3* b) {
    std::set<std::string> days[2];
    sqlite3* dbs[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(dbs[i], "SELECT DISTINCT curdate FROM pedometer WHERE curdate IS NOT NULL;",
                               -1, &stmt, nullptr) != SQLITE_OK)
            continue;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            days[i].insert(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
    }
    size_t count = 0;
    for (const std::string& day : days[0]) count += days[1].count(day) == 0 ? 1 : 0;
    return count;
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
    if (!DataExec(db, "SELECT count(*) FROM sqlite_master;", error)) {
        *error = path + ": " + *error;
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

sqlite3* DataOpenForWrite(const std::string& path, std::string* error) {
    sqlite3* db = Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (db == nullptr) return nullptr;
    if (!DataExec(db, "BEGIN IMMEDIATE;", error) || !DataCreateMissingTables(db, error) ||
        !DataExec(db, "COMMIT;", error)) {
        *error = path + ": " + *error;
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

namespace {

bool ReadCells(sqlite3* db, const char* sql, size_t columns, const std::string& from, const std::string& to,
               std::vector<std::vector<DataCell>>* rows, std::string* error) {
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
        for (int c = 0; c < static_cast<int>(columns); ++c) row.push_back(CellOf(stmt, c));
        rows->push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    return true;
}

}  // namespace

bool DataReadRows(sqlite3* db, const std::string& from, const std::string& to,
                  std::vector<std::vector<DataCell>>* rows, std::string* error) {
    return ReadCells(db,
                     "SELECT curdate, curtime, steps, kcal, distance, created_at, updated_at FROM pedometer "
                     "WHERE (?1 = '' OR curdate >= ?1) AND (?2 = '' OR curdate <= ?2) ORDER BY curdate, seq;",
                     kDataColumnCount, from, to, rows, error);
}

bool DataReadHours(sqlite3* db, const std::string& from, const std::string& to,
                   std::vector<std::vector<DataCell>>* rows, std::string* error) {
    bool has = false;
    if (!HasTable(db, kHourlyTable.pszName, &has, error)) return false;
    if (!has) return true;  // a file from before the hours: none
    return ReadCells(
        db,
        "SELECT curdate, hour, steps, kcal, distance FROM hourly "
        "WHERE (?1 = '' OR curdate >= ?1) AND (?2 = '' OR curdate <= ?2) ORDER BY curdate, hour;",
        kHourColumnCount, from, to, rows, error);
}

bool DataBackup(sqlite3* db, const std::string& file, std::string* error) {
    const std::string partial = file + ".partial";
    std::remove(partial.c_str());
    sqlite3* copy = Open(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, error);
    if (copy == nullptr) return false;
    // The history is personal: the copy is the user's alone.
    chmod(partial.c_str(), 0600);
    bool ok = CopyDatabase(db, copy, error) && SingleFile(copy, error);
    sqlite3_close(copy);
    std::string reason;
    if (ok && !DataCheckCopy(partial, false, &reason)) {
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

bool DataRestore(const std::string& file, const std::string& target, DataRestoreReport* report,
                 std::string* error) {
    sqlite3* from = Open(file, SQLITE_OPEN_READONLY, error);
    if (from == nullptr) return false;
    sqlite3* to = Open(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, error);
    if (to == nullptr) {
        sqlite3_close(from);
        return false;
    }
    // What a killed program left in the log goes into the file first, and the log is removed:
    // the kept copy holds it, and no old log is left beside the restored file.
    bool ok = SingleFile(to, error);
    if (!ok) *error = target + ": " + *error;
    struct stat st;
    // The database replaced is kept beside it, whole, before anything changes.
    if (ok && stat(target.c_str(), &st) == 0 && st.st_size > 0) {
        char stamp[32];
        time_t now = time(nullptr);
        struct tm local;
        localtime_r(&now, &local);
        strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        // A second restore within the same second gets a name of its own.
        int fd = -1;
        for (int n = 1; fd < 0 && n <= 100; ++n) {
            report->kept = target + ".before-restore-" + stamp + (n > 1 ? "-" + std::to_string(n) : "");
            fd = open(report->kept.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0 && errno != EEXIST) break;
        }
        if (fd < 0) {
            *error = report->kept + ": " + std::strerror(errno);
            ok = false;
        } else {
            close(fd);
            sqlite3* keep = Open(report->kept, SQLITE_OPEN_READWRITE, error);
            ok = keep != nullptr && CopyDatabase(to, keep, error) && SingleFile(keep, error);
            if (keep) sqlite3_close(keep);
            if (!ok) {
                *error = report->kept + ": " + *error;
                std::remove(report->kept.c_str());
            }
        }
        if (ok) report->nDaysLost = DaysOnlyIn(to, from);
    }
    // The backup runs as one write transaction on the target: it is replaced whole or not at all.
    if (ok) {
        ok = CopyDatabase(from, to, error) && SingleFile(to, error);
        if (!ok) *error = target + ": " + *error;
    }
    sqlite3_close(to);
    sqlite3_close(from);
    return ok;
}
