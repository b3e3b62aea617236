// The data tool beside a database that keeps a write-ahead log (as the program's does): a backup
// is one file, a restore over a log that a killed program left keeps that log's rows in the file it
// keeps and leaves no log behind, and a copy with an unfinished write beside it is named as such.
#include <sys/wait.h>

#include "tools/data/data_tool_test_util.h"

namespace {

using namespace data_tool_test;

class DataWalTest : public DataToolTest {
protected:
    // A program that writes one row and is killed before it closes: its row is only in the log.
    void WriteAndDie(const std::string& path, const std::string& sql) {
        pid_t pid = fork();
        if (pid == 0) {
            sqlite3* db = nullptr;
            if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) _exit(2);
            if (sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                             nullptr) != SQLITE_OK ||
                sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                _exit(3);
            _exit(0);
        }
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    static int HeaderFormat(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        char header[20] = {};
        in.read(header, sizeof header);
        return header[18];
    }
};

TEST_F(DataWalTest, RestoreOverTheLogOfAKilledProgramKeepsItsRowsAndLeavesNoLog) {
    const std::string db = Path("Movimetra.db");
    MakeDatabase(db, {kRows[0]});
    WriteAndDie(db, "SELECT 1;");  // the file now keeps a log
    Result backup = Run({"--db", db, "backup", Path("copy.db")});
    ASSERT_EQ(0, backup.code) << backup.err;
    // The copy is a file of its own: no log, none needed.
    EXPECT_EQ(1, HeaderFormat(Path("copy.db")));
    EXPECT_FALSE(fs::exists(Path("copy.db-wal")));

    WriteAndDie(db,
                "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) "
                "VALUES('2024-03-07', '00:50:00', 5555, 200, 3900);");
    ASSERT_TRUE(fs::exists(db + "-wal"));
    ASSERT_GT(fs::file_size(db + "-wal"), 0u);

    Result r = Run({"--db", db, "restore", Path("copy.db")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_FALSE(fs::exists(db + "-wal"));
    EXPECT_FALSE(fs::exists(db + "-shm"));
    EXPECT_NE(r.out.find("that one holds 1 day the restored copy lacks"), std::string::npos) << r.out;
    std::string kept;
    for (const auto& entry : fs::directory_iterator(m_Dir))
        if (entry.path().filename().string().rfind("Movimetra.db.before-restore-", 0) == 0)
            kept = entry.path().string();
    ASSERT_FALSE(kept.empty()) << r.out;
    EXPECT_FALSE(fs::exists(kept + "-wal"));
    EXPECT_NE(Run({"--db", kept, "export"}).out.find("2024-03-07,00:50:00,5555"), std::string::npos);
    EXPECT_EQ(1, RowCount(db));
    EXPECT_EQ(Run({"--db", Path("copy.db"), "export"}).out, Run({"--db", db, "export"}).out);
}

TEST_F(DataWalTest, ExportAndImportReadAndWriteThroughTheLog) {
    const std::string db = Path("Movimetra.db");
    MakeDatabase(db, {kRows[0]});
    WriteAndDie(db,
                "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) "
                "VALUES('2024-03-07', '00:50:00', 5555, 200, 3900);");
    EXPECT_NE(Run({"--db", db, "export"}).out.find("2024-03-07,00:50:00,5555"), std::string::npos);
    WriteFile(Path("one.csv"),
              "date,time,steps,kcal,distance,created,updated\n2024-03-09,00:01:00,1,1,1,,\n");
    Result r = Run({"--db", db, "import", Path("one.csv")});
    ASSERT_EQ(0, r.code) << r.err;
    EXPECT_EQ(3, RowCount(db));
    EXPECT_FALSE(fs::exists(db + "-wal"));
}

TEST_F(DataWalTest, ACopyWithAnUnfinishedWriteBesideItSaysWhatItIsAndWhatToDo) {
    const std::string copy = Path("copy.db");
    MakeDatabase(copy, kRows);
    // A write under way when the copy was taken: the file changed, its journal beside it.
    pid_t pid = fork();
    if (pid == 0) {
        sqlite3* db = nullptr;
        if (sqlite3_open(copy.c_str(), &db) != SQLITE_OK) _exit(2);
        sqlite3_exec(db, "PRAGMA cache_size=1; BEGIN;", nullptr, nullptr, nullptr);
        for (int i = 0; i < 400; ++i)
            sqlite3_exec(
                db,
                "INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('2024-01-01', "
                "'00:00:01', 1, 0, 0);",
                nullptr, nullptr, nullptr);
        _exit(0);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    ASSERT_TRUE(fs::exists(copy + "-journal"));
    MakeDatabase(Path("Movimetra.db"), {kRows[0]});
    Result r = Run({"--db", Path("Movimetra.db"), "restore", copy});
    EXPECT_EQ(1, r.code);
    EXPECT_NE(r.err.find("a copy with an unfinished write beside it"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("sqlite3 " + copy + " 'PRAGMA quick_check;'"), std::string::npos) << r.err;
    EXPECT_EQ(std::string::npos, r.err.find("attempt to write a readonly database")) << r.err;
    EXPECT_EQ(1, RowCount(Path("Movimetra.db")));
}

}  // namespace
