// Paths of the program. The module path is cut at the platform's separator ('/').
#include "app/app_path.h"

#include <cwchar>
#include <string>

#include "platform/windows.h"
#include "store/data_folder.h"

namespace {
constexpr wchar_t kSeparator = L'/';

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Ascii(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::wstring CAppPath::DirectoryOf(const wchar_t* modulePath) {
    std::wstring path = modulePath ? modulePath : L"";
    size_t cut = path.rfind(kSeparator);
    std::wstring dir = (cut == std::wstring::npos) ? std::wstring() : path.substr(0, cut);
    dir += kSeparator;
    return dir;
}

std::wstring CAppPath::GetAppDir() const {
    wchar_t buffer[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length >= MAX_PATH) length = MAX_PATH - 1;
    buffer[length] = L'\0';
    return DirectoryOf(buffer);
}

std::wstring CAppPath::GetImageDir() const {
    std::wstring app = GetAppDir();
    std::wstring dir = app + L"img";
    if (!IsFolder(dir)) {
        std::wstring installed = app + Ascii(InstalledShareDir()) + kSeparator + L"img";
        if (IsFolder(installed)) dir = installed;
    }
    dir += kSeparator;
    return dir;
}

std::wstring CAppPath::GetLibraryDir() const {
    return GetAppDir() + Ascii(InstalledLibraryDir()) + kSeparator;
}
