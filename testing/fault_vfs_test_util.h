// Tests: storage faults on demand. A file layer registered as SQLite's default in front of the
// real one, passing everything through until a fault is armed: then every write answers as the
// real layer does on a full disk (SQLITE_FULL, from ENOSPC), or a new journal cannot be created,
// as in a folder that cannot be written (SQLITE_READONLY_DIRECTORY). Arm and disarm at any time,
// from any thread; connections opened before registration keep the real layer.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace fault_vfs {

enum Fault { NONE = 0, DISK_FULL = 1, FOLDER_READ_ONLY = 2 };

inline std::atomic<int>& Armed() {
    static std::atomic<int> fault{NONE};
    return fault;
}
inline void Arm(Fault fault) {
    Armed().store(fault);
}

struct File {
    sqlite3_file base;
    sqlite3_file* real;  // the real layer's file, stored right after this struct
};

inline sqlite3_vfs*& Real() {
    static sqlite3_vfs* real = nullptr;
    return real;
}

inline sqlite3_file* R(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

inline int Close(sqlite3_file* f) {
    return R(f)->pMethods->xClose(R(f));
}
inline int Read(sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
    return R(f)->pMethods->xRead(R(f), buf, n, off);
}
inline int Write(sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
    if (Armed().load() == DISK_FULL) return SQLITE_FULL;
    return R(f)->pMethods->xWrite(R(f), buf, n, off);
}
inline int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return R(f)->pMethods->xTruncate(R(f), size);
}
inline int Sync(sqlite3_file* f, int flags) {
    return R(f)->pMethods->xSync(R(f), flags);
}
inline int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return R(f)->pMethods->xFileSize(R(f), size);
}
inline int Lock(sqlite3_file* f, int level) {
    return R(f)->pMethods->xLock(R(f), level);
}
inline int Unlock(sqlite3_file* f, int level) {
    return R(f)->pMethods->xUnlock(R(f), level);
}
inline int CheckReservedLock(sqlite3_file* f, int* out) {
    return R(f)->pMethods->xCheckReservedLock(R(f), out);
}
inline int FileControl(sqlite3_file* f, int op, void* arg) {
    return R(f)->pMethods->xFileControl(R(f), op, arg);
}
inline int SectorSize(sqlite3_file* f) {
    return R(f)->pMethods->xSectorSize(R(f));
}
inline int DeviceCharacteristics(sqlite3_file* f) {
    return R(f)->pMethods->xDeviceCharacteristics(R(f));
}

// Version 1 methods only: the program uses a rollback journal, and memory mapping and shared
// memory stay off for files behind this layer.
inline const sqlite3_io_methods* Methods() {
    static const sqlite3_io_methods methods = {1,
                                               Close,
                                               Read,
                                               Write,
                                               Truncate,
                                               Sync,
                                               FileSize,
                                               Lock,
                                               Unlock,
                                               CheckReservedLock,
                                               FileControl,
                                               SectorSize,
                                               DeviceCharacteristics,
                                               nullptr,
                                               nullptr,
                                               nullptr,
                                               nullptr,
                                               nullptr,
                                               nullptr};
    return &methods;
}

inline int Open(sqlite3_vfs* vfs, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    File* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    if (Armed().load() == FOLDER_READ_ONLY && (flags & SQLITE_OPEN_MAIN_JOURNAL))
        return SQLITE_READONLY_DIRECTORY;
    int rc = Real()->xOpen(Real(), name, file->real, flags, outFlags);
    if (file->real->pMethods) file->base.pMethods = Methods();
    return rc;
}
inline int Delete(sqlite3_vfs*, const char* name, int syncDir) {
    return Real()->xDelete(Real(), name, syncDir);
}
inline int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return Real()->xAccess(Real(), name, flags, out);
}
inline int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
    return Real()->xFullPathname(Real(), name, n, out);
}
inline int Randomness(sqlite3_vfs*, int n, char* out) {
    return Real()->xRandomness(Real(), n, out);
}
inline int SleepFor(sqlite3_vfs*, int us) {
    return Real()->xSleep(Real(), us);
}
inline int CurrentTime(sqlite3_vfs*, double* out) {
    return Real()->xCurrentTime(Real(), out);
}
inline int GetLastError(sqlite3_vfs*, int n, char* out) {
    return Real()->xGetLastError ? Real()->xGetLastError(Real(), n, out) : 0;
}

// Puts the layer in front of the default one (once per process).
inline void Install() {
    static sqlite3_vfs vfs;
    if (Real()) return;
    sqlite3_initialize();
    Real() = sqlite3_vfs_find(nullptr);
    std::memset(&vfs, 0, sizeof vfs);
    vfs.iVersion = 1;
    vfs.szOsFile = static_cast<int>(sizeof(File)) + Real()->szOsFile;
    vfs.mxPathname = Real()->mxPathname;
    vfs.zName = "mv-fault";
    vfs.xOpen = Open;
    vfs.xDelete = Delete;
    vfs.xAccess = Access;
    vfs.xFullPathname = FullPathname;
    vfs.xRandomness = Randomness;
    vfs.xSleep = SleepFor;
    vfs.xCurrentTime = CurrentTime;
    vfs.xGetLastError = GetLastError;
    sqlite3_vfs_register(&vfs, 1);
}

}  // namespace fault_vfs
