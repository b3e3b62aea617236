// Paths beside the program: cut at the last separator, image folder below it.
#include "app/app_path.h"

#include <gtest/gtest.h>

#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"

namespace {

TEST(AppPathTest, DirectoryIsCutAtTheLastSeparator) {
    EXPECT_EQ(CAppPath::DirectoryOf(L"/opt/movimetra/Movimetra"), L"/opt/movimetra/");
    EXPECT_EQ(CAppPath::DirectoryOf(L"/Movimetra"), L"/");
    EXPECT_EQ(CAppPath::DirectoryOf(L"/a/b/"), L"/a/b/");
    // Without any separator the folder part is empty.
    EXPECT_EQ(CAppPath::DirectoryOf(L"Movimetra"), L"/");
    EXPECT_EQ(CAppPath::DirectoryOf(L""), L"/");
    EXPECT_EQ(CAppPath::DirectoryOf(nullptr), L"/");
}

TEST(AppPathTest, FoldersFollowTheModulePath) {
    MvPlatformOptions options = HeadlessTestOptions();
    options.modulePath = "/tmp/걸음 기록/Movimetra";
    MvPlatformInit(options);
    CAppPath path;
    EXPECT_EQ(path.GetAppDir(), L"/tmp/걸음 기록/");
    EXPECT_EQ(path.GetImageDir(), L"/tmp/걸음 기록/img/");
    MvPlatformShutdown();
}

}  // namespace
