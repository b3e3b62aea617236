// The data-folder rule shared by the program and the data tool.
#include "store/data_folder.h"

#include <gtest/gtest.h>

namespace {

TEST(DataFolderTest, AnInstallKeepsDataInTheUserDataFolderAndABuildBesideItself) {
    ProgramFolderFacts build{true, false, true, false};
    ProgramFolderFacts installed{false, true, false, false};
    ProgramFolderFacts installedWritable{false, true, true, false};  // ~/.local/bin, or run as root
    ProgramFolderFacts copiedReadOnly{false, false, false, false};
    ProgramFolderFacts readOnlyWithDatabase{true, false, false, true};
    // A build tree that happens to sit where an install would (images beside it win).
    ProgramFolderFacts buildInPrefix{true, true, true, false};

    EXPECT_EQ(ChooseDataFolder(false, build), DataFolderKind::ProgramFolder);
    EXPECT_EQ(ChooseDataFolder(false, installed), DataFolderKind::UserData);
    EXPECT_EQ(ChooseDataFolder(false, installedWritable), DataFolderKind::UserData);
    EXPECT_EQ(ChooseDataFolder(false, copiedReadOnly), DataFolderKind::UserData);
    EXPECT_EQ(ChooseDataFolder(false, readOnlyWithDatabase), DataFolderKind::ProgramFolder);
    EXPECT_EQ(ChooseDataFolder(false, buildInPrefix), DataFolderKind::ProgramFolder);
    for (const ProgramFolderFacts& facts : {build, installed, copiedReadOnly})
        EXPECT_EQ(ChooseDataFolder(true, facts), DataFolderKind::Override);
}

TEST(DataFolderTest, UserDataFolderFollowsXdg) {
    EXPECT_EQ(UserDataFolder("/data/me", "/home/me"), "/data/me/movimetra-history");
    EXPECT_EQ(UserDataFolder("/data/me/", "/home/me"), "/data/me/movimetra-history");
    EXPECT_EQ(UserDataFolder(nullptr, "/home/me"), "/home/me/.local/share/movimetra-history");
    // A relative XDG_DATA_HOME is invalid and ignored; so is an empty one.
    EXPECT_EQ(UserDataFolder("data", "/home/me/"), "/home/me/.local/share/movimetra-history");
    EXPECT_EQ(UserDataFolder("", "/home/me"), "/home/me/.local/share/movimetra-history");
    EXPECT_EQ(UserDataFolder(nullptr, nullptr), "");
    EXPECT_EQ(UserDataFolder(nullptr, "relative"), "");
    EXPECT_EQ(LegacyUserDataFolder(nullptr, "/home/me"), "/home/me/.local/share/movimetra");
}

TEST(DataFolderTest, TheUserDataFolderNeverMeetsTheInstallsSharedFolder) {
    // An install into ~/.local puts its images in ~/.local/share/movimetra (InstalledShareDir).
    std::string shared = InstalledShareDir();
    std::string name = shared.substr(shared.rfind('/') + 1);
    std::string data = UserDataFolder(nullptr, "/home/me");
    EXPECT_NE(data.substr(data.rfind('/') + 1), name);
}

}  // namespace
