// The data tool's work on the database file, through SQLite directly: reading rows for an
// export, writing an import in one transaction, the online backup and the checked restore.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "tools/data/data_rows.h"

// How long the tool waits for the program's saves (and the program for the tool).
inline constexpr int kDataBusyTimeoutMs = 10000;

// Opens an existing database for reading, or for writing (created when missing, with the
// three tables). Null with *error on failure.
sqlite3* DataOpenForRead(const std::string& path, std::string* error);
sqlite3* DataOpenForWrite(const std::string& path, std::string* error);

// The rows of dates from..to (either may be empty for no limit), by date and then in the order
// they were written, as export cells.
bool DataReadRows(sqlite3* db, const std::string& from, const std::string& to,
                  std::vector<std::vector<DataCell>>* rows, std::string* error);

// The hours of dates from..to, by date and hour (none in a file without the table).
bool DataReadHours(sqlite3* db, const std::string& from, const std::string& to,
                   std::vector<std::vector<DataCell>>* rows, std::string* error);

// Runs statements; false with *error.
bool DataExec(sqlite3* db, const char* sql, std::string* error);
// Creates whichever of the program's tables is missing, with the program's own statements.
bool DataCreateMissingTables(sqlite3* db, std::string* error);
// The hours' table, with the program's statement, when missing.
bool DataCreateHourlyTable(sqlite3* db, std::string* error);

// A consistent copy of the database in `file`, through SQLite's online backup (safe while the
// program writes). The copy is written beside `file` and renamed over it when complete.
bool DataBackup(sqlite3* db, const std::string& file, std::string* error);
struct DataRestoreReport {
    std::string kept;      // where the replaced database was kept, when there was one
    size_t nDaysLost = 0;  // days it held that the restored copy lacks
};
// Replaces the contents of the database at `target` (created when missing) with those of the
// checked copy `file`, in one step, after keeping the database it replaces beside it
// ("<target>.before-restore-YYYYMMDD-HHMMSS", mode 0600).
bool DataRestore(const std::string& file, const std::string& target, DataRestoreReport* report,
                 std::string* error);
