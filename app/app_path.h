// Builds file paths of the running program: its folder, the image folder "img" beside it (or
// the install's, for an installed program) and the install's library folder.
#pragma once

#include <string>

class CAppPath {
public:
    // The executable's folder followed by one separator; just the separator when the module
    // path holds no separator at all.
    std::wstring GetAppDir() const;
    // The same folder followed by "img" and a separator. When there is no such folder but the
    // install's shared folder holds one, that one (an installed program).
    std::wstring GetImageDir() const;
    // The install's library folder relative to the executable's (e.g. "../lib/movimetra"),
    // followed by a separator: where an installed program keeps the date picker.
    std::wstring GetLibraryDir() const;
    // The folder part of a module path, as GetAppDir builds it (exposed for tests).
    static std::wstring DirectoryOf(const wchar_t* modulePath);
};
