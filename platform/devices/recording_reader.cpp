#include "platform/devices/recording_reader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Longest line accepted; a recording line is at most about 30 characters.
const size_t kBufferSize = 64 * 1024;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Parses an optionally signed decimal integer at *p (after blanks), clamping the magnitude so
// that huge numbers stay out of range without overflowing.
bool ParseInteger(const char** p, const char* end, long* value) {
    const char* s = *p;
    while (s < end && IsBlank(*s)) ++s;
    bool negative = false;
    if (s < end && (*s == '-' || *s == '+')) {
        negative = *s == '-';
        ++s;
    }
    if (s == end || *s < '0' || *s > '9') return false;
    long v = 0;
    while (s < end && *s >= '0' && *s <= '9') {
        if (v < 1000000) v = v * 10 + (*s - '0');
        ++s;
    }
    while (s < end && IsBlank(*s)) ++s;
    *value = negative ? -v : v;
    *p = s;
    return true;
}

}  // namespace

CRecordingReader::CRecordingReader()
    : m_pFile(nullptr),
      m_bOwnsFile(false),
      m_nLine(0),
      m_eState(kEnd),
      m_pBuffer(nullptr),
      m_nStart(0),
      m_nEnd(0),
      m_bEof(true) {}

CRecordingReader::~CRecordingReader() {
    Close();
}

bool CRecordingReader::Open(const std::string& path) {
    Close();
    if (path == "-") {
        Attach(stdin, "-");
        return true;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        m_strError = path + ": " + std::strerror(errno);
        return false;
    }
    Attach(file, path);
    m_bOwnsFile = true;
    return true;
}

void CRecordingReader::Attach(FILE* stream, const std::string& name) {
    Close();
    m_pFile = stream;
    m_strName = name;
    m_strError.clear();
    m_nLine = 0;
    m_eState = kReading;
    m_pBuffer = static_cast<char*>(std::malloc(kBufferSize));
    m_nStart = 0;
    m_nEnd = 0;
    m_bEof = false;
    if (m_pBuffer == nullptr) Fail("out of memory");
}

void CRecordingReader::Close() {
    if (m_pFile != nullptr && m_bOwnsFile) std::fclose(m_pFile);
    m_pFile = nullptr;
    m_bOwnsFile = false;
    std::free(m_pBuffer);
    m_pBuffer = nullptr;
    m_nStart = m_nEnd = 0;
    m_bEof = true;
    m_eState = kEnd;
}

bool CRecordingReader::Fill() {
    if (m_nStart > 0) {
        std::memmove(m_pBuffer, m_pBuffer + m_nStart, m_nEnd - m_nStart);
        m_nEnd -= m_nStart;
        m_nStart = 0;
    }
    size_t n = std::fread(m_pBuffer + m_nEnd, 1, kBufferSize - m_nEnd, m_pFile);
    m_nEnd += n;
    if (n == 0) {
        if (std::ferror(m_pFile)) return false;
        m_bEof = true;
    }
    return true;
}

CRecordingReader::Result CRecordingReader::Fail(const char* reason) {
    m_strError = m_strName + ":" + std::to_string(m_nLine) + ": " + reason;
    m_eState = kError;
    return kError;
}

bool CRecordingReader::ParseLine(const char* begin, const char* end, RecordingLine* line,
                                 const char** reason) {
    long values[4];
    const char* p = begin;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (p == end || *p != ',') {
                *reason = "expected four integers separated by commas (interval_ms,x,y,z)";
                return false;
            }
            ++p;
        }
        if (!ParseInteger(&p, end, &values[i])) {
            *reason = "expected four integers separated by commas (interval_ms,x,y,z)";
            return false;
        }
    }
    if (p != end) {
        *reason = "unexpected text after the fourth number";
        return false;
    }
    if (values[0] < 0 || values[0] > 65535) {
        *reason = "interval outside 0..65535 ms";
        return false;
    }
    for (int i = 1; i < 4; ++i) {
        if (values[i] < -32768 || values[i] > 32767) {
            *reason = "reading outside the signed 16-bit range";
            return false;
        }
    }
    line->nIntervalMs = static_cast<uint16_t>(values[0]);
    line->x = static_cast<int16_t>(values[1]);
    line->y = static_cast<int16_t>(values[2]);
    line->z = static_cast<int16_t>(values[3]);
    return true;
}

CRecordingReader::Result CRecordingReader::Next(RecordingLine* line) {
    while (m_eState == kReading) {
        const char* data = m_pBuffer + m_nStart;
        size_t avail = m_nEnd - m_nStart;
        const char* nl = static_cast<const char*>(std::memchr(data, '\n', avail));
        if (nl == nullptr && !m_bEof) {
            if (avail == kBufferSize) {
                ++m_nLine;
                return Fail("line too long");
            }
            if (!Fill()) {
                ++m_nLine;
                return Fail("read error");
            }
            continue;
        }
        if (nl == nullptr && avail == 0) {
            m_eState = kEnd;
            break;
        }
        const char* end = nl != nullptr ? nl : data + avail;
        m_nStart += static_cast<size_t>(end - data) + (nl != nullptr ? 1 : 0);
        ++m_nLine;
        if (end > data && end[-1] == '\r') --end;
        const char* begin = data;
        while (begin < end && IsBlank(*begin)) ++begin;
        if (begin == end || *begin == '#') continue;
        const char* reason = nullptr;
        if (!ParseLine(begin, end, line, &reason)) return Fail(reason);
        return kReading;
    }
    return m_eState;
}
