#include "engine/step_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "recording/walk_signal.h"

namespace {

constexpr double kStride178 = 178 * 0.003700000047683716;

// Feeds synthetic motion to the detector and records every change of the step count.
class CMotionFeeder {
public:
    struct Change {
        int nSample;  // from 1
        int nFrom;
        int nTo;
        double dDistance;
    };

    CMotionFeeder() { InitStepDetector(); }

    void Sample(double x, double y, double z, uint16_t intervalMs = 60) {
        AccelSample s{x, y, z};
        ProcessSample(&s, intervalMs);
        ++m_nSample;
        StepInfo info;
        GetStepInfo(&info);
        if (info.nStepCount != m_Last.nStepCount)
            m_Changes.push_back({m_nSample, m_Last.nStepCount, info.nStepCount, info.dDistance});
        m_Last = info;
    }
    // Sine motion of `period` samples per cycle; gravity (9.8) lies on the gravity axis. The
    // sample with index gapAt inside this stretch gets gapMs as its interval.
    void Move(double cycles, double period, double ax, double ay, double az, uint16_t intervalMs = 60,
              int gapAt = -1, uint16_t gapMs = 0) {
        const int n = static_cast<int>(std::lround(cycles * period));
        for (int k = 0; k < n; ++k) {
            m_dPhase += 1.0 / period;
            const double v = std::sin(2 * M_PI * m_dPhase);
            Sample(m_dBase[0] + ax * v, m_dBase[1] + ay * v, m_dBase[2] + az * v,
                   k == gapAt ? gapMs : intervalMs);
        }
    }
    // Walking with the motion along gravity on the second axis: amplitude 3 is a strong cycle,
    // 2 a weak one (sum variance below 35).
    void Walk(double cycles, double amplitude, double period = 11) { Move(cycles, period, 0, amplitude, 0); }
    void Still(int samples) {
        for (int k = 0; k < samples; ++k) Sample(m_dBase[0], m_dBase[1], m_dBase[2]);
    }
    void GravityOnThirdAxis() {
        m_dBase[1] = 0;
        m_dBase[2] = 9.8;
    }
    // Restores or replaces totals between samples, keeping the recorded history in step.
    void SetTotals(const StepInfo& info) {
        SetStepInfo(&info);
        m_Last = info;
    }

    int SampleCount() const { return m_nSample; }
    const StepInfo& Last() const { return m_Last; }
    const std::vector<Change>& Changes() const { return m_Changes; }
    int FirstChangeAt() const { return m_Changes.empty() ? -1 : m_Changes.front().nSample; }

private:
    double m_dBase[3] = {0, 9.8, 0};
    double m_dPhase = 0;
    int m_nSample = 0;
    StepInfo m_Last{};
    std::vector<Change> m_Changes;
};

std::string Format(const StepInfo& info) {
    char text[96];
    snprintf(text, sizeof text, "%d %.7f %.7f", info.nStepCount, info.dDistance, info.dCalories);
    return text;
}

// Gives the detector reading k of a synthetic walk, in g, at the walk's 60 ms interval.
void FeedWalkReading(const WalkSignal& walk, long k) {
    int16_t x, y, z;
    walk.Reading(k, &x, &y, &z);
    AccelSample s{x * 0.001, y * 0.001, z * 0.001};
    ProcessSample(&s, 60);
}

}  // namespace

TEST(StepDetectorTest, WorkedWalkCountsDigitForDigit) {
    WalkSignal walk;  // 1.8 cycles per second, amplitude 4, 60 ms
    InitStepDetector();
    int firstStepSample = 0;
    StepInfo info{};
    for (long k = 1; k <= 600; ++k) {
        FeedWalkReading(walk, k);
        GetStepInfo(&info);
        if (!firstStepSample && info.nStepCount) {
            firstStepSample = static_cast<int>(k);
            EXPECT_EQ(Format(info), "1 0.6586000 0.0331822");
        }
        if (k == 100) {
            EXPECT_EQ(Format(info), "9 5.9274001 0.3124657");
        }
    }
    EXPECT_EQ(firstStepSample, 21);
    EXPECT_EQ(Format(info), "63 41.4918005 2.1964773");

    // Faster than the start band and strong: nothing is held back, nothing counts.
    walk.dFrequency = 2.6;
    walk.dAmplitude = 7.0;
    InitStepDetector();
    for (long k = 1; k <= 600; ++k) FeedWalkReading(walk, k);
    GetStepInfo(&info);
    EXPECT_EQ(Format(info), "0 0.0000000 0.0000000");
}

TEST(StepDetectorTest, FirstCycleNeverCountsThenOneStepPerCycle) {
    CMotionFeeder feeder;
    feeder.Walk(10, 3.0);
    const auto& changes = feeder.Changes();
    ASSERT_GE(changes.size(), 6u);
    // The first completed cycle is evaluated at the start of the second and rejected.
    EXPECT_GT(changes[0].nSample, 2 * 11);
    for (size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].nTo, static_cast<int>(i) + 1);
        EXPECT_NEAR(changes[i].dDistance, (i + 1) * kStride178, 1e-9);
        if (i) {
            EXPECT_EQ(changes[i].nSample - changes[i - 1].nSample, 11);
        }
    }
}

TEST(StepDetectorTest, StrongCyclesStartOnlyInsideStartBand) {
    // 60 ms samples: 7 samples per cycle is 2.38 cycles/s, 8 is 2.08, 13 is 1.28, 14 is 1.19.
    const struct {
        double dPeriod;
        bool bCounts;
    } cases[] = {{7, false}, {8, true}, {13, true}, {14, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dPeriod);
        CMotionFeeder feeder;
        feeder.Walk(12, 6.0, c.dPeriod);
        EXPECT_EQ(feeder.Last().nStepCount > 0, c.bCounts);
    }
}

TEST(StepDetectorTest, FiveWeakCyclesJumpBySixThenStreakCountsEachCycle) {
    for (double amplitude : {2.0, 2.4}) {  // sum variance about 21 and 30: both below 35
        SCOPED_TRACE(amplitude);
        CMotionFeeder feeder;
        feeder.Walk(12, amplitude);
        const auto& changes = feeder.Changes();
        ASSERT_GE(changes.size(), 3u);
        EXPECT_EQ(changes[0].nFrom, 0);
        EXPECT_EQ(changes[0].nTo, 6);
        // Held-back cycles add steps but no strides: only the counted cycle adds one.
        EXPECT_NEAR(changes[0].dDistance, kStride178, 1e-9);
        // The rejected first cycle plus five held back: the jump comes with the seventh evaluation.
        EXPECT_GT(changes[0].nSample, 7 * 11);
        for (size_t i = 1; i < changes.size(); ++i) {
            EXPECT_EQ(changes[i].nTo, changes[i - 1].nTo + 1);
            EXPECT_EQ(changes[i].nSample - changes[i - 1].nSample, 11);
        }
    }
}

TEST(StepDetectorTest, SlowCycleCountsDoubleOnlyWithTwoPeaks) {
    // Cadence alternating 11 and 12 samples: the slower cycles set the reference frequency.
    // Then one cycle twice as long: with a small bump inside (a second peak) it holds two
    // steps; with stillness inside (one peak) it is one slow step.
    auto run = [](bool bump) {
        CMotionFeeder feeder;
        for (int i = 0; i < 4; ++i) {
            feeder.Walk(1, 3.0, 11);
            feeder.Walk(1, 3.0, 12);
        }
        feeder.Walk(1, 3.0);
        if (bump)
            feeder.Walk(1, 0.4);
        else
            feeder.Still(11);
        feeder.Walk(3, 3.0);
        return feeder.Changes();
    };
    int doubled = 0;
    for (const auto& c : run(true)) {
        if (c.nTo - c.nFrom == 2) {
            ++doubled;
            EXPECT_NEAR(c.dDistance, c.nTo * kStride178, 1e-9);  // two strides for the doubled cycle
        } else {
            EXPECT_EQ(c.nTo - c.nFrom, 1);
        }
    }
    EXPECT_EQ(doubled, 1);

    const auto single = run(false);
    ASSERT_GE(single.size(), 9u);
    for (const auto& c : single) EXPECT_EQ(c.nTo - c.nFrom, 1);
}

TEST(StepDetectorTest, YoungStreakWithOddFrequencyIsWithdrawn) {
    for (double oddPeriod : {5.0, 20.0}) {  // far faster, far slower
        SCOPED_TRACE(oddPeriod);
        // Steps 1 and 2 (the second counted as the odd cycle begins), then the odd cycle
        // is evaluated with a streak of 2.
        CMotionFeeder feeder;
        feeder.Walk(3, 3.0);
        feeder.Walk(1, 3.0, oddPeriod);
        feeder.Walk(0.5, 3.0);
        // The step total drops at once, the output only with the next counted step.
        ASSERT_EQ(feeder.Last().nStepCount, 2);
        const size_t before = feeder.Changes().size();
        feeder.Walk(3, 3.0);
        ASSERT_GT(feeder.Changes().size(), before);
        const auto& next = feeder.Changes()[before];
        EXPECT_EQ(next.nTo, 1);
        EXPECT_NEAR(next.dDistance, 3 * kStride178, 1e-9);  // strides are not withdrawn
    }
}

TEST(StepDetectorTest, StreakEndsFiftySamplesAfterLastStep) {
    // A weak walk counts every cycle once its streak runs. After a stop the walk resumes; the
    // cycle that ends the stop is evaluated about twelve samples into the new motion.
    auto resumeAfter = [](int samplesAfterLastStep) {
        CMotionFeeder feeder;
        feeder.Walk(10, 2.0);
        feeder.Still(12);  // lets the last cycle finish
        const int lastStep = feeder.Changes().back().nSample;
        feeder.Still(lastStep + samplesAfterLastStep - feeder.SampleCount());
        const size_t seen = feeder.Changes().size();
        feeder.Walk(8, 2.0);
        EXPECT_GT(feeder.Changes().size(), seen);
        return feeder.Changes().size() > seen ? feeder.Changes()[seen].nTo - feeder.Changes()[seen].nFrom : 0;
    };
    EXPECT_EQ(resumeAfter(25), 1);  // evaluated 37 samples after the last step: counts on
    EXPECT_EQ(resumeAfter(38), 6);  // evaluated after 51: the streak has ended, start rules again
    EXPECT_EQ(resumeAfter(200), 6);
}

TEST(StepDetectorTest, MotionOnThirdAxisFailsShakeTest) {
    struct Case {
        double dPeriod;
        uint16_t nInterval;
        double dSecondAxis;  // amplitude on the second axis; third-axis share = 3 / it
        double dThirdAxis;
        bool bCounts;
    };
    const Case cases[] = {
        {11, 60, 0.0, 3.0, false},  // below 2 cycles/s, share unbounded
        {11, 60, 0.5, 3.0, false},  // share 6 > 4
        {11, 60, 1.5, 3.0, true},   // share 2: passes at low frequency
        {9, 50, 0.0, 5.5, false},   // 2.2 cycles/s, sum variance below 150 (about 125)
        {9, 50, 0.0, 7.0, true},    // 2.2 cycles/s, sum variance above 150
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "period " << c.dPeriod << " y " << c.dSecondAxis << " z " << c.dThirdAxis);
        CMotionFeeder feeder;
        feeder.GravityOnThirdAxis();
        feeder.Move(10, c.dPeriod, 0, c.dSecondAxis, c.dThirdAxis, c.nInterval);
        EXPECT_EQ(feeder.Last().nStepCount > 0, c.bCounts);
    }
}

TEST(StepDetectorTest, LongGapJudgesCycleByFrequencyRatio) {
    // Weak walk: the jump by six comes once five cycles are held back. A gap inside the fifth
    // cycle (pending 3) forces the ratio path.
    auto jumpSample = [](uint16_t gapMs) {
        CMotionFeeder feeder;
        feeder.Walk(4.5, 2.0);
        feeder.Move(1, 11, 0, 2.0, 0, 60, 3, gapMs);
        feeder.Walk(10, 2.0);
        EXPECT_EQ(feeder.Changes().at(0).nTo, 6);
        return feeder.FirstChangeAt();
    };
    const int plain = jumpSample(60);
    EXPECT_EQ(jumpSample(250), plain - 11);       // ratio 1: counts as one more cycle
    EXPECT_EQ(jumpSample(750), plain - 2 * 11);   // about twice as long: counts as two
    EXPECT_EQ(jumpSample(2700), plain + 4 * 11);  // four times as long: rejected, pending lost
}

TEST(StepDetectorTest, SetStepInfoReplacesTotalsButKeepsStreak) {
    CMotionFeeder feeder;
    feeder.Walk(6.5, 3.0);
    ASSERT_GE(feeder.Last().nStepCount, 4);
    feeder.SetTotals(StepInfo{0, 0.0, 0.0});
    StepInfo info;
    GetStepInfo(&info);
    EXPECT_EQ(Format(info), "0 0.0000000 0.0000000");
    feeder.Walk(1, 3.0);  // the streak goes on: the very next cycle is step 1
    ASSERT_EQ(feeder.Last().nStepCount, 1);
    EXPECT_NEAR(feeder.Last().dDistance, kStride178, 1e-9);

    feeder.SetTotals(StepInfo{100, 50.0, 3.0});
    feeder.Walk(1, 3.0);
    EXPECT_EQ(feeder.Last().nStepCount, 101);
    EXPECT_NEAR(feeder.Last().dDistance, 50.0 + kStride178, 1e-9);
    EXPECT_GT(feeder.Last().dCalories, 3.0);

    SetStepInfo(nullptr);
    GetStepInfo(nullptr);
    GetStepInfo(&info);
    EXPECT_EQ(info.nStepCount, 101);
}

TEST(StepDetectorTest, RestartConsumesOneSampleAndKeepsTotals) {
    // Whatever the sample after a restart request holds, it is not processed.
    auto run = [](double wild) {
        CMotionFeeder feeder;
        feeder.Walk(6.5, 3.0);
        RequestRestart();
        feeder.Sample(wild, wild, wild);
        feeder.Walk(6, 3.0);
        return feeder.Changes();
    };
    const auto normal = run(9.8);
    const auto wild = run(500.0);
    ASSERT_EQ(normal.size(), wild.size());
    for (size_t i = 0; i < normal.size(); ++i) {
        EXPECT_EQ(normal[i].nSample, wild[i].nSample);
        EXPECT_EQ(normal[i].nTo, wild[i].nTo);
    }

    CMotionFeeder feeder;
    feeder.Walk(6.5, 3.0);
    const StepInfo before = feeder.Last();
    RequestRestart();
    feeder.Still(1);
    StepInfo info;
    GetStepInfo(&info);
    EXPECT_EQ(Format(info), Format(before));
    feeder.Walk(4, 3.0);
    EXPECT_GT(feeder.Last().nStepCount, before.nStepCount);
}

TEST(StepDetectorTest, BodyValuesApplyToNextStepAndResetWithInit) {
    CMotionFeeder feeder;
    UserBody body{80.0, 190.0};
    SetUserBody(&body);
    SetUserBody(nullptr);
    feeder.Walk(3, 3.0);
    ASSERT_GE(feeder.Last().nStepCount, 1);
    EXPECT_NEAR(feeder.Last().dDistance, feeder.Last().nStepCount * 190 * 0.003700000047683716, 1e-9);

    CMotionFeeder fresh;  // InitStepDetector brings back 72 kg and 178 cm
    fresh.Walk(3, 3.0);
    EXPECT_NEAR(fresh.Last().dDistance, fresh.Last().nStepCount * kStride178, 1e-9);
    EXPECT_LT(fresh.Last().dCalories, feeder.Last().dCalories);
}

TEST(StepDetectorTest, DegenerateInputStaysFiniteAndCountsNothingWithoutTime) {
    // Every interval 0 ms: cycles have no frequency and are rejected.
    CMotionFeeder still;
    still.Move(20, 11, 0, 3.0, 0, 0);
    EXPECT_EQ(still.Last().nStepCount, 0);

    // Random readings and intervals, including 0 and 65535 ms, long enough to wrap the rings.
    CMotionFeeder feeder;
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> value(-32.768, 32.767);
    std::uniform_int_distribution<int> interval(0, 65535);
    for (int i = 0; i < 50000; ++i) {
        int r = interval(rng);
        uint16_t ms = static_cast<uint16_t>(i % 7 == 0 ? r : (i % 11 == 0 ? 0 : 40 + r % 40));
        feeder.Sample(value(rng), value(rng), value(rng), ms);
        const StepInfo& info = feeder.Last();
        ASSERT_GE(info.nStepCount, 0);
        ASSERT_TRUE(std::isfinite(info.dDistance));
        ASSERT_TRUE(std::isfinite(info.dCalories));
    }
}
