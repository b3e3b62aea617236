// Opening the database file beside the executable, with a check that it can really be used
// and is whole.
#include "store/database.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/database_check.h"
#include "store/store_text.h"

namespace {

// Full path of the running executable, however long.
std::wstring ModulePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size() - 1) return std::wstring(buf.data(), n);
        if (buf.size() >= 65536) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);  // the name may have been cut: ask again with more room
    }
}

}  // namespace

std::wstring DatabasePath() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L'/');
    path.erase(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"Movimetra.db";
}

int OpenDatabase(sqlite3** db, HWND owner) {
    sqlite3* handle = nullptr;
    std::string path = StoreUtf8FromWide(DatabasePath().c_str());
    int rc = sqlite3_open_v2(path.c_str(), &handle,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    std::string why;
    if (rc == SQLITE_OK && handle)
        rc = CheckOpenedDatabase(handle, &why);
    else
        why = DescribeDatabaseError(handle, rc, path.c_str());
    if (rc == SQLITE_OK) {
        if (db) *db = handle;
        return 1;
    }
    // The box keeps its short text; the path and the reason go to standard error.
    std::fprintf(stderr, "Movimetra: Cant open database %s: %s\n", path.c_str(), why.c_str());
    std::fflush(stderr);
    if (handle) sqlite3_close(handle);
    if (db) *db = nullptr;
    MessageBoxW(owner, L"Cant open database", nullptr, MB_OK);
    return 0;
}

void CloseDatabase(sqlite3* db) {
    if (db) sqlite3_close(db);
}
