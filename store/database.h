// Opening and closing the database file "Movimetra.db" beside the executable.
#pragma once

#include "platform/windows.h"

struct sqlite3;

// Opens the database in serialized mode; on failure shows "Cant open database" (owner window
// may be null) and returns 0 with *db null.
int OpenDatabase(sqlite3** db, HWND owner);
void CloseDatabase(sqlite3* db);
