// The statement runner: prepares one statement on the shared connection, runs it according to
// its kind and delivers the rows as UTF-16 texts.
#include "store/db_helper.h"

#include <sqlite3.h>

#include "platform/windows.h"
#include "store/connection_lock.h"
#include "store/store_text.h"

namespace {

// The library's error code when no connection is attached.
const int kNoConnection = SQLITE_MISUSE;

void SetMessage(SqlResult* result, const std::wstring& text) {
    StoreCopyText(result->szMessage, 1024, text);
}

std::wstring ColumnText(sqlite3_stmt* stmt, int column) {
    // SQL NULL (and a failed conversion) arrives as an empty text.
    return StoreWideFromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)));
}

}  // namespace

void CDbHelper::SetStepError(SqlResult* result, int rc) {
    // The connection's error text belongs to the last call on it: the caller holds its mutex.
    std::wstring error = StoreWideFromUtf8(sqlite3_errmsg(m_pDb));
    SetMessage(result, StoreFormat(L"Error: %d : %ls\r\n", rc, error.c_str()));
    result->nError = rc;
}

bool CDbHelper::WriteStep(sqlite3_stmt* stmt, SqlResult* result) {
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) return true;
    SetStepError(result, rc);
    return false;
}

int CDbHelper::ExecuteSql(int kind, const wchar_t* sqlText, std::vector<std::wstring>& rowTexts,
                          SqlResult* result) {
    SqlResult scratch{};
    if (!result) result = &scratch;

    if (!m_pDb) {
        SetMessage(result, StoreFormat(L"SQL error %d\r\n", kNoConnection));
        result->nError = kNoConnection;
        return 0;
    }

    // The whole statement, however long, is handed to the library. The connection's mutex is held
    // for the whole call, so that an error text read after a step is that step's (the saving
    // thread shares the connection).
    std::string utf8 = StoreUtf8FromWide(sqlText);
    CConnectionLock lock(m_pDb);
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_pDb, utf8.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK) {
        SetMessage(result, StoreFormat(L"SQL error %d\r\n", rc));
        result->nError = rc;
        return 0;
    }
    if (!stmt) return 1;  // only blanks or comments: prepared, nothing to run

    switch (kind) {
        case SQL_SELECT: {
            result->nColumns = sqlite3_column_count(stmt);
            for (;;) {
                rc = sqlite3_step(stmt);
                if (rc == SQLITE_ROW) {
                    for (int c = 0; c < result->nColumns; ++c) rowTexts.push_back(ColumnText(stmt, c));
                    ++result->nRows;
                } else if (rc == SQLITE_DONE) {
                    break;
                } else {
                    SetStepError(result, rc);
                    break;
                }
            }
            sqlite3_finalize(stmt);
            return 1;
        }
        // A write that fails is reported in the result (the caller decides what the user hears).
        case SQL_INSERT:
            if (WriteStep(stmt, result))
                NKDbgPrintfW(L"Inserted... OK (%d)\r\n", static_cast<int>(sqlite3_last_insert_rowid(m_pDb)));
            break;
        case SQL_UPDATE:
            if (WriteStep(stmt, result)) NKDbgPrintfW(L"Updated... OK (%d)\r\n", sqlite3_changes(m_pDb));
            break;
        case SQL_DELETE:
            if (WriteStep(stmt, result)) NKDbgPrintfW(L"Deleted... OK (%d)\r\n", sqlite3_changes(m_pDb));
            break;
        case SQL_INTLIST:
            while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
                rowTexts.push_back(StoreFormat(L"%d", sqlite3_column_int(stmt, 0)));
            if (rc != SQLITE_DONE) SetStepError(result, rc);
            // Serves the one-row COUNT(*) query: one row is reported however many came.
            ++result->nRows;
            break;
        default:
            sqlite3_finalize(stmt);
            return 1;
    }
    sqlite3_reset(stmt);
    sqlite3_finalize(stmt);
    return 1;
}
