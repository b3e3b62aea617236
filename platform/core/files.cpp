// Files, folders and the environment on POSIX.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/core/core_state.h"
#include "platform/win_files.h"

using namespace mv;

DWORD GetFileAttributesW(LPCWSTR path) {
    if (path == nullptr || *path == 0) return INVALID_FILE_ATTRIBUTES;
    std::string utf8 = WideToUtf8(path);
    struct stat st;
    if (stat(utf8.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (access(utf8.c_str(), W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    if (path == nullptr || *path == 0) return FALSE;
    return mkdir(WideToUtf8(path).c_str(), 0700) == 0 ? TRUE : FALSE;
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (name == nullptr) return 0;
    const char* value = std::getenv(WideToUtf8(name).c_str());
    if (value == nullptr) return 0;
    std::wstring wide = Utf8ToWide(value);
    if (buffer == nullptr || wide.size() >= size) return static_cast<DWORD>(wide.size() + 1);
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return static_cast<DWORD>(wide.size());
}
