// The data-folder rule; the install's relative folders come from the build configuration.
#include "store/data_folder.h"

#include "install_config.h"

DataFolderKind ChooseDataFolder(bool bHasOverride, const ProgramFolderFacts& facts) {
    if (bHasOverride) return DataFolderKind::Override;
    // A copied program or a build tree has its images beside it, whatever lies around it.
    if (facts.bInstalledLayout && !facts.bHasImages) return DataFolderKind::UserData;
    if (facts.bWritable || facts.bHasDatabase) return DataFolderKind::ProgramFolder;
    return DataFolderKind::UserData;
}

namespace {

std::string DataHome(const char* xdgDataHome, const char* home) {
    std::string base;
    // Relative values are invalid for the XDG variables and are ignored.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        base = xdgDataHome;
    } else if (home != nullptr && home[0] == '/') {
        base = home;
        if (base.back() != '/') base += '/';
        base += ".local/share";
    } else {
        return std::string();
    }
    if (base.back() != '/') base += '/';
    return base;
}

}  // namespace

std::string UserDataFolder(const char* xdgDataHome, const char* home) {
    std::string base = DataHome(xdgDataHome, home);
    return base.empty() ? base : base + "movimetra-history";
}

std::string LegacyUserDataFolder(const char* xdgDataHome, const char* home) {
    std::string base = DataHome(xdgDataHome, home);
    return base.empty() ? base : base + "movimetra";
}

const char* InstalledShareDir() {
    return MV_INSTALL_REL_SHAREDIR;
}

const char* InstalledLibraryDir() {
    return MV_INSTALL_REL_LIBDIR;
}
