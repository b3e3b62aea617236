// The generated pictures against the places the views draw them, and the looks that matter.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "tools/artwork/art_catalog.h"
#include "tools/artwork/art_test_util.h"

namespace {

ArtDecoded Render(const std::string& name) {
    static const std::vector<ArtImageEntry> entries = ArtImageFiles();
    ArtDecoded image;
    const ArtImageEntry* entry = ArtFindImage(entries, name);
    std::vector<unsigned char> png;
    if (entry && ArtRenderPng(*entry, &png)) ArtDecodePng(png, &image);
    return image;
}

ArtDecoded RenderResource(unsigned id) {
    ArtDecoded image;
    for (const ArtResourceEntry& resource : ArtResources()) {
        std::vector<unsigned char> png;
        if (resource.id == id && ArtRenderPng(resource.image, &png)) ArtDecodePng(png, &image);
    }
    return image;
}

struct Placement {
    const char* name;
    int x, y;                            // where a view draws it (top-left)
    int coverL, coverT, coverR, coverB;  // inclusive area it must cover (a touch area), or -1
    int limitR, limitB;                  // exclusive right and bottom edges it must stay within
};

// Positions and touch areas of the views; limits are the next element or the area repainted.
const Placement kPlacements[] = {
    {"Zuno_Run_01.png", 187, 80, -1, -1, -1, -1, 480, 243},  // above the digits' row
    {"Zuno_Run_unfocus.png", 187, 80, -1, -1, -1, -1, 480, 243},
    {"num_08.png", 54, 243, -1, -1, -1, -1, 54 + 49, 352},  // spacing 49; upper repaint is 352 high
    {"control_start_n.png", 1, 588, 2, 589, 158, 695, 161, 696},
    {"control_stop_f_k.png", 1, 588, 2, 589, 158, 695, 161, 696},
    {"control_reset_n_k.png", 161, 588, 162, 589, 318, 695, 321, 696},
    {"control_log_f.png", 321, 588, 322, 589, 478, 695, 480, 696},
    {"zuno_i.png", 207, 50, -1, -1, -1, -1, 480, 123},  // the notice text starts at row 123
    {"popup01_tit.PNG", 0, 0, 0, 0, 444, 59, 445, 60},  // box coordinates: 445 x 250
    {"popup02_tit.PNG", 0, 60, 0, 60, 444, 249, 445, 250},
    {"popup_button_02_normal.PNG", 18, 170, 19, 171, 213, 231, 229, 250},  // Yes; No begins at 229
    // The No touch area reaches 2 pixels past the 196-pixel button (box x 426).
    {"popup_button_02_Press.PNG", 229, 170, 232, 171, 424, 231, 445, 250},
    {"category02_left_normal.png", 14, 13, 15, 14, 164, 78, 166, 80},
    {"category02_middle_pressed.png", 165, 13, 166, 14, 314, 78, 316, 80},
    {"category02_right_focused.png", 315, 13, 316, 14, 465, 78, 467, 80},
    {"spin_left_n.png", 100, 98, 101, 109, 139, 147, 171, 153},  // the date field starts at 171
    {"spin_right_f.png", 340, 98, 341, 109, 379, 147, 480, 153},
    {"Inputbox_02_normal.png", 14, 153, 15, 154, 163, 202, 165, 210},
    {"Inputbox_02_dim.png", 165, 148, 166, 154, 314, 202, 316, 210},
    {"Inputbox_03_normal.png", 15, 348, 16, 349, 234, 409, 245, 420},
    {"Inputbox_03_dim.png", 255, 348, -1, -1, -1, -1, 465, 410},
    {"inputbox_01_left.png", 15, 68, 16, 69, 24, 129, 25, 130},  // the box bitmap starts at 25
    {"inputbox_01_right_dim.png", 455, 68, 455, 69, 464, 129, 480, 130},
};

TEST(ArtLayout, ImagesFitTheirPlacesAndCoverTheirTouchAreas) {
    for (const Placement& p : kPlacements) {
        const ArtDecoded image = Render(p.name);
        ASSERT_GT(image.width, 0) << p.name;
        EXPECT_LE(p.x + image.width, p.limitR) << p.name;
        EXPECT_LE(p.y + image.height, p.limitB) << p.name;
        if (p.coverL >= 0) {
            EXPECT_LE(p.x, p.coverL) << p.name;
            EXPECT_LE(p.y, p.coverT) << p.name;
            EXPECT_GE(p.x + image.width - 1, p.coverR) << p.name;
            EXPECT_GE(p.y + image.height - 1, p.coverB) << p.name;
        }
    }
}

TEST(ArtLayout, TotalBubblePiecesJoinAtTheDrawnOffsets) {
    // Left end at x-20, middle pieces from x-9 in steps of 15, right end after them; the text
    // box reaches x+15s+56 and the bubble must end at x+15s+67 so the right edge stays on screen.
    EXPECT_EQ(Render("graph_1.png").width, 11);
    EXPECT_EQ(Render("graph_2(15x50).png").width, 15);
    EXPECT_EQ(Render("graph_2(15x50).png").height, 50);
    const ArtDecoded right = Render("graph_3.png");
    EXPECT_EQ(right.width, 76);  // x-9+15s .. x+15s+67
    EXPECT_EQ(Render("graph_1.png").height, right.height);
}

TEST(ArtLayout, ResourcesHaveTheirFixedSizesAndNoAlpha) {
    const struct {
        unsigned id;
        int width, height;
    } expected[] = {{101, 64, 64},  {136, 32, 32},  {129, 480, 352}, {130, 480, 108},
                    {131, 1, 438},  {132, 375, 1},  {133, 375, 1},   {143, 5, 5},
                    {145, 430, 62}, {146, 430, 62}, {147, 430, 40},  {148, 430, 40}};
    const std::vector<ArtResourceEntry> resources = ArtResources();
    ASSERT_EQ(resources.size(), std::size(expected));
    for (size_t i = 0; i < resources.size(); ++i) {
        EXPECT_EQ(resources[i].id, expected[i].id);
        EXPECT_EQ(resources[i].icon, i < 2);
        const ArtDecoded image = RenderResource(expected[i].id);
        EXPECT_EQ(image.width, expected[i].width) << expected[i].id;
        EXPECT_EQ(image.height, expected[i].height) << expected[i].id;
        EXPECT_FALSE(image.hasAlpha) << expected[i].id;
    }
}

TEST(ArtLayout, ChartBitmapsHaveTheirExactColours) {
    const ArtDecoded axis = RenderResource(131);
    for (int y = 0; y < axis.height; ++y) ASSERT_EQ(axis.Rgb(0, y), 0xBFBFBFu) << y;
    const ArtDecoded baseline = RenderResource(132);
    const ArtDecoded grid = RenderResource(133);
    for (int x = 0; x < 375; ++x) {
        ASSERT_EQ(baseline.Rgb(x, 0), 0xBFBFBFu) << x;
        ASSERT_EQ(grid.Rgb(x, 0), 0x404040u) << x;
    }
    const ArtDecoded marker = RenderResource(143);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const bool corner = (x == 0 || x == 4) && (y == 0 || y == 4);
            EXPECT_EQ(marker.Rgb(x, y), corner ? 0x00FF00u : 0xFFFFFFu) << x << "," << y;
        }
    }
}

double MeanDifference(const ArtDecoded& a, const ArtDecoded& b) {
    if (a.width != b.width || a.height != b.height || a.width == 0) return 0;
    double sum = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const uint32_t p = a.OverBlack(x, y);
            const uint32_t q = b.OverBlack(x, y);
            for (int shift : {0, 8, 16}) {
                sum +=
                    std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
            }
        }
    }
    return sum / (3.0 * a.width * a.height);
}

TEST(ArtLayout, PressedAndFocusedLooksDifferVisiblyFromNormal) {
    const char* pairs[][2] = {
        {"control_start_n.png", "control_start_f.png"},
        {"control_stop_n_k.png", "control_stop_f_k.png"},
        {"control_reset_n.png", "control_reset_f.png"},
        {"control_log_n_k.png", "control_log_f_k.png"},
        {"spin_left_n.png", "spin_left_f.png"},
        {"spin_right_n.png", "spin_right_f.png"},
        {"category02_left_normal.png", "category02_left_focused.png"},
        {"category02_left_focused.png", "category02_left_pressed.png"},
        {"category02_middle_normal.png", "category02_middle_pressed.png"},
        {"popup_button_02_normal.PNG", "popup_button_02_Press.PNG"},
        {"popup_button_02_normal.PNG", "popup_button_02_focus.PNG"},
        {"inputbox_01_left.png", "inputbox_01_left_dim.png"},
        {"control_start_n.png", "control_start_n_k.png"},  // the language shows
        {"Zuno_Run_01.png", "Zuno_Run_unfocus.png"},
    };
    for (const auto& pair : pairs) {
        EXPECT_GT(MeanDifference(Render(pair[0]), Render(pair[1])), 2.0) << pair[0] << " / " << pair[1];
    }
    EXPECT_GT(MeanDifference(RenderResource(145), RenderResource(146)), 2.0);
}

TEST(ArtLayout, RunnerStaysInsideItsFrameAndEveryFrameMoves) {
    char name[32];
    ArtDecoded previous;
    for (int frame = 1; frame <= 10; ++frame) {
        std::snprintf(name, sizeof name, "Zuno_Run_%02d.png", frame);
        const ArtDecoded image = Render(frame <= 9 ? name : "Zuno_Run_unfocus.png");
        ASSERT_EQ(image.width, 106) << name;
        ASSERT_EQ(image.height, 150) << name;
        // Nothing touches the edges: no limb is cut off.
        for (int x = 0; x < image.width; ++x) {
            EXPECT_EQ(image.Alpha(x, 0), 0) << name;
            EXPECT_EQ(image.Alpha(x, image.height - 1), 0) << name;
        }
        for (int y = 0; y < image.height; ++y) {
            EXPECT_EQ(image.Alpha(0, y), 0) << name;
            EXPECT_EQ(image.Alpha(image.width - 1, y), 0) << name;
        }
        if (frame >= 2) {
            EXPECT_GT(MeanDifference(previous, image), 1.0) << name;
        }
        previous = image;
    }
}

TEST(ArtLayout, DigitsAreBrightAndCentredOnTheirTiles) {
    for (int digit = 0; digit <= 9; ++digit) {
        char name[32];
        std::snprintf(name, sizeof name, "num_%02d.png", digit);
        const ArtDecoded image = Render(name);
        int left = image.width, right = -1, top = image.height, bottom = -1, bright = 0;
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                if (image.Alpha(x, y) < 250 || (image.Rgb(x, y) & 0xFF) < 200) continue;
                ++bright;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        EXPECT_GT(bright, 150) << name;
        EXPECT_GE(bottom - top, 45) << name;  // tall enough to read across the room
        EXPECT_NEAR((left + right) / 2.0, image.width / 2.0, 4.0) << name;
        EXPECT_NEAR((top + bottom) / 2.0, image.height / 2.0, 4.0) << name;
    }
}

int Luma(uint32_t rgb) {
    return (((rgb >> 16) & 0xFF) * 3 + ((rgb >> 8) & 0xFF) * 6 + (rgb & 0xFF)) / 10;
}

TEST(ArtLayout, UpperBackgroundStaysDarkBehindDigitsAndMeetsTheBlackBand) {
    const ArtDecoded background = RenderResource(129);
    int brightest = 0;
    for (int y = 243; y < 313; ++y) {
        for (int x = 54; x < 446; ++x) brightest = std::max(brightest, Luma(background.Rgb(x, y)));
    }
    EXPECT_LT(brightest, 70);
    for (int x = 0; x < 480; ++x) EXPECT_LE(Luma(background.Rgb(x, 351)), 6) << x;
}

TEST(ArtLayout, EditBackgroundContinuesTheInputBox) {
    // The edit field at (27, 79) lies at (2, 11) inside the box bitmap at (25, 68); its brush is
    // the top-left of bitmap 147 (focused) or 148, so those pixels must match the box's.
    const std::pair<unsigned, unsigned> pairs[] = {{147, 146}, {148, 145}};
    for (const auto& [fill, box] : pairs) {
        const ArtDecoded brush = RenderResource(fill);
        const ArtDecoded frame = RenderResource(box);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 60; ++x) {
                ASSERT_EQ(brush.Rgb(x, y), frame.Rgb(x + 2, y + 11)) << fill << " at " << x << "," << y;
            }
        }
    }
}

TEST(ArtLayout, InputCapsJoinTheBoxSeamlessly) {
    const struct {
        const char* cap;
        bool right;
        unsigned box;
    } joins[] = {{"inputbox_01_left.png", false, 145},
                 {"inputbox_01_right.png", true, 145},
                 {"inputbox_01_left_dim.png", false, 146},
                 {"inputbox_01_right_dim.png", true, 146}};
    for (const auto& join : joins) {
        const ArtDecoded cap = Render(join.cap);
        const ArtDecoded box = RenderResource(join.box);
        const int capX = join.right ? 0 : cap.width - 1;
        const int boxX = join.right ? box.width - 1 : 0;
        for (int y = 0; y < cap.height; ++y) {
            const uint32_t a = cap.OverBlack(capX, y);
            const uint32_t b = box.Rgb(boxX, y);
            for (int shift : {0, 8, 16}) {
                EXPECT_NEAR(static_cast<int>((a >> shift) & 0xFF), static_cast<int>((b >> shift) & 0xFF), 6)
                    << join.cap << " row " << y;
            }
        }
    }
}

}  // namespace
