// The data tool beside the running program: backups taken while the program saves are intact and
// restorable, nothing the program saves is lost to the tool's locks, and restore and import
// refuse while the program runs.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/shell_harness_test_util.h"

namespace {

struct ToolRun {
    int code = -1;
    std::string output;
};

// Runs movimetra-data with the arguments; standard output and error together.
ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args) {
    const std::string log = dir + "/tool.txt";
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
            close(fd);
        }
        std::vector<char*> argv{const_cast<char*>(MV_DATA_BINARY)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(MV_DATA_BINARY, argv.data());
        _exit(127);
    }
    ToolRun run;
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    run.code = end.exited ? end.code : -1;
    run.output = shelltest::ReadTextFile(log);
    return run;
}

// The pedometer rows as text, in order (seq left out).
std::string Rows(const std::string& dbPath) {
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT curdate, curtime, steps, kcal, distance FROM pedometer ORDER BY seq;",
                               -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < 5; ++c) {
                    const unsigned char* text = sqlite3_column_text(stmt, c);
                    rows += std::string(text ? reinterpret_cast<const char*>(text) : "NULL") +
                            (c < 4 ? "," : "\n");
                }
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return rows;
}

// The steps of the first row; 0 before the walk has a row.
int StepsOf(const std::string& dbPath) {
    std::string rows = Rows(dbPath);
    if (rows.empty()) return 0;
    size_t a = rows.find(',', rows.find(',') + 1);
    return a == std::string::npos ? -1 : std::atoi(rows.c_str() + a + 1);
}

class DataToolProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        program = shelltest::InstallProgram(dir);
        ASSERT_FALSE(program.empty());
        db = dir + "/Movimetra.db";
        ASSERT_TRUE(shelltest::WriteStoredProfile(db, 1));
    }
    pid_t Start(const std::string& script, const std::string& sensor) {
        shelltest::WriteTextFile(dir + "/script.txt", script);
        return shelltest::SpawnProgram(
            program,
            {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual",
             "MOVIMETRA_CLOCK_START=2024-03-14 10:00:00", "MOVIMETRA_SENSOR=" + sensor,
             "MOVIMETRA_SCRIPT=" + dir + "/script.txt"},
            dir + "/log.txt");
    }
    const CTempDir temp{shelltest::kTempPrefix};
    const std::string dir = temp.Path();
    std::string program;
    std::string db;
};

// A walk of a few minutes: start, then a save every ten seconds, stop and quit.
std::string WalkScript() {
    std::string script = "wait 500\ntap 80 692\n";
    for (int i = 0; i < 20; ++i) script += "wait 10000\n";
    return script + "tap 80 692\nwait 500\nquit\n";
}

TEST_F(DataToolProgramTest, BackupsWhileTheProgramSavesAreIntactAndNothingIsLost) {
    // Alone first: what the walk stores.
    pid_t pid = Start(WalkScript(), "walk");
    ASSERT_GT(pid, 0);
    shelltest::ChildEnd alone = shelltest::WaitProgram(pid, 240000);
    ASSERT_TRUE(alone.exited && alone.code == 0) << shelltest::ReadTextFile(dir + "/log.txt");
    const std::string stored = Rows(db);
    ASSERT_GT(StepsOf(db), 300) << stored;

    // Again from the same start, with backups and exports taken all the while.
    std::filesystem::remove(db);
    ASSERT_TRUE(shelltest::WriteStoredProfile(db, 1));
    pid = Start(WalkScript(), "walk");
    ASSERT_GT(pid, 0);
    int backups = 0;
    int lastSteps = 0;
    bool running = true;
    for (int i = 0; running && i < 2000; ++i) {
        const std::string copy = dir + "/backup" + std::to_string(i % 2) + ".db";
        ToolRun backup = RunTool(dir, {"--db", db, "backup", copy});
        ASSERT_EQ(backup.code, 0) << backup.output;
        ToolRun check = RunTool(dir, {"--db", dir + "/restored.db", "restore", copy});
        ASSERT_EQ(check.code, 0) << check.output;
        EXPECT_EQ(Rows(copy), Rows(dir + "/restored.db"));
        // The copies follow the walk: steps never go back.
        int steps = StepsOf(copy);
        EXPECT_GE(steps, lastSteps);
        lastSteps = steps;
        ++backups;
        ToolRun exported = RunTool(dir, {"--db", db, "export"});
        ASSERT_EQ(exported.code, 0) << exported.output;
        // Still running? (Looked at without reaping it.)
        siginfo_t info{};
        running = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                  info.si_pid == 0;
    }
    shelltest::ChildEnd shared = shelltest::WaitProgram(pid, 240000);
    ASSERT_TRUE(shared.exited && shared.code == 0) << shelltest::ReadTextFile(dir + "/log.txt");
    EXPECT_GE(backups, 2);
    EXPECT_EQ(Rows(db), stored);
}

TEST_F(DataToolProgramTest, RestoreAndImportRefuseWhileTheProgramRuns) {
    ASSERT_EQ(RunTool(dir, {"--db", db, "backup", dir + "/copy.db"}).code, 0);
    shelltest::WriteTextFile(
        dir + "/today.csv",
        "date,time,steps,kcal,distance,created,updated\n2024-03-14,00:10:00,900,30,600,,\n");
    // The program starts and stays: the script has no quit.
    pid_t pid = Start("wait 500\nshot " + dir + "/ready.png\n", "none");
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 3000 && !std::filesystem::exists(dir + "/ready.png"); ++i) usleep(10000);
    ASSERT_TRUE(std::filesystem::exists(dir + "/ready.png")) << shelltest::ReadTextFile(dir + "/log.txt");
    // As the running program keeps it (opening it, the program turned it to its write-ahead log).
    const std::string before = shelltest::ReadTextFile(db);

    ToolRun refused = RunTool(dir, {"--db", db, "restore", dir + "/copy.db"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.output.find("Movimetra is running (process " + std::to_string(pid)), std::string::npos)
        << refused.output;
    ToolRun notImported = RunTool(dir, {"--db", db, "import", dir + "/today.csv"});
    EXPECT_EQ(notImported.code, 1);
    EXPECT_NE(notImported.output.find("Nothing was imported"), std::string::npos) << notImported.output;
    EXPECT_EQ(shelltest::ReadTextFile(db), before);
    // Reading goes on meanwhile.
    EXPECT_EQ(RunTool(dir, {"--db", db, "export"}).code, 0);

    kill(pid, SIGTERM);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    EXPECT_TRUE(end.exited) << shelltest::ReadTextFile(dir + "/log.txt");
    ToolRun restored = RunTool(dir, {"--db", db, "restore", dir + "/copy.db"});
    EXPECT_EQ(restored.code, 0) << restored.output;
    ToolRun imported = RunTool(dir, {"--db", db, "import", dir + "/today.csv"});
    EXPECT_EQ(imported.code, 0) << imported.output;
}

}  // namespace
