// Streaming reader of sensor recordings: one reading per line, "interval_ms,x,y,z", with raw
// signed 16-bit readings and an interval of 0..65535 ms. Lines starting with '#' and empty lines
// are skipped; blanks around the numbers and a CR before the line end are allowed.
// Constant memory whatever the file size; no platform calls, so tools may use it too.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct RecordingLine {
    uint16_t nIntervalMs;
    int16_t x;
    int16_t y;
    int16_t z;
};

class CRecordingReader {
public:
    enum Result { kReading, kEnd, kError };

    CRecordingReader();
    ~CRecordingReader();
    CRecordingReader(const CRecordingReader&) = delete;
    CRecordingReader& operator=(const CRecordingReader&) = delete;

    // Opens a file ("-" reads standard input). On failure, Error() tells why.
    bool Open(const std::string& path);
    // Reads from a stream the caller owns; name is used in messages.
    void Attach(FILE* stream, const std::string& name);
    void Close();

    // The next reading; kEnd at the end of the input; kError on a malformed line or a read
    // error (Error() then holds "FILE:LINE: reason"). After kEnd or kError it keeps answering so.
    Result Next(RecordingLine* line);

    const std::string& Error() const { return m_strError; }
    // Number of the line last read (1-based).
    long LineNumber() const { return m_nLine; }

private:
    bool Fill();
    Result Fail(const char* reason);
    bool ParseLine(const char* begin, const char* end, RecordingLine* line, const char** reason);

    FILE* m_pFile;
    bool m_bOwnsFile;
    std::string m_strName;
    std::string m_strError;
    long m_nLine;
    Result m_eState;
    char* m_pBuffer;
    size_t m_nStart;
    size_t m_nEnd;
    bool m_bEof;
};
