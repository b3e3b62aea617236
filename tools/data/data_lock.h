// The data tool's side of the database's lock (store/data_folder.h names the bytes): held while an
// import or a restore writes, so that no program runs on the file meanwhile and none is running
// when they start.
#pragma once

#include <string>

class CDataLock {
public:
    CDataLock() = default;
    CDataLock(const CDataLock&) = delete;
    CDataLock& operator=(const CDataLock&) = delete;
    ~CDataLock();

    enum class Result { Held, ProgramRuns, Failed };
    // Opens the database file (created, mode 0600, when missing; never through a symbolic link)
    // and locks it for writing. A program that starts meanwhile waits until the lock goes.
    Result Take(const std::string& dbPath, std::string* error);

private:
    int m_Fd = -1;
};
