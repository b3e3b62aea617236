// Files, folders and the environment: what the program needs to find its data folder.
#pragma once

#include "platform/win_types.h"

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000u
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define LOCKFILE_FAIL_IMMEDIATELY 0x00000001u
#define LOCKFILE_EXCLUSIVE_LOCK 0x00000002u
#define MOVEFILE_REPLACE_EXISTING 0x00000001u

typedef struct _OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
} OVERLAPPED, *LPOVERLAPPED;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// INVALID_FILE_ATTRIBUTES when nothing is there. FILE_ATTRIBUTE_READONLY means this process may
// not write it (for a folder: may not create files in it), whatever its owner could do.
DWORD GetFileAttributesW(LPCWSTR path);
// Creates one folder. The program keeps personal data in the folders it creates, so they are
// private to the user (mode 0700); security attributes are ignored. FALSE when it exists already.
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes);
// The variable's value copied into buffer: returns its length without the terminator, or, when
// it does not fit, the size needed with the terminator; 0 when it is not set.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);

// Opens or creates a file (CloseHandle closes it). Files the program creates hold personal data:
// they are the user's alone (mode 0600), whatever the process's umask. Share modes are not
// enforced; LockFileEx is how processes keep out of each other's way. With
// FILE_FLAG_OPEN_REPARSE_POINT a symbolic link is not followed: opening one fails.
// INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creation, DWORD flagsAndAttributes, HANDLE templateFile);
// Locks bytes of an open file, from the OVERLAPPED's offset, against every other handle (in this
// process or another one): shared, or exclusive with LOCKFILE_EXCLUSIVE_LOCK. Waits for a lock
// held elsewhere unless LOCKFILE_FAIL_IMMEDIATELY. Advisory towards programs that do not lock;
// held until UnlockFileEx or until the handle is closed (also when the process ends).
BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytesLow, DWORD bytesHigh,
                LPOVERLAPPED overlapped);
BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytesLow, DWORD bytesHigh, LPOVERLAPPED overlapped);
// Moves a file within its file system; MOVEFILE_REPLACE_EXISTING replaces a file there.
BOOL MoveFileExW(LPCWSTR existing, LPCWSTR target, DWORD flags);
