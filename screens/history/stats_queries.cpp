#include "screens/history/stats_queries.h"

#include <sqlite3.h>

#include <cstdio>

namespace {

// A statement that finalizes itself.
class CStatement {
public:
    CStatement(sqlite3* db, const char* sql) {
        if (db == nullptr || sqlite3_prepare_v2(db, sql, -1, &m_pStmt, nullptr) != SQLITE_OK)
            m_pStmt = nullptr;
    }
    ~CStatement() { sqlite3_finalize(m_pStmt); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    sqlite3_stmt* Get() const { return m_pStmt; }
    bool BindText(int index, const std::string& text) const {
        return m_pStmt != nullptr && sqlite3_bind_text(m_pStmt, index, text.c_str(), (int)text.size(),
                                                       SQLITE_TRANSIENT) == SQLITE_OK;
    }

private:
    sqlite3_stmt* m_pStmt = nullptr;
};

// TOTAL() is a double whatever the rows hold (it never overflows); steps are whole numbers.
int64_t WholeSteps(double total) {
    if (!(total > -9.2e18)) return total != total ? 0 : INT64_MIN;
    if (total >= 9.2e18) return INT64_MAX;
    return static_cast<int64_t>(total);
}

}  // namespace

std::string CStatsQueries::DateText(int32_t dayNumber) {
    int32_t year = 0, month = 0, day = 0;
    StatsDateOf(dayNumber, &year, &month, &day);
    char text[32];
    snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

bool CStatsQueries::LoadDays(int32_t today, std::vector<StatsDay>* days) const {
    days->clear();
    CStatement statement(m_pDb,
                         "SELECT curdate, TOTAL(steps), TOTAL(kcal), TOTAL(distance) FROM pedometer "
                         "WHERE curdate <= ?1 GROUP BY curdate ORDER BY curdate");
    if (!statement.BindText(1, DateText(today))) return false;
    int rc;
    while ((rc = sqlite3_step(statement.Get())) == SQLITE_ROW) {
        StatsDay day{};
        const char* date = reinterpret_cast<const char*>(sqlite3_column_text(statement.Get(), 0));
        if (!StatsParseDate(date, &day.nDay)) continue;
        day.nSteps = WholeSteps(sqlite3_column_double(statement.Get(), 1));
        day.dKCal = sqlite3_column_double(statement.Get(), 2);
        day.dDistance = sqlite3_column_double(statement.Get(), 3);
        days->push_back(day);
    }
    return rc == SQLITE_DONE;
}

bool CStatsQueries::HasHours() const {
    CStatement statement(m_pDb, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'hourly'");
    return statement.Get() != nullptr && sqlite3_step(statement.Get()) == SQLITE_ROW;
}

int32_t CStatsQueries::BusiestHour(const StatsRange& range) const {
    CStatement statement(
        m_pDb,
        "SELECT hour, TOTAL(steps) AS s FROM hourly WHERE curdate >= ?1 AND curdate <= ?2 "
        "AND hour BETWEEN 0 AND 23 GROUP BY hour HAVING s > 0 ORDER BY s DESC, hour LIMIT 1");
    if (!statement.BindText(1, DateText(range.nFirst)) || !statement.BindText(2, DateText(range.nLast)))
        return -1;
    if (sqlite3_step(statement.Get()) != SQLITE_ROW) return -1;
    return sqlite3_column_int(statement.Get(), 0);
}
