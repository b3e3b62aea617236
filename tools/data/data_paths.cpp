#include "tools/data/data_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/mv_private_group.h"
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

// Moves a database of earlier versions' user data folder into `folder` once.
void MoveLegacyDatabase(const std::string& legacy, const std::string& folder) {
    const std::string from = legacy + "/" + kDatabaseFileName;
    const std::string to = folder + "/" + kDatabaseFileName;
    struct stat st;
    if (lstat(to.c_str(), &st) == 0 || lstat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    if (link(from.c_str(), to.c_str()) != 0) return;
    unlink(from.c_str());
    const std::string journal = kDatabaseJournalSuffix;
    if (link((from + journal).c_str(), (to + journal).c_str()) == 0) unlink((from + journal).c_str());
    std::fprintf(stderr, "movimetra-data: moved the history from %s to %s\n", from.c_str(), to.c_str());
}

// Why `folder` may not keep the history (symbolic links followed), or empty when it may.
std::string FolderProblem(const std::string& folder, std::string* resolved) {
    char* real = realpath(folder.c_str(), nullptr);
    if (real == nullptr) return std::strerror(errno);
    *resolved = real;
    std::free(real);
    struct stat st;
    if (stat(resolved->c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "is not a folder";
    if (st.st_uid != getuid()) return "belongs to another user";
    if ((st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && !MvIsUsersPrivateGroup(st.st_gid, st.st_uid)))
        return "may be written by group or others";
    return std::string();
}

}  // namespace

std::string DataExecutablePath() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string DataDefaultDatabasePath(const std::string& exePath, bool create, std::string* problem) {
    size_t slash = exePath.rfind('/');
    std::string exeFolder = slash == std::string::npos ? std::string("./") : exePath.substr(0, slash + 1);

    ProgramFolderFacts facts;
    facts.bHasImages = IsFolder(exeFolder + "img");
    facts.bInstalledLayout = IsFolder(exeFolder + InstalledShareDir() + "/img");
    facts.bWritable = access(exeFolder.c_str(), W_OK) == 0;
    facts.bHasDatabase = Exists(exeFolder + kDatabaseFileName);
    const char* named = std::getenv(kDataDirVariable);
    std::string folder;
    std::string legacy;
    switch (ChooseDataFolder(named != nullptr && named[0] != 0, facts)) {
        case DataFolderKind::Override:
            folder = named;
            break;
        case DataFolderKind::UserData:
            folder = UserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
            legacy = LegacyUserDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
            break;
        case DataFolderKind::ProgramFolder:
            break;
    }
    if (folder.empty()) folder = exeFolder;
    const bool legacyDatabase = !legacy.empty() && Exists(legacy + "/" + kDatabaseFileName);
    if ((create || legacyDatabase) && !IsFolder(folder)) MakeFolders(folder);
    std::string resolved;
    std::string why = FolderProblem(folder, &resolved);
    if (!why.empty()) {
        // A folder that is not there yet is fine for reading: there is nothing to read.
        if (problem && (create || IsFolder(folder))) *problem = "data folder " + folder + ": " + why;
        if (folder.back() != '/') folder += '/';
        return folder + kDatabaseFileName;
    }
    if (!legacy.empty()) MoveLegacyDatabase(legacy, resolved);
    return resolved + "/" + kDatabaseFileName;
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
