// Builds file paths beside the running program: its folder and the image folder "img".
#pragma once

#include <string>

class CAppPath {
public:
    // The executable's folder followed by one separator; just the separator when the module
    // path holds no separator at all.
    std::wstring GetAppDir() const;
    // The same folder followed by "img" and a separator.
    std::wstring GetImageDir() const;
    // The folder part of a module path, as GetAppDir builds it (exposed for tests).
    static std::wstring DirectoryOf(const wchar_t* modulePath);
};
