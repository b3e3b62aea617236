#include "tools/stepcount/recording_scanner.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

const char* const kFieldNames[4] = {"interval", "x reading", "y reading", "z reading"};

// One signed decimal integer with optional blanks around it. Values too large for 64 bits are
// marked as overflowed rather than wrapped.
struct ParsedField {
    int64_t nValue;
    bool bOverflow;
};

const char* ParseField(const char* p, const char* end, ParsedField* field) {
    while (p < end && IsBlank(*p)) ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) {
        negative = (*p == '-');
        ++p;
    }
    const char* digits = p;
    uint64_t value = 0;
    bool overflow = false;
    while (p < end && static_cast<unsigned char>(*p - '0') < 10) {
        if (value > (UINT64_C(1) << 62))
            overflow = true;
        else
            value = value * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    if (p == digits) return nullptr;
    while (p < end && IsBlank(*p)) ++p;
    field->bOverflow = overflow;
    field->nValue = negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    return p;
}

}  // namespace

CRecordingScanner::CRecordingScanner(FILE* file, size_t blockSize)
    : m_pFile(file), m_nCapacity(blockSize < 4 * kMaxLineLength ? 4 * kMaxLineLength : blockSize) {
    m_pBuffer.reset(new char[m_nCapacity]);
}

ScanResult CRecordingScanner::ParseLine(const char* begin, const char* end, RecordingReading* reading,
                                        char* errorText, size_t errorSize) {
    const char* p = begin;
    while (p < end && IsBlank(*p)) ++p;
    if (p == end || *p == '#') return ScanResult::End;

    ParsedField fields[4];
    for (int i = 0; i < 4; ++i) {
        p = ParseField(p, end, &fields[i]);
        if (!p || (i < 3 && (p == end || *p != ','))) {
            snprintf(errorText, errorSize, "expected four comma-separated integers (interval_ms,x,y,z)");
            return ScanResult::Error;
        }
        if (i < 3) ++p;
    }
    if (p != end) {
        snprintf(errorText, errorSize, "unexpected text after the fourth value");
        return ScanResult::Error;
    }
    for (int i = 0; i < 4; ++i) {
        const int64_t lo = (i == 0) ? 0 : -32768;
        const int64_t hi = (i == 0) ? 65535 : 32767;
        if (!fields[i].bOverflow && fields[i].nValue >= lo && fields[i].nValue <= hi) continue;
        const char* range = (i == 0) ? "0..65535" : "the signed 16-bit range -32768..32767";
        if (fields[i].bOverflow)
            snprintf(errorText, errorSize, "%s out of range (%s)", kFieldNames[i], range);
        else
            snprintf(errorText, errorSize, "%s %" PRId64 " out of range (%s)", kFieldNames[i],
                     fields[i].nValue, range);
        return ScanResult::Error;
    }
    reading->nIntervalMs = static_cast<uint16_t>(fields[0].nValue);
    reading->nX = static_cast<int16_t>(fields[1].nValue);
    reading->nY = static_cast<int16_t>(fields[2].nValue);
    reading->nZ = static_cast<int16_t>(fields[3].nValue);
    return ScanResult::Reading;
}

bool CRecordingScanner::Refill() {
    if (m_bEof) return false;
    size_t rest = m_nEnd - m_nPos;
    if (rest && m_nPos) memmove(m_pBuffer.get(), m_pBuffer.get() + m_nPos, rest);
    m_nPos = 0;
    m_nEnd = rest;
    errno = 0;
    size_t got = fread(m_pBuffer.get() + m_nEnd, 1, m_nCapacity - m_nEnd, m_pFile);
    m_nEnd += got;
    if (got == 0) {
        m_bEof = true;
        m_bReadError = ferror(m_pFile) != 0;
        m_nReadErrno = errno;
        return false;
    }
    return true;
}

ScanResult CRecordingScanner::Fail(const char* text) {
    snprintf(m_szError, sizeof m_szError, "%s", text);
    m_bFailed = true;
    return ScanResult::Error;
}

bool CRecordingScanner::SkipRestOfLine() {
    for (;;) {
        const char* start = m_pBuffer.get() + m_nPos;
        const void* nl = memchr(start, '\n', m_nEnd - m_nPos);
        if (nl) {
            m_nPos = static_cast<size_t>(static_cast<const char*>(nl) - m_pBuffer.get()) + 1;
            return true;
        }
        m_nPos = m_nEnd;
        if (!Refill()) return false;
    }
}

bool CRecordingScanner::TryPlainLine(RecordingReading* reading) {
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
        if (!digits) return false;
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

ScanResult CRecordingScanner::Next(RecordingReading* reading) {
    if (m_bFailed) return ScanResult::Error;
    if (m_nLineSkipped == 0 && TryPlainLine(reading)) return ScanResult::Reading;
    for (;;) {
        char* buf = m_pBuffer.get();
        const char* start = buf + m_nPos;
        const char* nl = static_cast<const char*>(memchr(start, '\n', m_nEnd - m_nPos));
        if (!nl) {
            if (m_nEnd - m_nPos >= kMaxLineLength) {
                // A very long line: leading blanks are dropped (and counted), a comment is
                // skipped whole, anything else cannot be a reading.
                while (m_nPos < m_nEnd && IsBlank(buf[m_nPos])) {
                    ++m_nPos;
                    ++m_nLineSkipped;
                }
                if (m_nPos == m_nEnd) continue;
                if (buf[m_nPos] == '#') {
                    ++m_nLine;
                    m_nLineSkipped = 0;
                    if (!SkipRestOfLine()) break;
                    continue;
                }
                if (m_nEnd - m_nPos >= kMaxLineLength) {
                    ++m_nLine;
                    return Fail("line too long");
                }
            }
            if (Refill()) continue;
            if (m_bReadError) {
                ++m_nLine;
                return Fail("read error");
            }
            if (m_nPos == m_nEnd) return ScanResult::End;
            start = buf + m_nPos;  // Refill may have moved the rest to the front
            nl = buf + m_nEnd;     // last line without a newline
        }
        const char* lineEnd = nl;
        const size_t lineLength = m_nLineSkipped + static_cast<size_t>(lineEnd - start);
        m_nLineSkipped = 0;
        m_nPos = static_cast<size_t>(nl - buf) + (nl < buf + m_nEnd ? 1 : 0);
        ++m_nLine;
        ScanResult r = ParseLine(start, lineEnd, reading, m_szError, sizeof m_szError);
        if (r == ScanResult::End) continue;
        if (lineLength > kMaxLineLength) return Fail("line too long");
        if (r == ScanResult::Error) m_bFailed = true;
        return r;
    }
    if (m_bReadError) return Fail("read error");
    return ScanResult::End;
}
