#include "tools/data/data_lock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/data_folder.h"

namespace {

// Open-file-description locks: closing another descriptor of the file (as SQLite does) keeps them.
bool LockByte(int fd, unsigned byte, bool wait) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    int rc;
    do {
        rc = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

}  // namespace

CDataLock::~CDataLock() {
    if (m_Fd >= 0) close(m_Fd);
}

CDataLock::Result CDataLock::Take(const std::string& dbPath, std::string* error) {
    int fd = open(dbPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = dbPath + ": " + (errno == ELOOP ? std::string("is a symbolic link") : std::strerror(errno));
        return Result::Failed;
    }
    // The tool's byte first (another import may hold it for a while: wait), then the program's:
    // a program that finds its byte held and the tool's too waits rather than ends.
    if (!LockByte(fd, kToolLockByte, true)) {
        *error = dbPath + ": cannot be locked: " + std::strerror(errno);
        close(fd);
        return Result::Failed;
    }
    if (!LockByte(fd, kProgramLockByte, false)) {
        close(fd);
        return Result::ProgramRuns;
    }
    m_Fd = fd;
    return Result::Held;
}
