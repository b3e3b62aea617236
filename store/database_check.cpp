// Checking an opened database before anything is written to it, and naming the reasons of
// failures for standard error.
#include "store/database_check.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace {

// Runs a pragma that answers one value; its text in *value. Returns the library's code.
int QueryText(sqlite3* db, const char* sql, std::string* value) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(stmt, 0);
        *value = text ? reinterpret_cast<const char*>(text) : "";
        rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
        rc = SQLITE_ERROR;
    }
    sqlite3_finalize(stmt);
    return rc;
}

// What the operating system said, when the library's code comes from a system call.
const char* SystemReason(int error) {
    switch (error) {
        case EACCES:
        case EPERM:
            return "permission denied";
        case EISDIR:
            return "is a folder";
        case EROFS:
            return "read-only file system";
        case ENOSPC:
        case EDQUOT:
            return "disk full";
        default:
            return nullptr;
    }
}

// The library retries a file it cannot create read-only, so a folder that refuses a new file
// ends in "no such file": ask the file layer what the folder allows.
const char* FolderReason(sqlite3* db, const char* path) {
    const char* file = path ? path : db ? sqlite3_db_filename(db, "main") : nullptr;
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!file || !*file || !vfs || !vfs->xAccess) return nullptr;
    std::string folder = file;
    size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos) return nullptr;
    folder.erase(slash == 0 ? 1 : slash);
    int exists = 0;
    int writable = 0;
    if (vfs->xAccess(vfs, folder.c_str(), SQLITE_ACCESS_EXISTS, &exists) != SQLITE_OK) return nullptr;
    if (!exists) return "its folder does not exist";
    if (vfs->xAccess(vfs, folder.c_str(), SQLITE_ACCESS_READWRITE, &writable) != SQLITE_OK) return nullptr;
    return writable ? nullptr : "permission denied (its folder cannot be written)";
}

}  // namespace

std::string DescribeDatabaseError(sqlite3* db, int rc, const char* path) {
    const int primary = rc & 0xff;
    std::string reason;
    int error = db ? sqlite3_system_errno(db) : 0;
    switch (primary) {
        case SQLITE_NOTADB:
            reason = "not a database";
            break;
        case SQLITE_CORRUPT:
            reason = "the database is damaged";
            break;
        case SQLITE_FULL:
            reason = "disk full";
            break;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            reason = "permission denied";
            break;
        case SQLITE_CANTOPEN:
        case SQLITE_IOERR:
            if (error == ENOENT) {
                if (const char* folder = FolderReason(db, path)) reason = folder;
            } else if (const char* system = SystemReason(error)) {
                reason = system;
            }
            break;
        default:
            break;
    }
    std::string words = sqlite3_errstr(rc);
    if (error != 0 && (primary == SQLITE_CANTOPEN || primary == SQLITE_IOERR)) {
        words += ": ";
        words += std::strerror(error);
    }
    return reason.empty() ? words : reason + " (" + words + ")";
}

int CheckOpenedDatabase(sqlite3* db, std::string* why) {
    std::string value;
    // Reading the schema proves the file is a database (the library opens lazily: a folder or a
    // text file only fail here).
    int rc = QueryText(db, "PRAGMA schema_version;", &value);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) return SQLITE_OK;  // a database, busy elsewhere for now
    if (rc != SQLITE_OK) {
        *why = DescribeDatabaseError(db, rc);
        return rc;
    }
    if (sqlite3_db_readonly(db, "main") != 0) {
        *why = "permission denied (the file is read-only)";
        return SQLITE_READONLY;
    }
    rc = QueryText(db, "PRAGMA page_count;", &value);
    if (rc != SQLITE_OK) {
        *why = DescribeDatabaseError(db, rc);
        return rc;
    }
    if (value == "0") {
        // A fresh file: writing its header proves the folder takes the file and its journal.
        rc = sqlite3_exec(db, "PRAGMA user_version=0;", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            rc = sqlite3_extended_errcode(db);
            *why = DescribeDatabaseError(db, rc);
            return rc;
        }
        return SQLITE_OK;
    }
    // A damaged file is never written to: the program would take what it cannot read for a first
    // start and write a new profile and new rows into it.
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA quick_check;", -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        *why = DescribeDatabaseError(db, rc);
        return rc;
    }
    std::string problems;
    int lines = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(stmt, 0);
        std::string line = text ? reinterpret_cast<const char*>(text) : "";
        if (line == "ok") continue;
        if (++lines <= 3) problems += (problems.empty() ? "" : "; ") + line;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) {
        *why = DescribeDatabaseError(db, rc);
        return rc;
    }
    if (lines > 0) {
        *why = "the database is damaged (integrity check: " + problems + (lines > 3 ? "; ..." : "") + ")";
        return SQLITE_CORRUPT;
    }
    return SQLITE_OK;
}
