// The database's folder and file as the program opens them: another program's lock keeps it out,
// the data tool's makes it wait; a folder that others may write or own, or a database file that is
// a symbolic link, is refused with "Cant open database" and nothing is made there; what the
// program makes is the user's alone whatever the umask.
#include "store/database_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "store/data_folder.h"
#include "store/database.h"
#include "testing/store_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

namespace fs = std::filesystem;
using store_test::StoreTest;

// A lock on one byte of the file, as another process (or the data tool) holds it.
bool LockByte(int fd, unsigned byte, short type = F_WRLCK) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool WaitingForALock() {
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line))
        if (line.find("-> OFDLCK") != std::string::npos) return true;
    return false;
}

unsigned Mode(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class DatabaseLockTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_FALSE(m_Dir.empty());
        chmod(m_Dir.c_str(), 0700);
        m_Data = m_Dir + "/data";
        setenv(kDataDirVariable, m_Data.c_str(), 1);
    }
    void TearDown() override {
        unsetenv(kDataDirVariable);
        MvSetMessageObserver(nullptr);
        MvSetScript("");
        StoreTest::TearDown();
    }
    // OpenDatabase failing with its box (answered with Enter); what went to standard error.
    std::string ExpectCantOpen() {
        testing::internal::CaptureStderr();
        bool boxShown = false;
        MvSetMessageObserver([&boxShown](HWND hWnd, UINT msg, WPARAM, LPARAM) {
            wchar_t title[64] = L"";
            if (msg == WM_PAINT && GetWindowTextW(hWnd, title, 64) > 0 && std::wstring(title) == L"Error")
                boxShown = true;
        });
        EXPECT_TRUE(MvSetScript("key ENTER\n"));
        sqlite3* db = nullptr;
        EXPECT_EQ(0, OpenDatabase(&db, m_hMain));
        EXPECT_EQ(nullptr, db);
        MvSetMessageObserver(nullptr);
        EXPECT_TRUE(boxShown);
        return testing::internal::GetCapturedStderr();
    }

    const CTempDir m_Temp{"mv_dblock_"};
    const std::string m_Dir = m_Temp.Path();
    std::string m_Data;
};

TEST_F(DatabaseLockTest, AnotherProgramsLockKeepsThisOneOutAndTheToolsMakesItWait) {
    fs::create_directory(m_Data);
    chmod(m_Data.c_str(), 0700);
    const std::string file = m_Data + "/Movimetra.db";
    int other = open(file.c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(other, 0);

    // Another program holds its byte: this one does not open the file.
    ASSERT_TRUE(LockByte(other, kProgramLockByte));
    std::string why;
    EXPECT_EQ(DatabaseLock::OtherProgram, LockDatabase(&why));
    close(other);

    // The data tool holds both bytes: this one waits until it lets go, then has the file alone.
    other = open(file.c_str(), O_RDWR);
    ASSERT_TRUE(LockByte(other, kToolLockByte));
    ASSERT_TRUE(LockByte(other, kProgramLockByte));
    // The tool lets go once the program is seen waiting (a blocked request in /proc/locks).
    std::thread tool([other] {
        for (int i = 0; i < 1000 && !WaitingForALock(); ++i) usleep(10 * 1000);
        close(other);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(DatabaseLock::Held, LockDatabase(&why));
    std::string said = testing::internal::GetCapturedStderr();
    tool.join();
    EXPECT_NE(said.find("movimetra-data is writing"), std::string::npos) << said;
    sqlite3* db = nullptr;
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    // Held now: a second program, or the tool, finds the byte taken.
    int late = open(file.c_str(), O_RDWR);
    EXPECT_FALSE(LockByte(late, kProgramLockByte));
    CloseDatabase(db);
    // Closed: the lock goes with the last connection.
    EXPECT_TRUE(LockByte(late, kProgramLockByte));
    close(late);
}

TEST_F(DatabaseLockTest, WhatTheProgramMakesIsPrivateWhateverTheUmask) {
    m_Data = m_Dir + "/new/data";
    setenv(kDataDirVariable, m_Data.c_str(), 1);
    mode_t old = umask(0);
    sqlite3* db = nullptr;
    ASSERT_EQ(1, OpenDatabase(&db, m_hMain));
    umask(old);
    CloseDatabase(db);
    EXPECT_EQ(0700u, Mode(m_Dir + "/new"));
    EXPECT_EQ(0700u, Mode(m_Data));
    EXPECT_EQ(0600u, Mode(m_Data + "/Movimetra.db"));
}

TEST_F(DatabaseLockTest, FoldersOthersMayWriteAndLinkedDatabasesAreRefused) {
    // A folder every user may write: refused as it is, nothing made in it.
    fs::create_directory(m_Data);
    chmod(m_Data.c_str(), 0777);
    std::string said = ExpectCantOpen();
    EXPECT_NE(said.find("Cant open database"), std::string::npos) << said;
    EXPECT_NE(said.find("may be written by group or others"), std::string::npos) << said;
    EXPECT_EQ(0777u, Mode(m_Data));
    EXPECT_FALSE(fs::exists(m_Data + "/Movimetra.db"));
    chmod(m_Data.c_str(), 0700);

    // A database that is a symbolic link (here dangling): refused, and nothing made at its target.
    fs::create_symlink(m_Dir + "/elsewhere.db", m_Data + "/Movimetra.db");
    said = ExpectCantOpen();
    EXPECT_NE(said.find("symbolic link"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(m_Dir + "/elsewhere.db"));
    fs::remove(m_Data + "/Movimetra.db");

    // A data folder that is a link to a folder of another user.
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make a folder of another user";
    const std::string foreign = m_Dir + "/foreign";
    fs::create_directory(foreign);
    ASSERT_EQ(0, chown(foreign.c_str(), 65534, 65534));
    chmod(foreign.c_str(), 0777);
    fs::remove(m_Data);
    fs::create_directory_symlink(foreign, m_Data);
    said = ExpectCantOpen();
    EXPECT_NE(said.find("belongs to another user"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(foreign + "/Movimetra.db"));
    chmod(foreign.c_str(), 0700);
    said = ExpectCantOpen();
    EXPECT_NE(said.find("belongs to another user"), std::string::npos) << said;
}

}  // namespace
