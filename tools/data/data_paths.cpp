#include "tools/data/data_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "store/data_folder.h"

namespace {

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty() && !IsFolder(part)) mkdir(part.c_str(), 0700);
        if (slash == std::string::npos) break;
    }
}

bool IsNumber(const char* text) {
    if (*text == 0) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

}  // namespace

std::string DataExecutablePath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string DataDefaultDatabasePath(const std::string& exePath, bool create) {
    size_t slash = exePath.rfind('/');
    std::string exeFolder = slash == std::string::npos ? std::string("./") : exePath.substr(0, slash + 1);

    ProgramFolderFacts facts;
    facts.bHasImages = IsFolder(exeFolder + "img");
    facts.bInstalledLayout = IsFolder(exeFolder + InstalledShareDir() + "/img");
    facts.bWritable = access(exeFolder.c_str(), W_OK) == 0;
    facts.bHasDatabase = Exists(exeFolder + kDatabaseFileName);
    const char* named = std::getenv(kDataDirVariable);
    std::string folder;
    switch (ChooseDataFolder(named != nullptr && named[0] != 0, facts)) {
        case DataFolderKind::Override:
            folder = named;
            break;
        case DataFolderKind::UserData:
            folder = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
            break;
        case DataFolderKind::ProgramFolder:
            break;
    }
    if (folder.empty()) return exeFolder + kDatabaseFileName;
    if (create) MakeFolders(folder);
    if (folder.back() != '/') folder += '/';
    return folder + kDatabaseFileName;
}

void DataMakeFolderFor(const std::string& file) {
    size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0) MakeFolders(file.substr(0, slash));
}

pid_t DataProcessUsing(const std::string& file) {
    struct stat target;
    if (stat(file.c_str(), &target) != 0) return 0;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return 0;
    const pid_t self = getpid();
    pid_t found = 0;
    while (found == 0) {
        dirent* entry = readdir(proc);
        if (entry == nullptr) break;
        if (!IsNumber(entry->d_name)) continue;
        pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
        if (pid == self) continue;
        std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = opendir(fdFolder.c_str());
        if (fds == nullptr) continue;  // another user's process, or gone
        while (dirent* fd = readdir(fds)) {
            if (!IsNumber(fd->d_name)) continue;
            struct stat st;
            if (stat((fdFolder + "/" + fd->d_name).c_str(), &st) == 0 && st.st_dev == target.st_dev &&
                st.st_ino == target.st_ino) {
                found = pid;
                break;
            }
        }
        closedir(fds);
    }
    closedir(proc);
    return found;
}
