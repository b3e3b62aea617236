// Holding the shared connection across several statements.
#pragma once

#include <sqlite3.h>

// Holds a connection's mutex (recursive in serialized mode) for the enclosing scope, so that a
// transaction of one thread takes in no statement of another.
class CConnectionLock {
public:
    explicit CConnectionLock(sqlite3* db) : m_pMutex(db ? sqlite3_db_mutex(db) : nullptr) {
        if (m_pMutex) sqlite3_mutex_enter(m_pMutex);
    }
    ~CConnectionLock() {
        if (m_pMutex) sqlite3_mutex_leave(m_pMutex);
    }
    CConnectionLock(const CConnectionLock&) = delete;
    CConnectionLock& operator=(const CConnectionLock&) = delete;

private:
    sqlite3_mutex* m_pMutex;
};
