// Tests of the data tool: the tool run in-process on real SQLite files, its output captured.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/data_folder.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"
#include "tools/data/data_tool.h"

namespace data_tool_test {

namespace fs = std::filesystem;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string Drain(std::FILE* f) {
    std::string text;
    std::rewind(f);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
    return text;
}

class DataToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_Dir.empty()); }

    std::string Path(const std::string& name) const { return m_Dir + "/" + name; }

    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), "movimetra-data");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        Result r;
        r.code = DataToolMain(static_cast<int>(argv.size()), argv.data(), out, err);
        r.out = Drain(out);
        r.err = Drain(err);
        return r;
    }

    // A database as the program makes it, with rows written as the program writes them.
    void MakeDatabase(const std::string& path, const std::vector<std::string>& inserts) {
        sqlite3* db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        for (const StoreTable& table : kStoreTables)
            ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, table.pszCreate, nullptr, nullptr, nullptr));
        for (const std::string& values : inserts) {
            std::string sql =
                "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance, created_at, updated_at) "
                "VALUES(" +
                values + ");";
            ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr)) << sql;
        }
        sqlite3_close(db);
    }

    int64_t RowCount(const std::string& path) {
        sqlite3* db = nullptr;
        int64_t count = -1;
        if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT count(*) FROM pedometer;", -1, &stmt, nullptr) == SQLITE_OK &&
                sqlite3_step(stmt) == SQLITE_ROW)
                count = sqlite3_column_int64(stmt, 0);
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
        return count;
    }

    const CTempDir m_Temp{"mv_data_"};
    const std::string m_Dir = m_Temp.Path();
};

inline const std::vector<std::string> kRows = {
    "'2024-03-05', '00:42:10', 4210, 180.35, 2948.72, datetime('2024-03-05 08:00:01'), "
    "datetime('2024-03-05 08:42:11')",
    // A Reset leaves an earlier entry of the day and a fresh one: equal rows are both history.
    "'2024-03-05', '00:00:00', 0, 0.0, 0.0, datetime('2024-03-05 09:00:00'), datetime('2024-03-05 09:00:00')",
    "'2024-03-05', '00:00:00', 0, 0.0, 0.0, datetime('2024-03-05 09:00:00'), datetime('2024-03-05 09:00:00')",
    "'2024-02-29', '101:02:03', 1000000, 0.1, 999999.99, NULL, NULL",
    "'2023-12-31', '00:00:10', 12, 0.3, 8.4, '2023-12-31 23:59:50', '2023-12-31 23:59:59'",
};

}  // namespace data_tool_test
