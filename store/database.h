// Opening and closing the database file "Movimetra.db" in the data folder (data_folder.h).
#pragma once

#include <string>

#include "platform/windows.h"

struct sqlite3;

// Opens the database in serialized mode; on failure shows "Cant open database" (owner window
// may be null) and returns 0 with *db null.
int OpenDatabase(sqlite3** db, HWND owner);
void CloseDatabase(sqlite3* db);
// The database file's path: the data folder plus "Movimetra.db".
std::wstring DatabasePath();
