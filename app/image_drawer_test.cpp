// The image drawer: a PNG from the image folder at its natural size with its alpha, nothing for
// a missing file, and no objects left after the release.
#include "app/image_drawer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/application.h"
#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"
#include "testing/png_test_util.h"
#include "testing/temp_dir_test_util.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class ImageDrawerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        MvPlatformOptions options = HeadlessTestOptions();
        options.modulePath = dir.Path() + "/Movimetra";
        MvPlatformInit(options);
        ASSERT_EQ(mkdir((dir.Path() + "/img").c_str(), 0755), 0);
        ASSERT_TRUE(WriteTestPng(dir.Path() + "/img/dot.png"));
        hdc = CreateCompatibleDC(nullptr);
        ASSERT_NE(hdc, nullptr);
        bitmap = CreateCompatibleBitmap(hdc, 40, 40);
        ASSERT_NE(bitmap, nullptr);
        oldBitmap = SelectObject(hdc, bitmap);
    }
    void TearDown() override {
        if (hdc) {
            SelectObject(hdc, oldBitmap);
            DeleteDC(hdc);
        }
        if (bitmap) DeleteObject(bitmap);
        MvPlatformShutdown();
    }
    int CountNonBlack() {
        int count = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) count += GetPixel(hdc, x, y) != 0;
        return count;
    }

    CTempDir dir;
    HDC hdc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
};

TEST_F(ImageDrawerTest, DrawsAtItsPositionAtNaturalSizeWithAlpha) {
    CImageDrawer drawer;
    drawer.SetPosition(10, 20);
    drawer.Draw(hdc, L"dot.png");
    EXPECT_EQ(GetPixel(hdc, 10, 20), kRed);
    EXPECT_EQ(GetPixel(hdc, 11, 20), kGreen);
    EXPECT_EQ(GetPixel(hdc, 12, 20), 0u);  // transparent: the black below stays
    EXPECT_EQ(GetPixel(hdc, 10, 21), kBlue);
    EXPECT_EQ(GetPixel(hdc, 12, 21), kBlue);
    EXPECT_EQ(CountNonBlack(), 5);
    EXPECT_TRUE(CImageDrawer::HoldsObjects());
    drawer.Release();
    EXPECT_FALSE(CImageDrawer::HoldsObjects());
}

TEST_F(ImageDrawerTest, MissingOrOverlongFilesDrawNothing) {
    CImageDrawer drawer;
    drawer.SetPosition(0, 0);
    drawer.Draw(hdc, L"missing.png");
    drawer.Release();
    std::wstring longName(400, L'a');
    drawer.Draw(hdc, longName.c_str());
    drawer.Release();
    drawer.Draw(hdc, nullptr);
    drawer.Release();
    EXPECT_EQ(CountNonBlack(), 0);
    EXPECT_FALSE(CImageDrawer::HoldsObjects());
}

TEST_F(ImageDrawerTest, TheApplicationRoutesTheThreeImageMessages) {
    CApplication app;
    app.Dispatch(nullptr, UM_SET_IMAGE_POS, 30, 5);
    EXPECT_EQ(app.ImageDrawer().X(), 30);
    EXPECT_EQ(app.ImageDrawer().Y(), 5);
    app.Dispatch(nullptr, UM_DRAW_IMAGE, (WPARAM)hdc, (LPARAM)L"dot.png");
    EXPECT_EQ(GetPixel(hdc, 30, 5), kRed);
    EXPECT_TRUE(CImageDrawer::HoldsObjects());
    app.Dispatch(nullptr, UM_RELEASE_IMAGE, 0, 0);
    EXPECT_FALSE(CImageDrawer::HoldsObjects());
}

}  // namespace
