// Opening the database beside the executable: a folder with non-ASCII characters, serialized
// mode, paths that cannot be used showing "Cant open database" with the path and the reason on
// standard error, and a damaged file left exactly as it was.
#include "store/database.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/store_text.h"
#include "testing/store_test_util.h"

namespace {

namespace fs = std::filesystem;
using store_test::ProgramFolder;
using store_test::StoreTest;

class DatabaseTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        m_File = fs::path(ProgramFolder() + "/Movimetra.db");
        fs::remove_all(m_File);
    }
    void TearDown() override {
        MvSetMessageObserver(nullptr);
        MvSetScript("");
        fs::remove_all(m_File);
        StoreTest::TearDown();
    }

    // Runs OpenDatabase expecting it to fail: the message box is answered with Enter. Returns
    // what went to standard error.
    std::string ExpectCantOpen() {
        testing::internal::CaptureStderr();
        ExpectCantOpenBox();
        return testing::internal::GetCapturedStderr();
    }
    void ExpectCantOpenBox() {
        std::vector<std::wstring> boxes;
        MvSetMessageObserver([&boxes](HWND hWnd, UINT msg, WPARAM, LPARAM) {
            wchar_t title[64] = L"";
            if (msg == WM_PAINT && GetWindowTextW(hWnd, title, 64) > 0 && std::wstring(title) == L"Error")
                boxes.push_back(title);
        });
        ASSERT_TRUE(MvSetScript("key ENTER\n"));
        sqlite3* db = reinterpret_cast<sqlite3*>(this);  // must come back null
        EXPECT_EQ(0, OpenDatabase(&db, m_hMain));
        EXPECT_EQ(nullptr, db);
        MvSetMessageObserver(nullptr);
        EXPECT_FALSE(boxes.empty()) << "no message box was shown";
    }

    fs::path m_File;
};

TEST_F(DatabaseTest, OpensTheFileBesideTheProgramInSerializedMode) {
    EXPECT_EQ(ProgramFolder() + "/Movimetra.db", StoreUtf8FromWide(DatabasePath().c_str()));

    sqlite3* db = nullptr;
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    ASSERT_NE(nullptr, db);
    EXPECT_TRUE(fs::is_regular_file(m_File));
    // Serialized mode: the connection has its own mutex.
    EXPECT_NE(nullptr, sqlite3_db_mutex(db));

    // A fresh file has no tables yet, so the first-use query fails to prepare.
    CDbHelper runner(db);
    std::vector<std::wstring> rows;
    SqlResult result{};
    EXPECT_EQ(0, runner.ExecuteSql(SQL_SELECT, L"select flag from firstuse;", rows, &result));
    EXPECT_EQ(1, runner.ExecuteSql(SQL_UPDATE, L"CREATE TABLE firstuse ('flag' INTEGER DEFAULT 0);", rows,
                                   &result));
    CloseDatabase(db);
    CloseDatabase(nullptr);

    // Opened again, the file keeps what was written.
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    runner.SetHandle(db);
    EXPECT_EQ(1, runner.ExecuteSql(SQL_SELECT, L"select flag from firstuse;", rows, &result));
    CloseDatabase(db);
}

TEST_F(DatabaseTest, UnusablePathsShowCantOpenDatabaseAndStandardErrorSaysWhy) {
    const std::string prefix = "Movimetra: Cant open database " + m_File.string() + ": ";
    // A folder in the place of the file.
    fs::create_directory(m_File);
    std::string said = ExpectCantOpen();
    EXPECT_EQ(0u, said.find(prefix + "is a folder")) << said;
    fs::remove_all(m_File);

    // A file that is not a database.
    {
        std::ofstream out(m_File);
        out << "these are not the pages of a database, just some text long enough to be looked at\n";
    }
    said = ExpectCantOpen();
    EXPECT_EQ(0u, said.find(prefix + "not a database")) << said;
    fs::remove_all(m_File);
}

TEST_F(DatabaseTest, DamagedFileIsNeitherUsedNorChanged) {
    // A year of walks and a profile, then the page of the firstuse table overwritten.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(m_File.c_str(), &db));
    std::string sql = store_test::kSchema;
    sql += "INSERT INTO firstuse VALUES(1); INSERT INTO info VALUES(181, 77, 'M', '1');";
    for (int i = 0; i < 300; ++i)
        sql += "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES(date('2024-01-01', '+" +
               std::to_string(i) + " days'), '00:10:00', 1000, 30.5, 700);";
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr));
    int page = 0;
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = 'firstuse';",
                                            -1, &stmt, nullptr));
    ASSERT_EQ(SQLITE_ROW, sqlite3_step(stmt));
    page = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    {
        std::fstream file(m_File, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(page - 1) * 4096);
        std::string garbage(4096, '\xaa');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }
    auto bytes = [this] {
        std::ifstream in(m_File, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string before = bytes();

    std::string said = ExpectCantOpen();
    EXPECT_EQ(0u, said.find("Movimetra: Cant open database " + m_File.string() + ": the database is damaged"))
        << said;
    EXPECT_TRUE(before == bytes()) << "the damaged file was changed";
    EXPECT_FALSE(fs::exists(m_File.string() + "-journal"));
}

TEST_F(DatabaseTest, ReadOnlyFolderShowsCantOpenDatabase) {
    // The program's folder cannot take a new file (checked first: the superuser may write anyway).
    fs::path folder = fs::path(ProgramFolder());
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    bool writable = static_cast<bool>(std::ofstream(folder / "probe"));
    fs::remove(folder / "probe");
    if (writable) {
        fs::permissions(folder, fs::perms::owner_all);
        GTEST_SKIP() << "read-only folders are writable for this user";
    }
    std::string said = ExpectCantOpen();
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(m_File));
    EXPECT_NE(std::string::npos, said.find(m_File.string() + ": permission denied")) << said;
}

}  // namespace
