// Opening and closing the database file "Movimetra.db" beside the executable.
#pragma once

#include <string>

#include "platform/windows.h"

struct sqlite3;

// Opens the database in serialized mode; on failure shows "Cant open database" (owner window
// may be null) and returns 0 with *db null.
int OpenDatabase(sqlite3** db, HWND owner);
void CloseDatabase(sqlite3* db);
// The database file's path: the executable's folder plus "Movimetra.db".
std::wstring DatabasePath();
