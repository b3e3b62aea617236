// Whether a file is a database Movimetra could have written: what a backup is checked against,
// and, strictly, what a restore accepts.
#pragma once

#include <string>

// Sound: SQLite's integrity check passes and the program's three tables are there. Strict, for a
// restore: also the quick check, a schema that is exactly the program's (its tables with their
// columns, the daily goal's table optionally; no trigger, view, index or other table), and rows
// that an import would take. False with *reason.
bool DataCheckCopy(const std::string& file, bool strict, std::string* reason);
