// The main view's runner rule and what it takes from the engine, on a view without a window
// (its repaints then draw nothing).
#include "screens/main/main_screen.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/mv_platform.h"
#include "testing/headless_platform_test_util.h"

namespace {

class MainScreenTest : public ::testing::Test {
protected:
    void SetUp() override { StartHeadlessPlatform(); }
    void TearDown() override { MvPlatformShutdown(); }

    void Steps(int count) {
        MotionRecord record = {count, 0.04 * count, 0.7 * count};
        view.OnMotionInfo(&record);
    }
    // Frames after each of `ticks` animation ticks.
    std::vector<int> Tick(int ticks) {
        std::vector<int> frames;
        for (int i = 0; i < ticks; ++i) {
            view.OnAnimationTimer();
            frames.push_back(view.RunnerFrame());
        }
        return frames;
    }

    CMainScreen view;
};

TEST_F(MainScreenTest, RunnerRestsUntilTheFirstStep) {
    EXPECT_EQ(Tick(3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(view.Animating(), 0);
    Steps(1);
    EXPECT_EQ(Tick(2), (std::vector<int>{1, 2}));
    EXPECT_EQ(view.Animating(), 1);
}

TEST_F(MainScreenTest, RunnerKeepsRunningTwoSecondsAfterTheLastStepThenRestsOnFrameZero) {
    Steps(1);
    // The step is seen at the first tick; more than ten idle ticks follow by tick 12, but the
    // runner only stops once its stride is back at frame 0 (tick 18), and rests from tick 19.
    std::vector<int> frames = Tick(25);
    for (int tick = 1; tick <= 18; ++tick) EXPECT_EQ(frames[tick - 1], tick % 9) << tick;
    for (int tick = 19; tick <= 25; ++tick) EXPECT_EQ(frames[tick - 1], 0) << tick;
    EXPECT_EQ(view.Animating(), 0);

    // A new step within the stride keeps it going without a pause.
    Steps(2);
    EXPECT_EQ(Tick(1), std::vector<int>{1});
}

TEST_F(MainScreenTest, IdleTicksNeverOverflowWhileResting) {
    // A fresh view starts with 11 idle ticks; the count wraps back once it passes 10000.
    Tick(9989);
    EXPECT_EQ(view.IdleTicks(), 10000);
    Tick(1);
    EXPECT_EQ(view.IdleTicks(), 11);
    EXPECT_EQ(view.RunnerFrame(), 0);
}

TEST_F(MainScreenTest, TakesTheTimeEventAndMotionRecordsOnly) {
    view.OnEvent(3661, L"TIME");
    EXPECT_EQ(view.WorkoutSeconds(), 3661);
    view.OnEvent(5, L"EXIST");
    view.OnEvent(6, nullptr);
    view.OnMotionInfo(nullptr);
    EXPECT_EQ(view.WorkoutSeconds(), 3661);
    Steps(12);
    EXPECT_EQ(view.WorkoutSteps(), 12);
    EXPECT_DOUBLE_EQ(view.WorkoutCalories(), 0.48);
}

}  // namespace
