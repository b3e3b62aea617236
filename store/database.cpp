// Opening the database file in the data folder, with a check that it can really be used.
#include "store/database.h"

#include <sqlite3.h>

#include <string>

#include "store/data_folder.h"
#include "store/program_folders.h"
#include "store/store_text.h"

namespace {

constexpr int kBusyTimeoutMs = 5000;

int QueryInt(sqlite3* db, const char* sql, int* value) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        *value = sqlite3_column_int(stmt, 0);
        rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
        rc = SQLITE_ERROR;
    }
    sqlite3_finalize(stmt);
    return rc;
}

// An open may succeed lazily for a path that cannot be used (a folder, a file that is not a
// database, a folder where nothing can be written): make sure reading works, that the file is
// not read-only, and for a new file that it can be written.
bool Usable(sqlite3* db) {
    int pages = 0;
    int rc = QueryInt(db, "PRAGMA schema_version;", &pages);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return true;  // a database, busy elsewhere for now
    if (rc != SQLITE_OK) return false;
    if (sqlite3_db_readonly(db, "main") != 0) return false;
    if (QueryInt(db, "PRAGMA page_count;", &pages) != SQLITE_OK) return false;
    if (pages == 0) {
        // A fresh file: writing its header proves the folder takes the file and its journal.
        if (sqlite3_exec(db, "PRAGMA user_version=0;", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    }
    return true;
}

}  // namespace

std::wstring DatabasePath() {
    return ProgramDataFolder() + StoreWideFromUtf8(kDatabaseFileName);
}

int OpenDatabase(sqlite3** db, HWND owner) {
    sqlite3* handle = nullptr;
    std::string path = StoreUtf8FromWide(DatabasePath().c_str());
    int rc = sqlite3_open_v2(path.c_str(), &handle,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    // The data tool may hold the file for a moment (a backup, an import): wait rather than fail.
    if (handle) sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    if (rc == SQLITE_OK && handle && Usable(handle)) {
        if (db) *db = handle;
        return 1;
    }
    if (handle) sqlite3_close(handle);
    if (db) *db = nullptr;
    MessageBoxW(owner, L"Cant open database", nullptr, MB_OK);
    return 0;
}

void CloseDatabase(sqlite3* db) {
    if (db) sqlite3_close(db);
}
