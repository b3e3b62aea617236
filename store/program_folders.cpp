// The program's folders through the platform's file and environment calls.
#include "store/program_folders.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/mv_platform.h"
#include "platform/windows.h"
#include "store/data_folder.h"
#include "store/store_text.h"

namespace {

// Full path of the running executable, however long.
std::wstring ModulePath() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::wstring();
        if (n < buf.size() - 1) return std::wstring(buf.data(), n);
        if (buf.size() >= 65536) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);  // the name may have been cut: ask again with more room
    }
}

std::string Environment(const wchar_t* name) {
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return std::string();
    std::vector<wchar_t> buf(needed + 1);
    DWORD n = GetEnvironmentVariableW(name, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0 || n >= buf.size()) return std::string();
    return StoreUtf8FromWide(buf.data());
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and any missing parents (each private to the user).
void CreateFolders(const std::wstring& path) {
    for (size_t slash = path.find(L'/', 1);; slash = path.find(L'/', slash + 1)) {
        std::wstring part = path.substr(0, slash);
        if (!part.empty() && !IsFolder(part)) CreateDirectoryW(part.c_str(), nullptr);
        if (slash == std::wstring::npos) break;
    }
}

std::wstring WithSlash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'/') folder += L'/';
    return folder;
}

ProgramFolderFacts Facts(const std::wstring& exeFolder) {
    ProgramFolderFacts facts;
    facts.bHasImages = IsFolder(exeFolder + L"img");
    facts.bInstalledLayout = IsFolder(exeFolder + StoreWideFromUtf8(InstalledShareDir()) + L"/img");
    DWORD attributes = GetFileAttributesW(exeFolder.c_str());
    facts.bWritable = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
    facts.bHasDatabase = GetFileAttributesW((exeFolder + StoreWideFromUtf8(kDatabaseFileName)).c_str()) !=
                         INVALID_FILE_ATTRIBUTES;
    return facts;
}

// Moves the database (and a journal that belongs to it) from the folder of earlier versions into
// `folder`, unless a database is there already.
void MoveLegacyDatabase(const std::wstring& legacy, const std::wstring& folder) {
    const std::wstring name = StoreWideFromUtf8(kDatabaseFileName);
    const std::wstring from = WithSlash(legacy) + name;
    const std::wstring to = WithSlash(folder) + name;
    if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    DWORD attributes = GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    const std::wstring journal = StoreWideFromUtf8(kDatabaseJournalSuffix);
    if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
        std::fprintf(stderr, "Movimetra: could not move the history from %s to %s\n",
                     StoreUtf8FromWide(from.c_str()).c_str(), StoreUtf8FromWide(to.c_str()).c_str());
        return;
    }
    MoveFileExW((from + journal).c_str(), (to + journal).c_str(), 0);
    std::fprintf(stderr, "Movimetra: moved the history from %s to %s\n",
                 StoreUtf8FromWide(from.c_str()).c_str(), StoreUtf8FromWide(to.c_str()).c_str());
    std::fflush(stderr);
}

}  // namespace

std::wstring ProgramExeFolder() {
    std::wstring path = ModulePath();
    size_t slash = path.find_last_of(L'/');
    path.erase(slash == std::wstring::npos ? 0 : slash + 1);
    return path;
}

std::wstring ProgramDataFolder(std::string* problem) {
    std::wstring exeFolder = ProgramExeFolder();
    std::string named = Environment(L"MOVIMETRA_DATA_DIR");
    std::wstring folder;
    std::wstring legacy;
    switch (ChooseDataFolder(!named.empty(), Facts(exeFolder))) {
        case DataFolderKind::Override:
            folder = StoreWideFromUtf8(named.c_str());
            break;
        case DataFolderKind::UserData: {
            std::string xdg = Environment(L"XDG_DATA_HOME");
            std::string home = Environment(L"HOME");
            folder = StoreWideFromUtf8(UserDataFolder(xdg.c_str(), home.c_str()).c_str());
            legacy = StoreWideFromUtf8(LegacyUserDataFolder(xdg.c_str(), home.c_str()).c_str());
            break;
        }
        case DataFolderKind::ProgramFolder:
            break;
    }
    if (folder.empty()) folder = exeFolder;  // no usable home: the executable's folder, as before
    if (!IsFolder(folder)) CreateFolders(folder);
    std::wstring resolved;
    if (const char* why = MvCheckPrivateFolder(folder.c_str(), &resolved)) {
        if (problem) *problem = "data folder " + StoreUtf8FromWide(folder.c_str()) + ": " + why;
        return WithSlash(folder);
    }
    if (problem) problem->clear();
    if (!legacy.empty()) MoveLegacyDatabase(legacy, resolved);
    return WithSlash(resolved);
}
