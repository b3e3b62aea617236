// Files, folders and the environment on POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/core/core_state.h"
#include "platform/mv_platform.h"
#include "platform/mv_private_group.h"
#include "platform/win_files.h"

using namespace mv;

mv::KernelObject::~KernelObject() {
    if (fd >= 0) close(fd);
}

namespace {

int FileDescriptor(HANDLE h) {
    Lock lk(CoreState().mutex);
    auto it = CoreState().objects.find(reinterpret_cast<uintptr_t>(h));
    return it == CoreState().objects.end() || it->second->kind != KernelObject::File ? -1 : it->second->fd;
}

// Open-file-description locks: they belong to the handle, not to the process, so closing another
// descriptor of the same file (as SQLite does) never drops them.
BOOL FileLock(HANDLE h, short type, bool wait, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
    int fd = FileDescriptor(h);
    if (fd < 0 || overlapped == nullptr) return FALSE;
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    const uint64_t start = (uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset;
    const uint64_t length = (uint64_t(bytesHigh) << 32) | bytesLow;
    if (start > uint64_t(LLONG_MAX) || length > uint64_t(LLONG_MAX)) return FALSE;
    lock.l_start = static_cast<off_t>(start);
    lock.l_len = static_cast<off_t>(length);
    int rc;
    do {
        rc = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? TRUE : FALSE;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD flags,
                   HANDLE) {
    if (path == nullptr || *path == 0) return INVALID_HANDLE_VALUE;
    int mode = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    int oflags = mode | O_CLOEXEC;
    if (flags & FILE_FLAG_OPEN_REPARSE_POINT) oflags |= O_NOFOLLOW;
    switch (creation) {
        case CREATE_NEW:
            oflags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            oflags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_ALWAYS:
            oflags |= O_CREAT;
            break;
        default:
            break;
    }
    std::string utf8 = WideToUtf8(path);
    int fd = open(utf8.c_str(), oflags, 0600);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat st;
    // Mode 0600 less the umask keeps a new file private; only plain files are opened.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    auto obj = std::make_shared<KernelObject>();
    obj->kind = KernelObject::File;
    obj->fd = fd;
    Lock lk(CoreState().mutex);
    Core& g = CoreState();
    uintptr_t value = g.nextObjectHandle;
    g.nextObjectHandle += 4;
    g.objects[value] = std::move(obj);
    return reinterpret_cast<HANDLE>(value);
}

BOOL LockFileEx(HANDLE file, DWORD flags, DWORD, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
    return FileLock(file, (flags & LOCKFILE_EXCLUSIVE_LOCK) ? F_WRLCK : F_RDLCK,
                    (flags & LOCKFILE_FAIL_IMMEDIATELY) == 0, bytesLow, bytesHigh, overlapped);
}

BOOL UnlockFileEx(HANDLE file, DWORD, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped) {
    return FileLock(file, F_UNLCK, false, bytesLow, bytesHigh, overlapped);
}

BOOL MoveFileExW(LPCWSTR existing, LPCWSTR target, DWORD flags) {
    if (existing == nullptr || target == nullptr) return FALSE;
    std::string from = WideToUtf8(existing);
    std::string to = WideToUtf8(target);
    if (flags & MOVEFILE_REPLACE_EXISTING) return rename(from.c_str(), to.c_str()) == 0 ? TRUE : FALSE;
    // Without replacing: a hard link fails when the target exists, then the old name goes.
    if (link(from.c_str(), to.c_str()) != 0) return FALSE;
    unlink(from.c_str());
    return TRUE;
}

const char* MvCheckPrivateFolder(LPCWSTR path, std::wstring* resolved) {
    if (path == nullptr || *path == 0) return "is not a folder";
    char* real = realpath(WideToUtf8(path).c_str(), nullptr);
    if (real == nullptr) return std::strerror(errno);
    std::string folder = real;
    std::free(real);
    if (resolved) *resolved = Utf8ToWide(folder);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "is not a folder";
    if (st.st_uid != getuid()) return "belongs to another user";
    if (st.st_mode & S_IWOTH) return "may be written by group or others";
    // Group write is the user's own where the group is the user's private group (umask 002).
    if ((st.st_mode & S_IWGRP) && !MvIsUsersPrivateGroup(st.st_gid, st.st_uid))
        return "may be written by group or others";
    return nullptr;
}

DWORD GetFileAttributesW(LPCWSTR path) {
    if (path == nullptr || *path == 0) return INVALID_FILE_ATTRIBUTES;
    std::string utf8 = WideToUtf8(path);
    struct stat st;
    if (stat(utf8.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (access(utf8.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    if (path == nullptr || *path == 0) return FALSE;
    return mkdir(WideToUtf8(path).c_str(), 0700) == 0 ? TRUE : FALSE;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (name == nullptr) return 0;
    const char* value = std::getenv(WideToUtf8(name).c_str());
    if (value == nullptr) return 0;
    std::wstring wide = Utf8ToWide(value);
    if (buffer == nullptr || wide.size() >= size) return static_cast<DWORD>(wide.size() + 1);
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}
