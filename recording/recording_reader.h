// The one reader of sensor recordings, for the replay sensor source and the replay tool.
// A recording is text, one reading per line: "interval_ms,x,y,z", the interval 0..65535 and the
// raw readings in the signed 16-bit range. Blanks (spaces, tabs, carriage returns) around the
// numbers are ignored, so CRLF line ends are fine; blank lines and lines whose first non-blank
// character is '#' are skipped whatever their length; a data line is at most kMaxLineLength
// characters. A number out of its range, however many digits it has, is an error.
// Memory stays constant whatever the length of the file or of its lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct RecordingReading {
    uint16_t nIntervalMs;
    int16_t nX;
    int16_t nY;
    int16_t nZ;
};

class CRecordingReader {
public:
    // kPending: a non-blocking input (a pipe) has no complete line yet; ask again later.
    enum Result { kReading, kEnd, kError, kPending };

    static constexpr size_t kMaxLineLength = 4096;

    explicit CRecordingReader(size_t blockSize = 64 * 1024);
    ~CRecordingReader();
    CRecordingReader(const CRecordingReader&) = delete;
    CRecordingReader& operator=(const CRecordingReader&) = delete;

    // Opens a file. With nonBlocking, neither the opening nor any read waits: a FIFO without a
    // writer opens at once and Next() answers kPending until data or the writer's end come.
    // False with the reason in Error() when the file cannot be opened.
    bool Open(const std::string& path, bool nonBlocking);
    // Reads a descriptor the caller keeps open (standard input); name is used in messages.
    // With nonBlocking, a read is only tried when poll() finds data or a hang-up.
    void Attach(int fd, const std::string& name, bool nonBlocking = false);
    void Close();

    // The next reading. After kEnd or kError it keeps answering so.
    Result Next(RecordingReading* reading);

    // Why the last call failed: "NAME:LINE: reason" for a bad line, else the file's error.
    const std::string& Error() const { return m_strError; }
    // True when the error is the file's (open or read), not a line's; ErrorNumber() then holds errno.
    bool IsFileError() const { return m_nErrno != 0; }
    int ErrorNumber() const { return m_nErrno; }
    // Number of the line last read or refused (from 1).
    unsigned long long LineNumber() const { return m_nLine; }

    // Parses one line without its newline: kReading, kEnd for a blank or comment line, or
    // kError with the reason in *reason.
    static Result ParseLine(const char* begin, const char* end, RecordingReading* reading,
                            std::string* reason);

private:
    enum class Fill { kData, kEof, kPending, kError };
    Fill Refill();
    bool TryPlainLine(RecordingReading* reading);
    Result Fail(const std::string& reason);
    Result FailFile(int error);

    int m_nFd = -1;
    bool m_bOwnsFd = false;
    bool m_bNonBlocking = false;
    std::string m_strName;
    std::unique_ptr<char[]> m_pBuffer;
    size_t m_nCapacity;
    size_t m_nPos = 0;
    size_t m_nEnd = 0;
    bool m_bEof = true;
    Result m_eState = kEnd;  // kReading while lines may follow
    std::string m_strError;
    int m_nErrno = 0;
    unsigned long long m_nLine = 0;
    // A line longer than the buffer: its leading blanks dropped so far, or that it is a
    // comment being skipped to its end.
    size_t m_nLineSkipped = 0;
    bool m_bSkippingComment = false;
};
