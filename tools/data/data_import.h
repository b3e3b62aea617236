// An import in progress: one write transaction on the database that takes the checked rows one by
// one, so that a file of any length is imported in flat memory.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "tools/data/data_rows.h"

struct DataImportCounts {
    size_t nAdded = 0;
    size_t nSkipped = 0;  // already there: same date, time walked and totals (or hour and totals)
};

class CDataImport {
public:
    CDataImport() = default;
    CDataImport(const CDataImport&) = delete;
    CDataImport& operator=(const CDataImport&) = delete;
    ~CDataImport();

    // Starts the transaction (creating missing tables) and reads which rows are there already.
    bool Begin(sqlite3* db, std::string* error);
    // Writes the row unless it is there already.
    bool Add(const DataRow& row, std::string* error);
    // Adds the hour's totals to its row (made when missing, with the table), unless the row holds
    // exactly these already: as days, what another file brings adds to what is there.
    bool AddHour(const DataHourRow& row, std::string* error);
    // All rows, or (on Rollback, or when the object goes without Commit) none.
    bool Commit(std::string* error);
    void Rollback();
    const DataImportCounts& Counts() const { return m_Counts; }

private:
    void Finalize();
    using Key = std::tuple<std::string, std::string, int64_t, double, double>;
    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pInsert = nullptr;
    sqlite3_stmt* m_pHourSame = nullptr;
    sqlite3_stmt* m_pHourAdd = nullptr;
    // Rows there before the import and how many times: each is skipped that many times, so a
    // file with two equal rows adds both to an empty database, and nothing the second time.
    std::map<Key, int64_t> m_Present;
    DataImportCounts m_Counts;
    bool m_bOpen = false;
};
