// The lock that keeps one program per database: held on the database file for the whole run, so
// that a second program (another instance key, another install) or the data tool writing never
// shares the file with it.
#pragma once

#include <string>

enum class DatabaseLock {
    Held,          // this process has the database to itself
    OtherProgram,  // another program runs on it
    Unavailable,   // the file cannot be opened or made here: *why says why
};

// Takes the lock on the database file (created, private to the user, when missing). While the
// data tool writes the file it waits, saying so on standard error. Taken again for the same file
// it answers at once.
DatabaseLock LockDatabase(std::string* why);
// Counts the open connections that rely on the lock; the last to go releases it.
void RetainDatabaseLock();
void ReleaseDatabaseLock();
