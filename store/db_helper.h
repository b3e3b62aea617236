// The statement runner bound to the shared SQLite connection.
#pragma once

#include <string>
#include <vector>

#include "common/sql_types.h"

struct sqlite3;
struct sqlite3_stmt;

class CDbHelper {
public:
    CDbHelper() = default;
    explicit CDbHelper(sqlite3* db) : m_pDb(db) {}
    void SetHandle(sqlite3* db) { m_pDb = db; }
    sqlite3* GetHandle() const { return m_pDb; }

    // 1 when the statement was prepared (whatever happened afterwards), 0 when preparation failed.
    // Row texts are appended in row-major order; NULL columns arrive as empty texts. A failure
    // (preparing, or any step) leaves its text in szMessage and its
    // code in nError.
    int ExecuteSql(int kind, const wchar_t* sqlText, std::vector<std::wstring>& rowTexts, SqlResult* result);

private:
    void SetStepError(SqlResult* result, int rc);
    bool WriteStep(sqlite3_stmt* stmt, SqlResult* result);
    sqlite3* m_pDb = nullptr;
};
