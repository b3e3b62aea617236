// Schema creation, the first-use check and reading the stored profile.
#include "store/profile_store.h"

#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/messages.h"
#include "store/schema.h"
#include "store/store_text.h"

namespace {

const wchar_t kExistKey[] = L"EXIST";

}  // namespace

void CProfileStore::Attach(HWND hMain, CDbHelper* db) {
    m_hMain = hMain;
    m_pDb = db;
}

bool CProfileStore::HasTable(const char* name) const {
    sqlite3* db = m_pDb ? m_pDb->GetHandle() : nullptr;
    sqlite3_stmt* stmt = nullptr;
    if (!db || sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1;", -1,
                                  &stmt, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
    bool found = sqlite3_step(stmt) == SQLITE_ROW;
    sqlite3_finalize(stmt);
    return found;
}

int CProfileStore::CreateTables() {
    sqlite3* db = m_pDb ? m_pDb->GetHandle() : nullptr;
    for (const StoreTable& table : kStoreTables) {
        // A table missing from an existing file is made anew; the others stay as they are.
        if (HasTable(table.pszName)) continue;
        const char* sql = table.pszCreate;
        char* error = nullptr;
        int rc = db ? sqlite3_exec(db, sql, nullptr, nullptr, &error) : SQLITE_MISUSE;
        if (rc != SQLITE_OK) {
            std::printf("Write Error: %s\n", error ? error : sqlite3_errstr(rc));
            std::fflush(stdout);
            std::fprintf(stderr, "Movimetra: cannot create the table %s: %s\n", table.pszName,
                         error ? error : sqlite3_errstr(rc));
            sqlite3_free(error);
            return 0;
        }
    }
    return 1;
}

int CProfileStore::CheckFirstUse() {
    // A fresh file has no tables yet; an existing one may lack one of them (a lost `pedometer`
    // table would lose every walk, a lost `info` table leave the program without a view).
    CreateTables();
    std::vector<std::wstring> rows;
    SqlResult result{};
    if (!m_pDb || m_pDb->ExecuteSql(SQL_SELECT, L"select flag from firstuse;", rows, &result) == 0) {
        ApplyDefaultProfile(1);
        return 0;
    }
    if (result.nRows > 0 && !rows.empty()) {
        if (StoreTextToInt(rows[0]) != 0) return 1;
        ApplyDefaultProfile(2);
        return 0;
    }
    ApplyDefaultProfile(1);
    return 0;
}

void CProfileStore::ApplyDefaultProfile(int state) {
    m_Profile = UserProfileBlock{};
    StoreCopyText(m_Profile.szHeight, 10, L"175");
    StoreCopyText(m_Profile.szWeight, 10, L"65");
    StoreCopyText(m_Profile.szGender, 2, L"M");
    StoreCopyText(m_Profile.szFlag, 2, L"1");
    StoreCopyText(m_Profile.szFirstUse, 2, StoreFormat(L"%d", state));
    // Nothing stored yet: the user's locale chooses, Korean for Korean and English otherwise.
    m_Profile.nLang = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_KOREAN ? 0 : 1;

    SendMessageW(m_hMain, UM_SET_LANGUAGE, static_cast<WPARAM>(m_Profile.nLang), 0);
    SendMessageW(m_hMain, UM_SWITCH_VIEW, VIEW_PROFILE, 0);
    SendMessageW(m_hMain, UM_VIEW_EVENT, 0, reinterpret_cast<LPARAM>(kExistKey));
    SendMessageW(m_hMain, UM_PROFILE_DATA, 0, reinterpret_cast<LPARAM>(&m_Profile));
}

void CProfileStore::LoadUserInfo(int mode) {
    m_Profile = UserProfileBlock{};

    std::vector<std::wstring> rows;
    SqlResult result{};
    if (!m_pDb ||
        m_pDb->ExecuteSql(SQL_SELECT, L"select height, weight, gender, lang from info;", rows, &result) == 0)
        return;

    if (result.nRows > 0 && result.nColumns >= 4) {
        // Every row in turn; the last one supplies the profile.
        size_t columns = static_cast<size_t>(result.nColumns);
        for (size_t base = 0; base + 3 < rows.size(); base += columns) {
            StoreCopyText(m_Profile.szHeight, 10, StoreNullAsEmpty(rows[base]));
            StoreCopyText(m_Profile.szWeight, 10, StoreNullAsEmpty(rows[base + 1]));
            StoreCopyText(m_Profile.szGender, 2, StoreNullAsEmpty(rows[base + 2]));
            m_Profile.nLang = StoreTextToInt(rows[base + 3]);
        }
        // The engine takes the body values from the texts.
        SendMessageW(m_hMain, UM_SET_PROFILE, reinterpret_cast<WPARAM>(m_Profile.szHeight),
                     reinterpret_cast<LPARAM>(m_Profile.szWeight));
        if (mode == 1) {
            SendMessageW(m_hMain, UM_SET_LANGUAGE, static_cast<WPARAM>(m_Profile.nLang), 0);
            SendMessageW(m_hMain, UM_SWITCH_VIEW, VIEW_MAIN, 0);
        } else if (mode == 2) {
            SendMessageW(m_hMain, UM_SWITCH_VIEW, VIEW_PROFILE, 0);
            SendMessageW(m_hMain, UM_VIEW_EVENT, 1, reinterpret_cast<LPARAM>(kExistKey));
            SendMessageW(m_hMain, UM_PROFILE_DATA, 0, reinterpret_cast<LPARAM>(&m_Profile));
        }
        return;
    }

    // No stored profile: offer the default one as at first use.
    ApplyDefaultProfile(1);
}
