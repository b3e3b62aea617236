// The database's three tables and the statements that create them, shared by the program and
// the movimetra-data tool. The texts are part of the file format: keep them as they are.
#pragma once

#include <cstddef>
#include <string>

struct StoreTable {
    const char* pszName;
    const char* pszCreate;
};

// firstuse, pedometer and info, in the order they are created.
inline constexpr size_t kStoreTableCount = 3;
extern const StoreTable kStoreTables[kStoreTableCount];

// The three statements in that order as one script (tests and benchmarks make databases with it).
std::string StoreSchemaScript();

// The daily goal's table: not one of the three, created when missing, so that older files open
// unchanged. One row: the goal in steps (0 = none) and the date of the last "goal reached" notice.
extern const StoreTable kGoalTable;

// Steps by the hour: created when a save first has an hour to write, so that older files open
// unchanged. One row per local date and hour (0-23) with what was counted in it.
extern const StoreTable kHourlyTable;
