// Every screen of tests/screens/screen_set.txt drawn at device scales 2 and 1.5: the same layout as
// at 1 (the device pixels averaged back to 480 x 800 match the 1x screen), and drawn at the scale
// rather than enlarged (thin lines are round(S) device pixels of their colour, text is not made
// of pixel-doubled blocks).
#include <cmath>
#include <fstream>
#include <sstream>

#include "tests/main_screen_test_util.h"

namespace {

using shelltest::CShellRun;

struct Shot {
    std::string name;
    int width = 0;
    int height = 0;
    double scale = 1.0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the whole screen set at a scale; every "shot" becomes a copy of the device pixels.
std::vector<Shot> ShootAll(double scale) {
    const std::string dir = std::string(MV_TEST_DATA_DIR) + "/../screens";
    std::vector<Shot> shots;
    CShellRun run;
    if (!maintest::ExecSqlOn(run.DbPath(), ReadFile(dir + "/history_rows.sql")) ||
        !maintest::CopyBuiltImages(run.Dir())) {
        ADD_FAILURE() << "cannot prepare the program folder";
        return shots;
    }
    run.SetSensor("replay:" + maintest::RecordingPath());
    std::istringstream lines(ReadFile(dir + "/screen_set.txt"));
    std::string script, line;
    std::vector<std::string> names;
    while (std::getline(lines, line)) {
        if (line.rfind("shot ", 0) == 0) {
            names.push_back(line.substr(line.rfind('/') + 1));
            line = "call grab";
        }
        script += line + "\n";
    }
    run.Hook("grab", [&] {
        Shot shot;
        shot.name = names[shots.size()];
        shot.scale = MvDeviceScale();
        MvFramebufferCopyDevice(&shot.pixels, &shot.width, &shot.height);
        shots.push_back(std::move(shot));
    });
    const std::string text = scale == 1.0 ? "1" : (scale == 2.0 ? "2" : "1.5");
    setenv("MOVIMETRA_SCALE", text.c_str(), 1);
    EXPECT_EQ(run.Run(script), 0);
    unsetenv("MOVIMETRA_SCALE");
    EXPECT_EQ(shots.size(), names.size());
    return shots;
}

int Device(double scale, int v) {
    return static_cast<int>(std::lround(v * scale));
}

// The device pixels of each program pixel averaged, per channel.
std::vector<uint32_t> AverageBack(const Shot& shot) {
    std::vector<uint32_t> out(MV_SCREEN_WIDTH * MV_SCREEN_HEIGHT);
    for (int y = 0; y < MV_SCREEN_HEIGHT; ++y) {
        for (int x = 0; x < MV_SCREEN_WIDTH; ++x) {
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int Y = Device(shot.scale, y); Y < Device(shot.scale, y + 1); ++Y)
                for (int X = Device(shot.scale, x); X < Device(shot.scale, x + 1); ++X, ++n)
                    for (int c = 0; c < 3; ++c) sum[c] += (shot.At(X, Y) >> (8 * c)) & 0xFF;
            uint32_t p = 0;
            for (int c = 0; c < 3; ++c) p |= ((sum[c] + n / 2) / n) << (8 * c);
            out[y * MV_SCREEN_WIDTH + x] = p;
        }
    }
    return out;
}

class ScreenScaleTest : public ::testing::TestWithParam<double> {
protected:
    static void SetUpTestSuite() { s_reference = new std::vector<Shot>(ShootAll(1.0)); }
    static void TearDownTestSuite() {
        delete s_reference;
        s_reference = nullptr;
    }
    static std::vector<Shot>* s_reference;
};

std::vector<Shot>* ScreenScaleTest::s_reference = nullptr;

TEST_P(ScreenScaleTest, EveryScreenHasTheLayoutOfTheOneTimesScreen) {
    const double scale = GetParam();
    const std::vector<Shot> shots = ShootAll(scale);
    ASSERT_EQ(shots.size(), s_reference->size());
    ASSERT_GE(shots.size(), 20u);
    for (size_t i = 0; i < shots.size(); ++i) {
        const Shot& shot = shots[i];
        const Shot& reference = (*s_reference)[i];
        ASSERT_EQ(shot.width, Device(scale, MV_SCREEN_WIDTH)) << shot.name;
        ASSERT_EQ(shot.height, Device(scale, MV_SCREEN_HEIGHT)) << shot.name;
        const std::vector<uint32_t> back = AverageBack(shot);
        // Text and artwork rasterised at another size differ along edges only: the mean
        // difference stays small, and hardly a pixel lies outside the colours of its 1x
        // neighbourhood (an edge may move by a fraction of a pixel, thin strokes of large text by
        // a little more; a layout moved by a pixel makes thousands).
        double total = 0;
        int far = 0;
        for (int y = 0; y < MV_SCREEN_HEIGHT; ++y) {
            for (int x = 0; x < MV_SCREEN_WIDTH; ++x) {
                const uint32_t p = back[y * MV_SCREEN_WIDTH + x];
                bool outside = false;
                for (int c = 0; c < 3; ++c) {
                    const int v = (p >> (8 * c)) & 0xFF;
                    int lo = 255, hi = 0;
                    for (int ny = std::max(0, y - 1); ny <= std::min(MV_SCREEN_HEIGHT - 1, y + 1); ++ny)
                        for (int nx = std::max(0, x - 1); nx <= std::min(MV_SCREEN_WIDTH - 1, x + 1); ++nx) {
                            const int r = (reference.At(nx, ny) >> (8 * c)) & 0xFF;
                            lo = std::min(lo, r);
                            hi = std::max(hi, r);
                        }
                    total += std::abs(v - static_cast<int>((reference.At(x, y) >> (8 * c)) & 0xFF));
                    if (v < lo - 48 || v > hi + 48) outside = true;
                }
                if (outside) ++far;
            }
        }
        const double mean = total / (3.0 * back.size());
        EXPECT_LT(mean, 4.0) << shot.name;
        EXPECT_LT(far, 600) << shot.name << ": " << far << " pixels far off";
    }
}

// A one-pixel horizontal line of the 1x screen (a run of one colour with other colours above and
// below): at the scale it is round(S) device rows of exactly that colour from its top edge.
TEST_P(ScreenScaleTest, ThinLinesAreWholeDevicePixelsOfTheirColour) {
    const double scale = GetParam();
    const int thick = static_cast<int>(std::lround(scale));
    const std::vector<Shot> shots = ShootAll(scale);
    ASSERT_EQ(shots.size(), s_reference->size());
    int checked = 0;
    for (size_t i = 0; i < shots.size(); ++i) {
        const Shot& reference = (*s_reference)[i];
        if (reference.name.find("history") == std::string::npos) continue;
        // The chart's grid lines: long runs in the chart area.
        for (int y = 250; y < 740; ++y) {
            const uint32_t colour = reference.At(200, y);
            int run = 0;
            while (200 + run < 360 && reference.At(200 + run, y) == colour) ++run;
            if (run < 160 || reference.At(200, y - 1) == colour || reference.At(200, y + 1) == colour)
                continue;
            for (int x = 200; x < 360; x += 7) {
                for (int k = 0; k < thick; ++k)
                    ASSERT_EQ(shots[i].At(Device(scale, x), Device(scale, y) + k), colour)
                        << reference.name << " line at row " << y;
                EXPECT_NE(shots[i].At(Device(scale, x), Device(scale, y) + thick), colour)
                    << reference.name << " line at row " << y;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
}

// Text drawn at 2x has device detail inside its program pixels: a pixel-doubled screen would have
// every 2 x 2 block of one colour.
TEST(ScreenScaleSharpness, TextAtTwoIsNotPixelDoubled) {
    const std::vector<Shot> shots = ShootAll(2.0);
    ASSERT_FALSE(shots.empty());
    const Shot& main = shots[0];
    int mixed = 0;
    // The "Steps" label and the value texts of the main view.
    for (int y = 2 * 300; y < 2 * 640; y += 2)
        for (int x = 0; x < 2 * 200; x += 2)
            if (main.At(x, y) != main.At(x + 1, y) || main.At(x, y) != main.At(x, y + 1) ||
                main.At(x, y) != main.At(x + 1, y + 1))
                ++mixed;
    EXPECT_GT(mixed, 500);
}

// A new scale while the program runs (a rotated or moved window): every window paints again at it,
// the same screen as a run that started at that scale.
TEST(ScreenScaleChange, EveryWindowPaintsAgainAtTheNewScale) {
    const std::vector<Shot> atTwo = ShootAll(2.0);
    ASSERT_FALSE(atTwo.empty());
    CShellRun run;
    ASSERT_TRUE(maintest::ExecSqlOn(
        run.DbPath(), ReadFile(std::string(MV_TEST_DATA_DIR) + "/../screens/history_rows.sql")));
    ASSERT_TRUE(maintest::CopyBuiltImages(run.Dir()));
    run.SetSensor("replay:" + maintest::RecordingPath());
    Shot shot;
    run.Hook("rescale", [] { MvSetDeviceScale(2.0); });
    run.Hook("grab", [&] { MvFramebufferCopyDevice(&shot.pixels, &shot.width, &shot.height); });
    EXPECT_EQ(run.Run("wait 500\ncall rescale\nwait 100\ncall grab\nquit\n"), 0);
    MvSetDeviceScale(1.0);
    ASSERT_EQ(shot.width, atTwo[0].width);
    ASSERT_EQ(shot.height, atTwo[0].height);
    size_t differ = 0;
    for (size_t p = 0; p < shot.pixels.size(); ++p)
        if ((shot.pixels[p] & 0xFFFFFF) != (atTwo[0].pixels[p] & 0xFFFFFF)) ++differ;
    EXPECT_EQ(differ, 0u);
}

INSTANTIATE_TEST_SUITE_P(Scales, ScreenScaleTest, ::testing::Values(2.0, 1.5),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return info.param == 2.0 ? std::string("Two") : std::string("OneAndAHalf");
                         });

}  // namespace
