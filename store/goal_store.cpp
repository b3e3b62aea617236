// The goal table: one row, read at start, written by the profile and by the notice.
#include "store/goal_store.h"

#include <sqlite3.h>

#include "store/schema.h"

int CGoalStore::CreateTable() {
    if (!m_pDb) return SQLITE_MISUSE;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_pDb, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'goal';",
                                -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    const bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    if (found) return SQLITE_OK;
    return sqlite3_exec(m_pDb, kGoalTable.pszCreate, nullptr, nullptr, nullptr);
}

void CGoalStore::Load() {
    m_nSteps = 0;
    m_strNoticed.clear();
    sqlite3_stmt* stmt = nullptr;
    if (!m_pDb || sqlite3_prepare_v2(m_pDb, "SELECT steps, noticed FROM goal LIMIT 1;", -1, &stmt, nullptr) !=
                      SQLITE_OK)
        return;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const int64_t steps = sqlite3_column_int64(stmt, 0);
        // Only a goal the profile could have stored counts; anything else is no goal.
        m_nSteps = steps >= GOAL_STEPS_MIN && steps <= GOAL_STEPS_MAX ? static_cast<int32_t>(steps) : 0;
        const unsigned char* noticed = sqlite3_column_text(stmt, 1);
        if (noticed) m_strNoticed = reinterpret_cast<const char*>(noticed);
    }
    sqlite3_finalize(stmt);
}

int CGoalStore::Run(const char* sql, const int32_t* steps, const std::string* text) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_pDb, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) return rc;
    if (steps) sqlite3_bind_int(stmt, 1, *steps);
    if (text) sqlite3_bind_text(stmt, 1, text->c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int CGoalStore::SaveSteps(int32_t steps) {
    if (!m_pDb) return SQLITE_MISUSE;
    // A file from before the goal may have lost its table since the start.
    int rc = CreateTable();
    if (rc == SQLITE_OK) rc = Run("UPDATE goal SET steps = ?1;", &steps, nullptr);
    // The row is made when there is none (the saving thread shares the connection, so the update's
    // change count cannot tell).
    if (rc == SQLITE_OK)
        rc =
            Run("INSERT INTO goal (steps) SELECT ?1 WHERE NOT EXISTS (SELECT 1 FROM goal);", &steps, nullptr);
    if (rc == SQLITE_OK) m_nSteps = steps;
    return rc;
}

int CGoalStore::SaveNoticed(const std::string& date) {
    m_strNoticed = date;
    if (!m_pDb) return SQLITE_MISUSE;
    return Run("UPDATE goal SET noticed = ?1;", nullptr, &date);
}

bool CGoalStore::ShouldNotice(int64_t todaySteps, const std::string& date) const {
    return m_nSteps > 0 && todaySteps >= m_nSteps && m_strNoticed != date;
}
