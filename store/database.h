// Opening and closing the database file "Movimetra.db" in the data folder (data_folder.h).
#pragma once

#include <string>

#include "platform/windows.h"

struct sqlite3;

// Opens the database in serialized mode; on failure shows "Cant open database" (owner window
// may be null) and returns 0 with *db null.
int OpenDatabase(sqlite3** db, HWND owner);
void CloseDatabase(sqlite3* db);
// Copies what the write-ahead log holds into the database file, syncing both, so that a power
// loss cannot take it back. 0 (also when a reader holds the log back for now) or the library's
// code; nothing happens on a file that keeps its own journal.
int CheckpointDatabase(sqlite3* db);
// The database file's path: the data folder plus "Movimetra.db".
std::wstring DatabasePath();
