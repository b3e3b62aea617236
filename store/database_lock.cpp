// The database's lock through the platform's file locks (LockFileEx on bytes SQLite never locks).
#include "store/database_lock.h"

#include <cstdio>
#include <mutex>

#include "platform/windows.h"
#include "store/data_folder.h"
#include "store/program_folders.h"
#include "store/store_text.h"

namespace {

struct LockState {
    std::mutex mutex;
    HANDLE hFile = INVALID_HANDLE_VALUE;
    std::wstring path;
    int nUsers = 0;
};

LockState& State() {
    static LockState* state = new LockState;
    return *state;
}

BOOL LockByte(HANDLE file, unsigned byte, DWORD flags) {
    OVERLAPPED at{};
    at.Offset = byte;
    return LockFileEx(file, flags, 0, 1, 0, &at);
}

BOOL UnlockByte(HANDLE file, unsigned byte) {
    OVERLAPPED at{};
    at.Offset = byte;
    return UnlockFileEx(file, 0, 1, 0, &at);
}

void CloseLocked(LockState& s) {
    if (s.hFile != INVALID_HANDLE_VALUE) CloseHandle(s.hFile);
    s.hFile = INVALID_HANDLE_VALUE;
    s.path.clear();
    s.nUsers = 0;
}

}  // namespace

DatabaseLock LockDatabase(std::string* why) {
    LockState& s = State();
    std::lock_guard<std::mutex> guard(s.mutex);
    std::string problem;
    std::wstring folder = ProgramDataFolder(&problem);
    if (!problem.empty()) {
        if (why) *why = problem;
        return DatabaseLock::Unavailable;
    }
    std::wstring path = folder + StoreWideFromUtf8(kDatabaseFileName);
    if (s.hFile != INVALID_HANDLE_VALUE && s.path == path) return DatabaseLock::Held;
    CloseLocked(s);

    // Not through a symbolic link: the history is created, and kept, only where the folder says.
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (why)
            *why = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                       ? "is a folder"
                       : "cannot be opened for writing (a symbolic link is refused)";
        return DatabaseLock::Unavailable;
    }
    bool toldWaiting = false;
    for (;;) {
        if (LockByte(file, kProgramLockByte, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY)) break;
        if (LockByte(file, kToolLockByte, LOCKFILE_FAIL_IMMEDIATELY)) {
            UnlockByte(file, kToolLockByte);
            CloseHandle(file);
            return DatabaseLock::OtherProgram;
        }
        // The data tool imports or restores: the program starts once it is done.
        if (!toldWaiting) {
            std::fprintf(stderr, "Movimetra: movimetra-data is writing %s; waiting until it ends\n",
                         StoreUtf8FromWide(path.c_str()).c_str());
            std::fflush(stderr);
            toldWaiting = true;
        }
        if (LockByte(file, kToolLockByte, 0)) UnlockByte(file, kToolLockByte);
    }
    s.hFile = file;
    s.path = path;
    return DatabaseLock::Held;
}

void RetainDatabaseLock() {
    LockState& s = State();
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.hFile != INVALID_HANDLE_VALUE) ++s.nUsers;
}

void ReleaseDatabaseLock() {
    LockState& s = State();
    std::lock_guard<std::mutex> guard(s.mutex);
    if (s.hFile != INVALID_HANDLE_VALUE && --s.nUsers <= 0) CloseLocked(s);
}
