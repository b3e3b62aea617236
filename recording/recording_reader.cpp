#include "recording/recording_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

const char* const kFieldNames[4] = {"interval", "x reading", "y reading", "z reading"};
const char kShapeError[] = "expected four comma-separated integers (interval_ms,x,y,z)";

// Magnitudes above this are only "too large": no field's range comes near it.
const uint32_t kLargestKept = 999999;

// One signed decimal integer with optional blanks around it.
struct ParsedField {
    int64_t nValue;
    bool bTooLarge;
};

const char* ParseField(const char* p, const char* end, ParsedField* field) {
    while (p < end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = *p == '-';
        ++p;
    }
    const char* digits = p;
    uint32_t magnitude = 0;
    bool tooLarge = false;
    unsigned d;
    while (p < end && (d = static_cast<unsigned char>(*p) - '0') < 10) {
        if (!tooLarge) {
            magnitude = magnitude * 10 + d;
            tooLarge = magnitude > kLargestKept;
        }
        ++p;
    }
    if (p == digits) return nullptr;
    while (p < end && IsBlank(*p)) ++p;
    field->bTooLarge = tooLarge;
    field->nValue = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return p;
}

}  // namespace

CRecordingReader::CRecordingReader(size_t blockSize)
    : m_nCapacity(blockSize < 4 * kMaxLineLength ? 4 * kMaxLineLength : blockSize) {}

CRecordingReader::~CRecordingReader() {
    Close();
}

bool CRecordingReader::Open(const std::string& path, bool nonBlocking) {
    Close();
    int fd;
    do {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | (nonBlocking ? O_NONBLOCK : 0));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_nErrno = errno;
        m_strError = path + ": " + std::strerror(m_nErrno);
        return false;
    }
    Attach(fd, path, nonBlocking);
    m_bOwnsFd = true;
    return true;
}

void CRecordingReader::Attach(int fd, const std::string& name, bool nonBlocking) {
    Close();
    m_nFd = fd;
    m_bNonBlocking = nonBlocking;
    m_strName = name;
    if (!m_pBuffer) m_pBuffer.reset(new char[m_nCapacity]);
    m_bEof = false;
    m_eState = kReading;
}

void CRecordingReader::Close() {
    if (m_bOwnsFd && m_nFd >= 0) close(m_nFd);
    m_nFd = -1;
    m_bOwnsFd = false;
    m_bNonBlocking = false;
    m_nPos = m_nEnd = 0;
    m_bEof = true;
    m_eState = kEnd;
    m_strError.clear();
    m_nErrno = 0;
    m_nLine = 0;
    m_nLineSkipped = 0;
    m_bSkippingComment = false;
}

CRecordingReader::Result CRecordingReader::ParseLine(const char* begin, const char* end,
                                                     RecordingReading* reading, std::string* reason) {
    const char* p = begin;
    while (p < end && IsBlank(*p)) ++p;
    if (p == end || *p == '#') return kEnd;

    ParsedField fields[4];
    for (int i = 0; i < 4; ++i) {
        p = ParseField(p, end, &fields[i]);
        if (p == nullptr || (i < 3 && (p == end || *p != ','))) {
            *reason = kShapeError;
            return kError;
        }
        if (i < 3) ++p;
    }
    if (p != end) {
        *reason = "unexpected text after the fourth value";
        return kError;
    }
    for (int i = 0; i < 4; ++i) {
        const int64_t lo = i == 0 ? 0 : -32768;
        const int64_t hi = i == 0 ? 65535 : 32767;
        if (!fields[i].bTooLarge && fields[i].nValue >= lo && fields[i].nValue <= hi) continue;
        *reason = kFieldNames[i];
        if (!fields[i].bTooLarge) *reason += " " + std::to_string(fields[i].nValue);
        *reason +=
            i == 0 ? " out of range (0..65535)" : " out of range (the signed 16-bit range -32768..32767)";
        return kError;
    }
    reading->nIntervalMs = static_cast<uint16_t>(fields[0].nValue);
    reading->nX = static_cast<int16_t>(fields[1].nValue);
    reading->nY = static_cast<int16_t>(fields[2].nValue);
    reading->nZ = static_cast<int16_t>(fields[3].nValue);
    return kReading;
}

CRecordingReader::Fill CRecordingReader::Refill() {
    if (m_bEof) return Fill::kEof;
    if (m_nPos == m_nEnd) {
        m_nPos = m_nEnd = 0;
    } else if (m_nPos > 0) {
        std::memmove(m_pBuffer.get(), m_pBuffer.get() + m_nPos, m_nEnd - m_nPos);
        m_nEnd -= m_nPos;
        m_nPos = 0;
    }
    if (m_nEnd == m_nCapacity) {
        errno = ENOBUFS;  // cannot happen: a partial line never fills the buffer
        return Fill::kError;
    }
    if (m_bNonBlocking) {
        // A FIFO that never had a writer reads as empty, not as ended: only data or a hang-up
        // (its writer has gone) make a read worth doing.
        pollfd p{m_nFd, POLLIN, 0};
        int n;
        do {
            n = poll(&p, 1, 0);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return Fill::kError;
        if (n == 0) return Fill::kPending;
    }
    ssize_t n;
    do {
        n = read(m_nFd, m_pBuffer.get() + m_nEnd, m_nCapacity - m_nEnd);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        m_nEnd += static_cast<size_t>(n);
        return Fill::kData;
    }
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? Fill::kPending : Fill::kError;
    m_bEof = true;
    return Fill::kEof;
}

CRecordingReader::Result CRecordingReader::Fail(const std::string& reason) {
    m_strError = m_strName + ":" + std::to_string(m_nLine) + ": " + reason;
    m_eState = kError;
    return kError;
}

CRecordingReader::Result CRecordingReader::FailFile(int error) {
    m_nErrno = error;
    m_strError = m_strName + ": " + std::strerror(error);
    m_eState = kError;
    return kError;
}

bool CRecordingReader::TryPlainLine(RecordingReading* reading) {
    // The common line: four plain integers, no blanks, at most six digits each, "\n" or "\r\n".
    // Anything else (or a line cut by the end of the buffer) goes the general way.
    const char* p = m_pBuffer.get() + m_nPos;
    const char* const end = m_pBuffer.get() + m_nEnd;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool negative = false;
        if (p < end && *p == '-') {
            negative = true;
            ++p;
        }
        int value = 0;
        int digits = 0;
        unsigned d;
        while (p < end && (d = static_cast<unsigned char>(*p) - '0') < 10) {
            value = value * 10 + static_cast<int>(d);
            ++p;
            if (++digits > 6) return false;
        }
        if (digits == 0) return false;
        values[i] = negative ? -value : value;
        if (i < 3) {
            if (p >= end || *p != ',') return false;
            ++p;
        }
    }
    if (p < end && *p == '\r') ++p;
    if (p >= end || *p != '\n') return false;
    if (values[0] < 0 || values[0] > 65535) return false;
    for (int i = 1; i < 4; ++i)
        if (values[i] < -32768 || values[i] > 32767) return false;
    reading->nIntervalMs = static_cast<uint16_t>(values[0]);
    reading->nX = static_cast<int16_t>(values[1]);
    reading->nY = static_cast<int16_t>(values[2]);
    reading->nZ = static_cast<int16_t>(values[3]);
    m_nPos = static_cast<size_t>(p - m_pBuffer.get()) + 1;
    ++m_nLine;
    return true;
}

CRecordingReader::Result CRecordingReader::Next(RecordingReading* reading) {
    if (m_eState != kReading) return m_eState;
    if (m_nLineSkipped == 0 && !m_bSkippingComment && TryPlainLine(reading)) return kReading;
    for (;;) {
        char* buf = m_pBuffer.get();
        const char* start = buf + m_nPos;
        const char* nl = static_cast<const char*>(std::memchr(start, '\n', m_nEnd - m_nPos));
        if (m_bSkippingComment) {
            // The rest of a comment longer than the buffer.
            m_nPos = nl != nullptr ? static_cast<size_t>(nl - buf) + 1 : m_nEnd;
            m_bSkippingComment = nl == nullptr;
            if (nl != nullptr) continue;
        } else if (nl != nullptr || (m_bEof && m_nPos < m_nEnd)) {
            const char* lineEnd = nl != nullptr ? nl : buf + m_nEnd;
            const size_t lineLength = m_nLineSkipped + static_cast<size_t>(lineEnd - start);
            m_nLineSkipped = 0;
            m_nPos = static_cast<size_t>(lineEnd - buf) + (nl != nullptr ? 1 : 0);
            ++m_nLine;
            std::string reason;
            Result r = ParseLine(start, lineEnd, reading, &reason);
            if (r == kEnd) continue;
            if (lineLength > kMaxLineLength) return Fail("line too long");
            if (r == kError) return Fail(reason);
            return kReading;
        } else if (m_nEnd - m_nPos >= kMaxLineLength) {
            // A long line so far: its leading blanks are dropped (and counted), a comment is
            // skipped whole, anything else is too long for a reading.
            while (m_nPos < m_nEnd && IsBlank(buf[m_nPos])) {
                ++m_nPos;
                ++m_nLineSkipped;
            }
            if (m_nPos < m_nEnd && buf[m_nPos] == '#') {
                ++m_nLine;
                m_nLineSkipped = 0;
                m_bSkippingComment = true;
                continue;
            }
            if (m_nPos < m_nEnd && m_nLineSkipped + (m_nEnd - m_nPos) > kMaxLineLength) {
                ++m_nLine;
                m_nLineSkipped = 0;
                return Fail("line too long");
            }
        }
        switch (Refill()) {
            case Fill::kData:
                break;
            case Fill::kPending:
                return kPending;
            case Fill::kError:
                return FailFile(errno);
            case Fill::kEof:
                if (m_nPos == m_nEnd) {
                    m_eState = kEnd;
                    return kEnd;
                }
                break;
        }
    }
}
