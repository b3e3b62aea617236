#include "platform/display/display_fit.h"

#include <gtest/gtest.h>

#include "platform/mv_platform.h"

namespace {

TEST(DisplayFit, KeepsTheAspectCentresAndSmoothsOnlyAtFactorsThatAreNotWhole) {
    MvFrameFit phone = MvFitFrame(720, 1200);
    EXPECT_EQ(phone.x, 0);
    EXPECT_EQ(phone.y, 0);
    EXPECT_EQ(phone.width, 720);
    EXPECT_EQ(phone.height, 1200);
    EXPECT_FALSE(phone.integral);

    MvFrameFit doubled = MvFitFrame(960, 1600);
    EXPECT_EQ(doubled.width, 960);
    EXPECT_TRUE(doubled.integral);
    EXPECT_TRUE(MvFitFrame(480, 800).integral);

    // Too wide: bands left and right. Too tall: bands above and below.
    MvFrameFit wide = MvFitFrame(1000, 1200);
    EXPECT_EQ(wide.width, 720);
    EXPECT_EQ(wide.height, 1200);
    EXPECT_EQ(wide.x, 140);
    EXPECT_EQ(wide.y, 0);
    MvFrameFit tall = MvFitFrame(720, 1600);
    EXPECT_EQ(tall.width, 720);
    EXPECT_EQ(tall.height, 1200);
    EXPECT_EQ(tall.y, 200);
    // A band of whole-factor size still counts as whole: 2x inside a wider window.
    EXPECT_TRUE(MvFitFrame(1200, 1600).integral);
    EXPECT_EQ(MvFitFrame(1200, 1600).x, 120);
}

TEST(DisplayFit, EveryScreenPixelIsReachedAndMapsBackExactly) {
    for (auto [w, h] :
         {std::pair{720, 1200}, {1000, 1200}, {720, 1600}, {1080, 2160}, {333, 555}, {960, 1600}}) {
        MvFrameFit fit = MvFitFrame(w, h);
        // The centre of each screen pixel, scaled to the window, comes back as that pixel.
        for (int x = 0; x < MV_SCREEN_WIDTH; ++x) {
            double px = fit.x + (x + 0.5) * fit.width / MV_SCREEN_WIDTH;
            int sx = -1, sy = -1;
            EXPECT_TRUE(MvFrameFromWindow(fit, px, fit.y + 1, &sx, &sy)) << w << "x" << h;
            EXPECT_EQ(sx, x) << w << "x" << h;
        }
        for (int y = 0; y < MV_SCREEN_HEIGHT; ++y) {
            double py = fit.y + (y + 0.5) * fit.height / MV_SCREEN_HEIGHT;
            int sx = -1, sy = -1;
            EXPECT_TRUE(MvFrameFromWindow(fit, fit.x + 1, py, &sx, &sy));
            EXPECT_EQ(sy, y) << w << "x" << h;
        }
    }
    // Start's centre on the 720x1200 phone: (80, 692) on the screen is (120, 1038) there.
    int x = 0, y = 0;
    EXPECT_TRUE(MvFrameFromWindow(MvFitFrame(720, 1200), 120.5, 1038.5, &x, &y));
    EXPECT_EQ(x, 80);
    EXPECT_EQ(y, 692);
    // Outside the frame: not inside, and held at the nearest edge.
    EXPECT_FALSE(MvFrameFromWindow(MvFitFrame(1000, 1200), 10.5, 600.5, &x, &y));
    EXPECT_EQ(x, 0);
    EXPECT_FALSE(MvFrameFromWindow(MvFitFrame(720, 1600), 700.5, 1599.5, &x, &y));
    EXPECT_EQ(y, MV_SCREEN_HEIGHT - 1);
}

}  // namespace
