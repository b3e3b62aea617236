// Making failed writes known without repeating the same message every ten seconds.
#include "store/store_faults.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>

#include "common/messages.h"
#include "store/database_check.h"

void CStoreFaults::Attach(HWND hMain, sqlite3* db) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_hMain = hMain;
    m_pDb = db;
}

int CStoreFaults::CauseOf(int rc, int systemError) {
    switch (rc & 0xff) {
        case SQLITE_FULL:
            return STORE_FAULT_DISK_FULL;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
        case SQLITE_CANTOPEN:
            return STORE_FAULT_CANNOT_WRITE;
        case SQLITE_IOERR:
            if (systemError == ENOSPC || systemError == EDQUOT) return STORE_FAULT_DISK_FULL;
            if (systemError == EACCES || systemError == EPERM || systemError == EROFS)
                return STORE_FAULT_CANNOT_WRITE;
            return STORE_FAULT_OTHER;
        default:
            return STORE_FAULT_OTHER;
    }
}

void CStoreFaults::Failed(int rc, const char* what) {
    std::lock_guard<std::mutex> lock(m_Lock);
    const int cause = CauseOf(rc, m_pDb ? sqlite3_system_errno(m_pDb) : 0);
    if (m_nLogged != cause) {
        const char* path = m_pDb ? sqlite3_db_filename(m_pDb, "main") : nullptr;
        std::fprintf(stderr, "Movimetra: cannot save (%s) in %s: %s\n", what ? what : "",
                     path && *path ? path : "the database", DescribeDatabaseError(m_pDb, rc).c_str());
        std::fflush(stderr);
        m_nLogged = cause;
    }
    if (!m_bShown[cause] && m_hMain) {
        m_bShown[cause] = true;
        PostMessageW(m_hMain, UM_STORE_FAULT, static_cast<WPARAM>(cause), 0);
    }
}

void CStoreFaults::Succeeded() {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_nLogged < 0) return;
    m_nLogged = -1;
    std::fprintf(stderr, "Movimetra: saving works again\n");
    std::fflush(stderr);
}
