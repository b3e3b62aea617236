// The database in write-ahead-log mode: an older file converts on opening with its tables as they
// were, the log and its shared memory are private like the file, a checkpoint empties the log into
// the file, and closing leaves the file alone in its folder.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "store/database.h"
#include "store/schema.h"
#include "testing/store_test_util.h"

namespace {

namespace fs = std::filesystem;
using store_test::ProgramFolder;
using store_test::StoreTest;

class WriteAheadLogTest : public StoreTest {
protected:
    void SetUp() override {
        // The real file layer (another test may have put one without shared memory in front).
        m_pDefault = sqlite3_vfs_find(nullptr);
        sqlite3_vfs_register(sqlite3_vfs_find("unix"), 1);
        StoreTest::SetUp();
        m_File = ProgramFolder() + "/Movimetra.db";
        RemoveFiles();
    }
    void TearDown() override {
        RemoveFiles();
        StoreTest::TearDown();
        sqlite3_vfs_register(m_pDefault, 1);
    }
    void RemoveFiles() {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(m_File + suffix);
    }
    static std::string One(sqlite3* db, const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        std::string value;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            value = text ? reinterpret_cast<const char*>(text) : "";
        }
        sqlite3_finalize(stmt);
        return value;
    }
    static unsigned Mode(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
    }

    std::string m_File;
    sqlite3_vfs* m_pDefault = nullptr;
};

TEST_F(WriteAheadLogTest, AnOlderFileConvertsKeepsItsTablesAndLeavesNoLogAtClose) {
    // A file as earlier versions wrote it: the rollback journal, the three tables, a row.
    sqlite3* old = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(m_File.c_str(), &old));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(old,
                                      (StoreSchemaScript() +
                                       "INSERT INTO pedometer(curdate, curtime, steps) VALUES('2024-03-14', "
                                       "'00:01:00', 99);")
                                          .c_str(),
                                      nullptr, nullptr, nullptr));
    const std::string tables = One(old, "SELECT group_concat(sql, '|') FROM sqlite_master ORDER BY rowid;");
    sqlite3_close(old);
    chmod(m_File.c_str(), 0600);

    sqlite3* db = nullptr;
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    EXPECT_EQ("wal", One(db, "PRAGMA journal_mode;"));
    EXPECT_EQ("1", One(db, "PRAGMA synchronous;"));  // NORMAL: commits do not wait for the disk
    EXPECT_EQ(tables, One(db, "SELECT group_concat(sql, '|') FROM sqlite_master ORDER BY rowid;"));
    EXPECT_EQ("99", One(db, "SELECT steps FROM pedometer;"));

    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "UPDATE pedometer SET steps = 120;", nullptr, nullptr, nullptr));
    // The log and its shared memory are the user's alone, like the file.
    EXPECT_EQ(0600u, Mode(m_File + "-wal"));
    EXPECT_EQ(0600u, Mode(m_File + "-shm"));
    EXPECT_GT(fs::file_size(m_File + "-wal"), 0u);

    // A checkpoint moves the log into the file: a copy of the file alone holds the update.
    EXPECT_EQ(SQLITE_OK, CheckpointDatabase(db));
    EXPECT_EQ(0u, fs::file_size(m_File + "-wal"));
    const std::string copy = ProgramFolder() + "/copy.db";
    fs::copy_file(m_File, copy, fs::copy_options::overwrite_existing);
    sqlite3* read = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(copy.c_str(), &read));
    EXPECT_EQ("120", One(read, "SELECT steps FROM pedometer;"));
    sqlite3_close(read);
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(copy + suffix);

    CloseDatabase(db);
    EXPECT_TRUE(fs::exists(m_File));
    EXPECT_FALSE(fs::exists(m_File + "-wal"));
    EXPECT_FALSE(fs::exists(m_File + "-shm"));
}

TEST_F(WriteAheadLogTest, ANewFileIsInLogModeFromTheStart) {
    sqlite3* db = nullptr;
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    EXPECT_EQ("wal", One(db, "PRAGMA journal_mode;"));
    EXPECT_EQ(0600u, Mode(m_File));
    CloseDatabase(db);
    EXPECT_FALSE(fs::exists(m_File + "-wal"));
    EXPECT_FALSE(fs::exists(m_File + "-shm"));
    // The file itself says it keeps a log: every later opening, the data tool's too, uses it.
    EXPECT_EQ(2, [&] {
        std::FILE* f = std::fopen(m_File.c_str(), "rb");
        unsigned char header[20] = {};
        if (f) {
            (void)std::fread(header, 1, sizeof header, f);
            std::fclose(f);
        }
        return static_cast<int>(header[18]);  // the file's format: 2 is the write-ahead log
    }());
}

}  // namespace
