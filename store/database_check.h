// Whether an opened database file can be used, and why not in words for standard error.
#pragma once

#include <string>

struct sqlite3;

// Checks a freshly opened connection: the file reads as a database, is not read-only, passes a
// quick integrity check, and a new (empty) file takes its first write. Nothing is written to a
// file that holds pages. Returns the library's code of the first failure (0 when usable) and
// the reason in *why.
int CheckOpenedDatabase(sqlite3* db, std::string* why);

// The reason of a failure with library code `rc` as a person reads it: "permission denied",
// "not a database", "is a folder", "disk full", ... followed by the library's own words.
// `db` (may be null) supplies the operating system's error of the last call; `path` names the
// file when the connection does not know it (its open failed).
std::string DescribeDatabaseError(sqlite3* db, int rc, const char* path = nullptr);
