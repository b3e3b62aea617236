// The daily goal: its table, the stored goal and the date of the last "goal reached" notice.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3;

// Goals the profile accepts; 0 means no goal.
#define GOAL_STEPS_MIN 100
#define GOAL_STEPS_MAX 99999

class CGoalStore {
public:
    void Attach(sqlite3* db) { m_pDb = db; }
    // Creates the table when it is missing: the SQLite result (SQLITE_OK when it exists afterwards).
    int CreateTable();
    // Reads the stored row; no table or no row is no goal and no notice.
    void Load();
    // Stores the goal (0 = none), keeping the notice date, and makes the table first when it is
    // missing: the SQLite result. The goal in memory changes only when it was stored.
    int SaveSteps(int32_t steps);
    // Remembers `date` (YYYY-MM-DD) as the day of the last notice, in memory even when the write
    // fails (so a day never hears it twice in one run): the SQLite result.
    int SaveNoticed(const std::string& date);
    // Whether a goal is set, `todaySteps` reach it and `date` has had no notice yet.
    bool ShouldNotice(int64_t todaySteps, const std::string& date) const;

    int32_t Steps() const { return m_nSteps; }
    const std::string& Noticed() const { return m_strNoticed; }

private:
    int Run(const char* sql, const int32_t* steps, const std::string* text);
    sqlite3* m_pDb = nullptr;
    int32_t m_nSteps = 0;
    std::string m_strNoticed;
};
