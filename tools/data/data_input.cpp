#include "tools/data/data_input.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Pages given back at a time.
constexpr size_t kReleaseStep = 8u << 20;

int CopyOfStandardInput(std::string* error) {
    int fd = open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = std::string("no temporary file for standard input: ") + std::strerror(errno);
        return -1;
    }
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = read(0, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            *error = std::string("standard input: ") + std::strerror(errno);
            close(fd);
            return -1;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(fd, buffer + done, static_cast<size_t>(n - done));
            if (w <= 0) {
                *error = std::string("temporary copy of standard input: ") + std::strerror(errno);
                close(fd);
                return -1;
            }
            done += w;
        }
    }
    return fd;
}

}  // namespace

CDataInput::~CDataInput() {
    if (m_pMap) munmap(m_pMap, m_nSize);
    if (m_Fd >= 0) close(m_Fd);
}

bool CDataInput::Open(const std::string& file, std::string* error) {
    m_Fd = file == "-" ? CopyOfStandardInput(error) : open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_Fd < 0) {
        if (file != "-") *error = file + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(m_Fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = file + ": not a file";
        return false;
    }
    m_nSize = static_cast<size_t>(st.st_size);
    if (m_nSize == 0) return true;
    void* map = mmap(nullptr, m_nSize, PROT_READ, MAP_PRIVATE, m_Fd, 0);
    if (map == MAP_FAILED) {
        *error = file + ": " + std::strerror(errno);
        return false;
    }
    m_pMap = static_cast<char*>(map);
    madvise(m_pMap, m_nSize, MADV_SEQUENTIAL);
    m_Text = std::string_view(m_pMap, m_nSize);
    return true;
}

void CDataInput::Done(size_t pos) {
    if (m_pMap == nullptr || pos < m_nReleased + kReleaseStep) return;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t upTo = pos / page * page;
    // The pages read back from the file should they be needed again; nothing is lost.
    madvise(m_pMap + m_nReleased, upTo - m_nReleased, MADV_DONTNEED);
    m_nReleased = upTo;
}
