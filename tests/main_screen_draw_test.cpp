// What the main view puts on the screen: digit positions, the value boxes, the buttons per run
// state, the black band, the areas each repaint copies, and drawing without the img folder.
#include "platform/mv_platform.h"
#include "tests/main_screen_test_util.h"

namespace {

using namespace maintest;

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kGreen = 0x00FF00;

class MainScreenDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(run.PrepareStoredProfile());
        run.SetSensor(SilentSensor(run));
    }
    static HWND Main() { return GetMainWindow(); }
    static void SetWorkout(int steps, int seconds) {
        MotionRecord record = {steps, 0, 0};
        SendMessageW(Main(), UM_MOTION_INFO, 0, (LPARAM)&record);
        SendMessageW(Main(), UM_VIEW_EVENT, seconds, (LPARAM)L"TIME");
    }
    // Paints the whole view red, straight onto its window.
    static void PaintMarker() {
        HWND hView = MainView()->Common().hWnd;
        HDC hdc = GetDC(hView);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        RECT all = {0, 0, 480, 696};
        FillRect(hdc, &all, red);
        DeleteObject(red);
        ReleaseDC(hView, hdc);
    }
    // Left and right edge of the bright pixels in a rectangle ({-1, -1} when none).
    static std::pair<int, int> BrightSpan(const RECT& rect) {
        std::pair<int, int> span = {-1, -1};
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) {
                uint32_t p = ViewPixel(x, y);
                if (((p >> 16) & 0xFF) > 0xC0 && ((p >> 8) & 0xFF) > 0xC0 && (p & 0xFF) > 0xC0) {
                    if (span.first < 0 || x < span.first) span.first = x;
                    span.second = std::max(span.second, x);
                }
            }
        return span;
    }
    static uint64_t Checksum(const RECT& rect) {
        uint64_t sum = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) sum = sum * 31 + ViewPixel(x, y);
        return sum;
    }

    CShellRun run;
    CMainRecorder recorder;
};

TEST_F(MainScreenDrawTest, DigitGroupsStartWhereTheirCountPutsThem) {
    ASSERT_TRUE(WriteTestDigits(run.Dir()));
    run.Hook("check", [&] {
        recorder.Start();
        struct Case {
            int steps;
            int count;
            int firstX;
        };
        for (Case c : {Case{0, 1, 219}, Case{1234567, 7, 78}, Case{12345678, 8, 54}}) {
            SetWorkout(c.steps, 0);
            recorder.Clear();
            MainView()->FullRepaint();
            EXPECT_EQ(MainView()->DigitCount(), c.count);
            EXPECT_EQ(recorder.Digits(), std::to_string(c.steps));
            // Each test digit's red and green top-left pixels sit exactly at its x.
            for (int i = 0; i < c.count; ++i) {
                int x = c.firstX + 49 * i;
                EXPECT_EQ(ViewPixel(x, 243), kRed) << c.steps << " digit " << i;
                EXPECT_EQ(ViewPixel(x + 1, 243), kGreen) << c.steps << " digit " << i;
                EXPECT_NE(ViewPixel(x - 1, 243), kRed) << c.steps << " digit " << i;
            }
            EXPECT_NE(ViewPixel(c.firstX + 49 * c.count, 243), kRed) << c.steps;
        }
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

TEST_F(MainScreenDrawTest, RepaintsCopyOnlyTheirAreasAndTheTimeBoxWidensPast99Hours) {
    run.Hook("check", [&] {
        // Value boxes: the 241 x 141 rectangle at (120, 418) and nothing else.
        PaintMarker();
        SetWorkout(0, 3661);
        MainView()->RepaintValueBoxes();
        for (POINT outside : {POINT{119, 450}, POINT{361, 450}, POINT{200, 417}, POINT{200, 559}})
            EXPECT_EQ(ViewPixel(outside.x, outside.y), kRed) << outside.x << "," << outside.y;
        for (POINT inside : {POINT{120, 418}, POINT{360, 558}, POINT{125, 470}})
            EXPECT_NE(ViewPixel(inside.x, inside.y), kRed) << inside.x << "," << inside.y;
        RECT timeBox = {120, 503, 360, 553};
        RECT caloriesBox = {120, 418, 360, 463};
        std::pair<int, int> hours2 = BrightSpan(timeBox);
        EXPECT_GE(BrightSpan(caloriesBox).first, 120);
        SetWorkout(0, 360000);
        MainView()->RepaintValueBoxes();
        std::pair<int, int> hours3 = BrightSpan(timeBox);
        // "100 : 00 : 00 " is one digit wider than "01 : 01 : 01 ", and still centred.
        EXPECT_GT(hours3.second - hours3.first, hours2.second - hours2.first + 15);
        EXPECT_LT(hours3.first, hours2.first);
        EXPECT_GT(hours3.second, hours2.second);

        // Upper area: the 480 x 352 rectangle at (0, 0).
        PaintMarker();
        MainView()->RepaintUpperArea();
        EXPECT_NE(ViewPixel(0, 0), kRed);
        EXPECT_NE(ViewPixel(479, 351), kRed);
        EXPECT_EQ(ViewPixel(0, 352), kRed);
        EXPECT_EQ(ViewPixel(479, 695), kRed);
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

TEST_F(MainScreenDrawTest, ButtonsRunnerAndNoticeFollowTheRunState) {
    ASSERT_TRUE(CopyBuiltImages(run.Dir()));
    RECT button = {1, 588, 159, 696};
    uint64_t stoppedLook = 0;
    run.Hook("stopped", [&] {
        recorder.Start();
        MainView()->FullRepaint();
        EXPECT_TRUE(recorder.Drew("control_start_n_k.png", 1, 588));
        EXPECT_TRUE(recorder.Drew("Zuno_Run_unfocus.png", 187, 80));
        EXPECT_FALSE(recorder.DrewPrefix("control_stop"));
        EXPECT_FALSE(recorder.DrewPrefix("zuno_i"));
        stoppedLook = Checksum(button);
        // A stylus-down outside the buttons draws nothing.
        recorder.Clear();
    });
    run.Hook("outside", [&] {
        EXPECT_TRUE(recorder.images.empty());
        EXPECT_EQ(MainView()->ButtonPressed(), 0);
    });
    run.Hook("pressed", [&] {
        // A full repaint, then the pressed image straight onto the window.
        ASSERT_FALSE(recorder.images.empty());
        EXPECT_EQ(recorder.images.back().name, "control_start_f_k.png");
        EXPECT_EQ(recorder.images.back().x, 1);
        EXPECT_EQ(MainView()->ButtonPressed(), 1);
        EXPECT_NE(Checksum(button), stoppedLook);
        recorder.Clear();
    });
    run.Hook("starting", [&] {
        EXPECT_EQ(MainView()->RunState(), MAIN_STARTING);
        recorder.Clear();
        MainView()->FullRepaint();
        EXPECT_TRUE(recorder.Drew("control_stop_n_k.png", 1, 588));
        EXPECT_TRUE(recorder.Drew("zuno_i.png", 207, 50));
        EXPECT_FALSE(recorder.DrewPrefix("Zuno_Run"));
        EXPECT_NE(Checksum(button), stoppedLook);
    });
    run.Hook("running", [&] {
        EXPECT_EQ(MainView()->RunState(), MAIN_RUNNING);
        recorder.Clear();
        MainView()->FullRepaint();
        EXPECT_TRUE(recorder.Drew("control_stop_n_k.png", 1, 588));
        EXPECT_TRUE(recorder.Drew("Zuno_Run_01.png", 187, 80));
        EXPECT_FALSE(recorder.DrewPrefix("zuno_i"));
        EXPECT_FALSE(recorder.DrewPrefix("control_start"));
    });
    std::string script = "call stopped\npress 240 400\nrelease 240 400\ncall outside\npress " +
                         std::string(kStartStop) + "\ncall pressed\nrelease " + kStartStop +
                         "\nwait 1999\ncall starting\nwait 1\ncall running\nquit\n";
    EXPECT_EQ(run.Run(script), 0);
    EXPECT_EQ(run.Calls("running"), 1);
}

TEST_F(MainScreenDrawTest, BandBetweenTheAreasIsBlackOutsideLabelsAndBoxes) {
    ASSERT_TRUE(CopyBuiltImages(run.Dir()));
    run.Hook("check", [&] {
        SetWorkout(4321, 3661);
        MainView()->FullRepaint();
        const RECT drawn[] = {
            {32, 422, 120, 453}, {32, 511, 100, 548}, {120, 413, 360, 463}, {120, 503, 360, 553}};
        int bright = 0;
        int stray = 0;
        for (int y = 352; y < 588; ++y)
            for (int x = 0; x < 480; ++x) {
                bool inside = false;
                for (const RECT& r : drawn)
                    inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                if (!inside && ViewPixel(x, y) != 0) ++stray;
                if (inside && ViewPixel(x, y) != 0) ++bright;
            }
        EXPECT_EQ(stray, 0);
        EXPECT_GT(bright, 1000);
    });
    EXPECT_EQ(run.Run("tap " + std::string(kStartStop) + "\nwait 2500\ncall check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

TEST_F(MainScreenDrawTest, WithoutTheImageFolderBitmapsAndTextsStillShow) {
    run.Hook("check", [&] {
        recorder.Start();
        MainView()->FullRepaint();
        EXPECT_TRUE(recorder.Drew("control_start_n_k.png", 1, 588));  // asked for, found nowhere
        int upper = 0, strip = 0, label = 0, white = 0;
        for (int y = 0; y < 696; ++y)
            for (int x = 0; x < 480; ++x) {
                uint32_t p = ViewPixel(x, y);
                int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                if (y < 352 && p != 0) ++upper;
                if (y >= 588 && p != 0) ++strip;
                if (x < 100 && y >= 250 && y < 328 && b > 150 && g > 100 && r < 60) ++label;
                if (x >= 120 && x < 360 && y >= 413 && y < 553 && r > 0xC0 && g > 0xC0 && b > 0xC0) ++white;
            }
        EXPECT_GT(upper, 480 * 352 / 2);
        EXPECT_GT(strip, 480 * 108 / 2);
        EXPECT_GT(label, 20);
        EXPECT_GT(white, 200);
    });
    EXPECT_EQ(run.Run("call check\nquit\n"), 0);
    EXPECT_EQ(run.Calls("check"), 1);
}

// The animation and value repaints compose only what changed since the last ones. A replayed
// walk (seven digits under the label, the runner moving, the time ticking) is run twice, once
// with every repaint drawing its whole area as it always used to: the screens at each step match.
TEST_F(MainScreenDrawTest, TickRepaintsLeaveTheSamePixelsAsCompleteOnes) {
    ASSERT_TRUE(CopyBuiltImages(run.Dir()));
    const std::string stored =
        std::string("INSERT INTO pedometer(curdate, curtime, steps, kcal, distance) VALUES('") + kToday +
        "', '00:59:58', 1234560, 12.5, 800.0);";
    std::string script = "call replay\n" + std::string("tap ") + kStartStop + "\n";
    for (int i = 0; i < 120; ++i) script += "wait 100\ncall shot\n";
    script += "tap 400 692\nwait 1000\ncall shot\ntap 436 26\nwait 500\ncall shot\nquit\n";

    auto walk = [&](bool complete, std::vector<std::vector<uint32_t>>* shots, int* steps) {
        CShellRun walkRun;
        if (!CopyBuiltImages(walkRun.Dir()) || !walkRun.PrepareStoredProfile() ||
            !ExecSqlOn(walkRun.DbPath(), stored))
            return false;
        walkRun.Hook("replay", [&] {
            MvSensorConfigure("replay:" + RecordingPath());
            MainView()->SetCompleteRepaintsForTest(complete);
        });
        walkRun.Hook("shot", [&] {
            shots->emplace_back(480 * 800);
            MvFramebufferCopy(shots->back().data());
            *steps = std::max(*steps, MainView()->WorkoutSteps());
        });
        return walkRun.Run(script) == 0;
    };
    std::vector<std::vector<uint32_t>> partial, complete;
    int partialSteps = 0, completeSteps = 0;
    ASSERT_TRUE(walk(false, &partial, &partialSteps));
    ASSERT_TRUE(walk(true, &complete, &completeSteps));
    ASSERT_EQ(partial.size(), 122u);
    ASSERT_EQ(complete.size(), partial.size());
    for (size_t i = 0; i < partial.size(); ++i) EXPECT_TRUE(partial[i] == complete[i]) << "shot " << i;
    EXPECT_GT(partialSteps, 20) << "the walk was counted while the repaints ran";
    EXPECT_EQ(partialSteps, completeSteps);
}

}  // namespace
