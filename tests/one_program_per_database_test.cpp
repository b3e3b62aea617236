// One program per database, as real processes: a second program on the same database (another
// instance key, another install) ends at once, whatever sockets it finds; a program started while
// the data tool writes waits for it and then runs; an import and a restore never run beside one.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/data_folder.h"
#include "tests/shell_harness_test_util.h"

namespace {

namespace fs = std::filesystem;

bool LockByte(int fd, unsigned byte) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

class OneProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.empty());
        fs::create_directories(dir + "/first");
        fs::create_directories(dir + "/second");
        fs::create_directories(data);
        fs::permissions(data, fs::perms::owner_all);
        first = shelltest::InstallProgram(dir + "/first");
        second = shelltest::InstallProgram(dir + "/second");
        ASSERT_FALSE(first.empty());
        ASSERT_FALSE(second.empty());
        ASSERT_TRUE(shelltest::WriteStoredProfile(db, 1));
    }
    // A program on the shared data folder with its own instance key and script.
    pid_t Start(const std::string& program, const std::string& key, const std::string& script,
                const std::string& log) {
        const std::string scriptFile = log + ".script";
        shelltest::WriteTextFile(scriptFile, script);
        return shelltest::SpawnProgram(
            program,
            {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual",
             "MOVIMETRA_CLOCK_START=2024-03-14 10:00:00", "MOVIMETRA_SENSOR=none",
             "MOVIMETRA_DATA_DIR=" + data, "MOVIMETRA_INSTANCE=" + key, "MOVIMETRA_SCRIPT=" + scriptFile},
            log);
    }
    bool WaitForFile(const std::string& path) {
        for (int i = 0; i < 3000 && !fs::exists(path); ++i) usleep(10000);
        return fs::exists(path);
    }
    const CTempDir temp{shelltest::kTempPrefix};
    const std::string dir = temp.Path();
    const std::string data = dir + "/data";
    const std::string db = data + "/Movimetra.db";
    std::string first;
    std::string second;
};

TEST_F(OneProgramTest, ASecondProgramOnTheSameDatabaseEndsAtOnce) {
    const std::string key = std::to_string(getpid());
    // The first stays until it is told to go (its script ends without a quit).
    pid_t pid = Start(first, "first-" + key, "wait 500\nshot " + dir + "/ready.png\n", dir + "/first.txt");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForFile(dir + "/ready.png")) << shelltest::ReadTextFile(dir + "/first.txt");

    // Another install with another instance key: its socket cannot find the first, the lock can.
    pid_t other =
        Start(second, "second-" + key, "wait 500\nshot " + dir + "/second.png\nquit\n", dir + "/second.txt");
    ASSERT_GT(other, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(other, 60000);
    const std::string said = shelltest::ReadTextFile(dir + "/second.txt");
    EXPECT_TRUE(end.exited) << said;
    EXPECT_EQ(end.code, 0) << said;
    EXPECT_FALSE(fs::exists(dir + "/second.png")) << "the second program ran";
    EXPECT_NE(said.find("another Movimetra is running on the same database"), std::string::npos) << said;

    kill(pid, SIGTERM);
    EXPECT_TRUE(shelltest::WaitProgram(pid, 60000).exited);
    // Once the first is gone the second runs.
    other =
        Start(second, "second-" + key, "wait 500\nshot " + dir + "/second.png\nquit\n", dir + "/second.txt");
    end = shelltest::WaitProgram(other, 60000);
    EXPECT_TRUE(end.exited && end.code == 0) << shelltest::ReadTextFile(dir + "/second.txt");
    EXPECT_TRUE(fs::exists(dir + "/second.png"));
}

TEST_F(OneProgramTest, AProgramStartedWhileTheToolWritesWaitsAndThenRuns) {
    // The data tool's locks, as an import holds them while it writes.
    int tool = open(db.c_str(), O_RDWR | O_CLOEXEC);  // not shared with the program
    ASSERT_GE(tool, 0);
    ASSERT_TRUE(LockByte(tool, kToolLockByte));
    ASSERT_TRUE(LockByte(tool, kProgramLockByte));
    pid_t pid = Start(first, "wait-" + std::to_string(getpid()),
                      "wait 500\nshot " + dir + "/ready.png\nquit\n", dir + "/first.txt");
    ASSERT_GT(pid, 0);
    // It says so and waits, without a window or a connection.
    std::string said;
    for (int i = 0; i < 3000 && said.find("waiting") == std::string::npos; ++i) {
        usleep(10000);
        said = shelltest::ReadTextFile(dir + "/first.txt");
    }
    EXPECT_NE(said.find("movimetra-data is writing " + db + "; waiting until it ends"), std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(dir + "/ready.png"));
    close(tool);
    shelltest::ChildEnd end = shelltest::WaitProgram(pid, 60000);
    EXPECT_TRUE(end.exited && end.code == 0) << shelltest::ReadTextFile(dir + "/first.txt");
    EXPECT_TRUE(fs::exists(dir + "/ready.png"));
}

TEST_F(OneProgramTest, ASecondProgramFromTheSameFolderWithAnotherDataFolderSaysWhyItEnds) {
    const std::string key = "same-" + std::to_string(getpid());
    pid_t pid = Start(first, key, "wait 500\nshot " + dir + "/ready.png\n", dir + "/first.txt");
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitForFile(dir + "/ready.png")) << shelltest::ReadTextFile(dir + "/first.txt");
    const std::string elsewhere = dir + "/elsewhere";
    fs::create_directories(elsewhere);
    fs::permissions(elsewhere, fs::perms::owner_all);
    pid_t other = shelltest::SpawnProgram(
        first,
        {"MOVIMETRA_DISPLAY=headless", "MOVIMETRA_CLOCK=manual", "MOVIMETRA_SENSOR=none",
         "MOVIMETRA_DATA_DIR=" + elsewhere, "MOVIMETRA_INSTANCE=" + key},
        dir + "/other.txt");
    ASSERT_GT(other, 0);
    shelltest::ChildEnd end = shelltest::WaitProgram(other, 60000);
    const std::string said = shelltest::ReadTextFile(dir + "/other.txt");
    EXPECT_TRUE(end.exited && end.code == 0) << said;
    EXPECT_NE(said.find("Movimetra: another Movimetra is running from the same program folder"),
              std::string::npos)
        << said;
    EXPECT_FALSE(fs::exists(elsewhere + "/Movimetra.db"));
    kill(pid, SIGTERM);
    EXPECT_TRUE(shelltest::WaitProgram(pid, 60000).exited);
}

}  // namespace
