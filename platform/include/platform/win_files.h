// Files, folders and the environment: what the program needs to find its data folder.
#pragma once

#include "platform/win_types.h"

#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

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
