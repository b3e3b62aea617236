// Opening the database file in the data folder, with a check that it can really be used and is
// whole.
#include "store/database.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "store/data_folder.h"
#include "store/database_check.h"
#include "store/database_lock.h"
#include "store/program_folders.h"
#include "store/store_text.h"

namespace {

constexpr int kBusyTimeoutMs = 5000;

// Commits go to the write-ahead log without waiting for the disk; the checkpoints (at least once
// a minute of walking, at every stop, at midnight and at exit) sync the log and the file. A folder
// that cannot hold the log keeps the file's own journal, and its saves fail as they did.
void UseWriteAheadLog(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    bool wal = false;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL;", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        const unsigned char* mode = sqlite3_column_text(stmt, 0);
        wal = mode != nullptr && std::string(reinterpret_cast<const char*>(mode)) == "wal";
    }
    sqlite3_finalize(stmt);
    if (wal) sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr);
}

}  // namespace

std::wstring DatabasePath() {
    return ProgramDataFolder() + StoreWideFromUtf8(kDatabaseFileName);
}

int OpenDatabase(sqlite3** db, HWND owner) {
    sqlite3* handle = nullptr;
    std::string path = StoreUtf8FromWide(DatabasePath().c_str());
    std::string why;
    int rc = SQLITE_CANTOPEN;
    // Nothing is opened (or created) unless this process has the file to itself.
    DatabaseLock lock = LockDatabase(&why);
    if (lock == DatabaseLock::OtherProgram) why = "another Movimetra has it open";
    if (lock == DatabaseLock::Held) {
        rc = sqlite3_open_v2(
            path.c_str(), &handle,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX | SQLITE_OPEN_NOFOLLOW,
            nullptr);
        // The data tool may hold the file for a moment (a backup): wait rather than fail.
        if (handle) sqlite3_busy_timeout(handle, kBusyTimeoutMs);
        if (rc == SQLITE_OK && handle)
            rc = CheckOpenedDatabase(handle, &why);
        else
            why = DescribeDatabaseError(handle, rc, path.c_str());
    }
    if (rc == SQLITE_OK) {
        UseWriteAheadLog(handle);
        RetainDatabaseLock();
        if (db) *db = handle;
        return 1;
    }
    // The box keeps its short text; the path and the reason go to standard error.
    std::fprintf(stderr, "Movimetra: Cant open database %s: %s\n", path.c_str(), why.c_str());
    std::fflush(stderr);
    if (handle) sqlite3_close(handle);
    if (db) *db = nullptr;
    MessageBoxW(owner, L"Cant open database", nullptr, MB_OK);
    return 0;
}

int CheckpointDatabase(sqlite3* db) {
    if (db == nullptr) return SQLITE_OK;
    // A reader (the data tool's export or backup) may hold back part of the log: what it holds
    // is copied at the next checkpoint.
    int rc = sqlite3_wal_checkpoint_v2(db, "main", SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    return rc == SQLITE_BUSY ? SQLITE_OK : rc;
}

void CloseDatabase(sqlite3* db) {
    if (db == nullptr) return;
    // The last connection's close copies the log into the file and removes it (and the shared
    // memory file) when nobody else reads.
    CheckpointDatabase(db);
    // A statement still kept somewhere closes the connection when it goes.
    sqlite3_close_v2(db);
    ReleaseDatabaseLock();
}
