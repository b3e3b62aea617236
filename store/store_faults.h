// Failed writes made known: a line on standard error, and once per cause and run a message
// to the main window (UM_STORE_FAULT), which shows it in the user's language.
#pragma once

#include <mutex>
#include <string>

#include "platform/windows.h"

struct sqlite3;

// What the user is told, by cause.
enum StoreFaultCause {
    STORE_FAULT_DISK_FULL = 0,
    STORE_FAULT_CANNOT_WRITE = 1,  // permission, read-only file system, no journal can be made
    STORE_FAULT_OTHER = 2,
    STORE_FAULT_COUNT = 3,
};

class CStoreFaults {
public:
    void Attach(HWND hMain, sqlite3* db);
    // The cause of a failure with the library's code rc (and the operating system's error).
    static int CauseOf(int rc, int systemError);
    // A write failed with the library's code rc; `what` names it for standard error. Safe on any
    // thread: the message is posted, never sent.
    void Failed(int rc, const char* what);
    // A write went through: after failures, standard error hears that saving works again.
    void Succeeded();

private:
    std::mutex m_Lock;
    HWND m_hMain = nullptr;
    sqlite3* m_pDb = nullptr;
    bool m_bShown[STORE_FAULT_COUNT] = {};
    // The cause last written to standard error since saving last worked (-1: none).
    int m_nLogged = -1;
};
