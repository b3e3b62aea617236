// Test bench of the record store: the platform on the headless display and the manual clock, a
// fresh SQLite file per test, and a main window whose procedure records the program's messages in
// order and answers UM_GET_DB and UM_EXEC_SQL as the application does.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/messages.h"
#include "common/today_totals.h"
#include "common/user_profile_block.h"
#include "platform/mv_platform.h"
#include "platform/mv_sensor.h"
#include "platform/windows.h"
#include "store/daily_records.h"
#include "store/db_helper.h"
#include "store/schema.h"
#include "testing/temp_dir_test_util.h"

namespace store_test {

// The three tables as the program creates them.
inline const std::string kSchema = StoreSchemaScript();

// Local time of the manual clock when the process starts: 2024-03-05 10:00:00.
inline constexpr int64_t kStartLocalSeconds = 1709632800;

// The program's folder for this process (a name with non-ASCII characters), where OpenDatabase
// looks for its file. The platform is set up once per process.
inline const std::string& ProgramFolder() {
    static const std::string* folder = [] {
        const std::string* made = &CTempDir::ForProcess("mv_store_\xea\xb1\xb8\xec\x9d\x8c_");
        MvPlatformOptions options;
        options.displayFromEnvironment = false;
        options.display = MvDisplayKind::Headless;
        options.manualClock = true;
        options.manualStartLocalSeconds = kStartLocalSeconds;
        options.modulePath = *made + "/Movimetra";
        MvPlatformInit(options);
        MvSensorConfigure("none");
        return made;
    }();
    return *folder;
}

inline std::wstring Wide(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

inline std::string Narrow(const std::wstring& ascii) {
    std::string out;
    for (wchar_t ch : ascii) out.push_back(static_cast<char>(ch));
    return out;
}

inline std::wstring TodayText() {
    wchar_t date[16];
    CDailyRecords::TodayDateText(date, 16);
    return date;
}

// The platform clock's local date as yyyymmdd (the day of the engine's totals).
inline int TodayNumber() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return st.wYear * 10000 + st.wMonth * 100 + st.wDay;
}

// Seconds since the local midnight of the platform clock.
inline int64_t SecondsOfDay() {
    return ((MvLocalSeconds() % 86400) + 86400) % 86400;
}

struct SeenMessage {
    UINT msg = 0;
    WPARAM wParam = 0;
    std::wstring text;  // UM_VIEW_EVENT key, UM_EXEC_SQL statement, UM_SET_PROFILE "height|weight"
    UserProfileBlock profile{};
    TodayTotals totals{};
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramFolder();
        ASSERT_FALSE(m_Folder.empty());
        ASSERT_EQ(
            SQLITE_OK,
            sqlite3_open_v2((m_Folder + "/Movimetra.db").c_str(), &m_pDb,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr));
        m_Runner.SetHandle(m_pDb);
        s_pCurrent = this;
        WNDCLASSW wc{};
        wc.lpfnWndProc = WndProc;
        wc.lpszClassName = L"MvStoreTestMain";
        RegisterClassW(&wc);
        m_hMain =
            CreateWindowExW(0, L"MvStoreTestMain", L"store test", WS_OVERLAPPED, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_hMain);
    }

    void TearDown() override {
        if (m_hMain) DestroyWindow(m_hMain);
        s_pCurrent = nullptr;
        // The records of a test may keep a statement until they go: the connection closes then.
        if (m_pDb) sqlite3_close_v2(m_pDb);
    }

    static LRESULT WndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        StoreTest* self = s_pCurrent;
        if (!self || msg < WM_USER || msg >= WM_APP) return DefWindowProcW(hWnd, msg, wParam, lParam);
        SeenMessage seen;
        seen.msg = msg;
        seen.wParam = wParam;
        switch (msg) {
            case UM_GET_DB:
                *reinterpret_cast<sqlite3**>(lParam) = self->m_pDb;
                return 0;
            case UM_VIEW_EVENT:
                seen.text = reinterpret_cast<const wchar_t*>(lParam);
                break;
            case UM_PROFILE_DATA:
                seen.profile = *reinterpret_cast<const UserProfileBlock*>(lParam);
                break;
            case UM_SELECT_TODAY:
                seen.totals = *reinterpret_cast<const TodayTotals*>(lParam);
                break;
            case UM_SET_PROFILE:
                seen.text = std::wstring(reinterpret_cast<const wchar_t*>(wParam)) + L"|" +
                            reinterpret_cast<const wchar_t*>(lParam);
                break;
            case UM_EXEC_SQL: {
                seen.text = reinterpret_cast<const wchar_t*>(lParam);
                std::vector<std::wstring> rows;
                SqlResult result{};
                self->m_Runner.ExecuteSql(static_cast<int>(wParam), seen.text.c_str(), rows, &result);
                break;
            }
            default:
                break;
        }
        self->m_Seen.push_back(seen);
        return 0;
    }

    void Exec(const std::string& sql) {
        char* error = nullptr;
        int rc = sqlite3_exec(m_pDb, sql.c_str(), nullptr, nullptr, &error);
        EXPECT_EQ(SQLITE_OK, rc) << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }

    // Rows of a query as texts ("NULL" for SQL NULL).
    std::vector<std::vector<std::string>> Query(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        sqlite3_stmt* stmt = nullptr;
        EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(m_pDb, sql.c_str(), -1, &stmt, nullptr)) << sql;
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    void CreateSchema() { Exec(kSchema); }

    std::vector<UINT> SeenIds() const {
        std::vector<UINT> ids;
        for (const SeenMessage& m : m_Seen) ids.push_back(m.msg);
        return ids;
    }

    static inline StoreTest* s_pCurrent = nullptr;
    const CTempDir m_Temp{"mv_store_test_"};
    const std::string m_Folder = m_Temp.Path();
    sqlite3* m_pDb = nullptr;
    HWND m_hMain = nullptr;
    CDbHelper m_Runner;
    std::vector<SeenMessage> m_Seen;
};

}  // namespace store_test
