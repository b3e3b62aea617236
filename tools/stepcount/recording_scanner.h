// Streaming reader of recording files: one reading per line, "interval_ms,x,y,z" with raw
// signed 16-bit readings; lines whose first non-blank character is '#' and blank lines are
// skipped. Reads in large blocks and parses integers by hand; memory stays constant whatever
// the file's length or its lines' lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

struct RecordingReading {
    uint16_t nIntervalMs;
    int16_t nX;
    int16_t nY;
    int16_t nZ;
};

enum class ScanResult { Reading, End, Error };

class CRecordingScanner {
public:
    // Longest data line accepted (in bytes, without its newline); comment and blank lines are
    // skipped whatever their length.
    static constexpr size_t kMaxLineLength = 4096;

    explicit CRecordingScanner(FILE* file, size_t blockSize = 1 << 20);

    // Reads the next reading. On Error, ErrorText() says what is wrong and LineNumber() where;
    // the scanner stays at the error (further calls return Error again).
    ScanResult Next(RecordingReading* reading);

    // Line number (from 1) of the last reading or of the error.
    unsigned long long LineNumber() const { return m_nLine; }
    const char* ErrorText() const { return m_szError; }
    // True when the error is the file's, not its content's; ReadErrno() then holds errno.
    bool IsReadError() const { return m_bReadError; }
    int ReadErrno() const { return m_nReadErrno; }

    // Parses one line (without its newline). Returns Reading, End for a comment or blank line,
    // or Error with the reason in errorText (of errorSize bytes).
    static ScanResult ParseLine(const char* begin, const char* end, RecordingReading* reading,
                                char* errorText, size_t errorSize);

private:
    // Reads a plain line at the current position directly; false leaves everything unchanged.
    bool TryPlainLine(RecordingReading* reading);
    bool Refill();
    ScanResult Fail(const char* text);
    // Discards input up to and including the next newline (a long comment line).
    bool SkipRestOfLine();

    FILE* m_pFile;
    std::unique_ptr<char[]> m_pBuffer;
    size_t m_nCapacity;
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
    bool m_bEof = false;
    bool m_bReadError = false;
    int m_nReadErrno = 0;
    bool m_bFailed = false;
    unsigned long long m_nLine = 0;
    size_t m_nLineSkipped = 0;  // leading blanks of the current line already dropped
    char m_szError[160] = "";
};
