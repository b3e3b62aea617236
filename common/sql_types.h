// Statement kinds and the result record of the statement runner.
#pragma once

#include <cstdint>

enum SqlKind {
    SQL_SELECT = 0,
    SQL_INSERT = 1,
    SQL_UPDATE = 2,
    SQL_DELETE = 3,
    SQL_INTLIST = 4,
};

struct SqlResult {
    int32_t nColumns;
    int32_t nRows;
    wchar_t szMessage[1024];
    // The library's result code when preparing or running the statement failed; 0 otherwise.
    int32_t nError;
};
