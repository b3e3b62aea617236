// Files: a new file is private whatever the umask, a symbolic link is not followed when asked,
// byte locks hold against every other handle (in this process too) until unlocked or closed,
// and a move that may not replace leaves an existing target alone.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/core_state.h"
#include "platform/core/core_test_util.h"
#include "platform/win_files.h"
#include "testing/temp_dir_test_util.h"

namespace {

namespace fs = std::filesystem;

HANDLE Open(const std::string& path, DWORD flags = 0) {
    return CreateFileW(mv::Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | flags, nullptr);
}

BOOL Lock(HANDLE h, DWORD byte, DWORD flags) {
    OVERLAPPED at{};
    at.Offset = byte;
    return LockFileEx(h, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at);
}

TEST(CoreFilesTest, NewFilesArePrivateAndLinksAreNotFollowedWhenAsked) {
    const CTempDir temp{"mv_core_files_"};
    const std::string file = temp.Path() + "/a.db";
    mode_t old = umask(0);
    HANDLE h = Open(file);
    umask(old);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(file).permissions());
    EXPECT_TRUE(CloseHandle(h));

    fs::create_symlink(temp.Path() + "/target.db", temp.Path() + "/link.db");
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(temp.Path() + "/link.db", FILE_FLAG_OPEN_REPARSE_POINT));
    EXPECT_FALSE(fs::exists(temp.Path() + "/target.db"));
    EXPECT_EQ(INVALID_HANDLE_VALUE, Open(temp.Path(), FILE_FLAG_OPEN_REPARSE_POINT));  // a folder

    std::ofstream(temp.Path() + "/b.db") << "b";
    EXPECT_FALSE(MoveFileExW(mv::Utf8ToWide(file).c_str(), mv::Utf8ToWide(temp.Path() + "/b.db").c_str(), 0));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(MoveFileExW(mv::Utf8ToWide(file).c_str(), mv::Utf8ToWide(temp.Path() + "/c.db").c_str(), 0));
    EXPECT_FALSE(fs::exists(file));
}

TEST(CoreFilesTest, ByteLocksHoldAgainstEveryOtherHandleUntilReleased) {
    const CTempDir temp{"mv_core_files_"};
    const std::string file = temp.Path() + "/a.db";
    HANDLE first = Open(file);
    HANDLE second = Open(file);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Lock(first, 0, LOCKFILE_EXCLUSIVE_LOCK));
    EXPECT_FALSE(Lock(second, 0, LOCKFILE_EXCLUSIVE_LOCK));
    EXPECT_FALSE(Lock(second, 0, 0));  // not even shared
    EXPECT_TRUE(Lock(second, 1, 0));   // another byte is free
    EXPECT_TRUE(Lock(first, 1, 0));    // and shared locks share
    // SQLite closing a descriptor of its own on the same file drops nothing.
    int other = open(file.c_str(), O_RDWR);
    close(other);
    EXPECT_FALSE(Lock(second, 0, LOCKFILE_EXCLUSIVE_LOCK));
    OVERLAPPED at{};
    EXPECT_TRUE(UnlockFileEx(first, 0, 1, 0, &at));
    EXPECT_TRUE(Lock(second, 0, LOCKFILE_EXCLUSIVE_LOCK));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(Lock(first, 0, LOCKFILE_EXCLUSIVE_LOCK));  // closing released it
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_FALSE(Lock(first, 0, LOCKFILE_EXCLUSIVE_LOCK));  // a closed handle
}

}  // namespace
