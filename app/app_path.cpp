// Paths beside the program. The module path is cut at the platform's separator ('/').
#include "app/app_path.h"

#include <cwchar>

#include "platform/windows.h"

namespace {
constexpr wchar_t kSeparator = L'/';
}

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
    std::wstring dir = GetAppDir();
    dir += L"img";
    dir += kSeparator;
    return dir;
}
