// The step detector. A four-sample moving sum of the sample magnitude is differenced against
// the sum four samples earlier; a phase machine with hysteresis follows that difference, and
// every completed rise and fall is one candidate cycle that the evaluation accepts, rejects,
// holds back or doubles.
#include "engine/step_detector.h"

#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr int kRingLength = 1000;
constexpr int kShortLength = 4;
constexpr int kAxisWindow = 8;
constexpr unsigned kGapRestartMs = 200;

// Values written as single-precision literals in the original tuning carry their exact
// single-precision values here and are compared in double.
constexpr double kRiseThreshold = 4.0;
constexpr double kTopThreshold = 0.20000000298023224;  // 0.2f
constexpr double kBottomThreshold = -3.5;
constexpr double kBottomExitThreshold = -0.20000000298023224;  // -0.2f
constexpr double kStrideFactor = 0.003700000047683716;         // metres of stride per cm of height
constexpr double kCalorieStrideFactor = 0.0037;
constexpr double kCalorieFactor = 0.025764;
constexpr double kLowerStartFrequency = 1.2000000476837158;  // 1.2f
constexpr double kUpperStartFrequency = 2.3499999046325684;  // 2.35f
constexpr double kSlowCycleRatio = 0.6499999761581421;       // 0.65f
constexpr double kFastCycleRatio = 1.600000023841858;        // 1.6f

constexpr double kDefaultWeight = 72.0;
constexpr double kDefaultHeight = 178.0;

// The whole module state, with its initial values.
struct DetectorState {
    int nSamplePos = 0;
    int nShortPos = 0;
    uint16_t nAxisPos = 0;
    int nSampleCount = 0;
    double dMagRing[kShortLength] = {};
    double dMovingSum = 0;
    double dSumDelay[kShortLength] = {};
    double dSumRing[kRingLength] = {};
    double dDiffRing[kRingLength] = {};
    double dPrevDiff = 0;
    AccelSample prevSample = {};
    double dAxisRing[kAxisWindow][3] = {};
    double dAxisSum[3] = {};
    float fMeanInterval = 60.0f;
    uint16_t nMinPhase = 0;
    int nPhaseState = 0;
    uint16_t nPhaseCounter = 0;
    uint16_t nRiseLen = 0;
    uint16_t nFallLen = 0;
    uint16_t nPeakCount = 0;
    int bRestart = 1;
    int nElapsed = 0;
    double dCycleSum = 0;
    double dCycleDiffSum = 0;
    int nLastEvalPos = -1;
    int nLastStepPos = -1;
    double dCycleFreq = 0;
    double dRefFreq = 0;
    int nPending = 0;
    int nStreak = 0;
    int nStepTotal = 0;
    double dDistance = 0;
    double dCalories = 0;
    StepInfo output = {};
    double dWeight = kDefaultWeight;
    double dHeight = kDefaultHeight;
};

DetectorState g_det;

// Step totals move by small amounts; wrap instead of overflowing should a run ever get there.
int WrapAdd(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}

bool RisesThrough(double prev, double cur, double v) {
    return prev <= v && cur > v;
}
bool FallsThrough(double prev, double cur, double v) {
    return prev >= v && cur < v;
}

// Share of motion on the third axis: Z / (Y + X), with IEEE results where the sum is zero.
double ThirdAxisShare(double sx, double sy, double sz) {
    double denom = sy + sx;
    if (denom != 0.0) return sz / denom;
    if (sz > 0.0) return HUGE_VAL;
    if (sz < 0.0) return -HUGE_VAL;
    return NAN;
}

// Ends an evaluation; a rejection also drops the held-back cycles.
void FinishEvaluation(bool rejected) {
    DetectorState& s = g_det;
    if (rejected) s.nPending = 0;
    s.dCycleSum = 0;
    s.dCycleDiffSum = 0;
    s.nElapsed = 0;
    s.nLastEvalPos = s.nSamplePos;
    s.bRestart = 0;
}

void CountCycle(double f, double p) {
    DetectorState& s = g_det;
    bool doubled = false;
    if (s.nStreak != 0) {
        if (f < kSlowCycleRatio * s.dRefFreq && s.nPeakCount > 1) {
            doubled = true;
            f = 2 * f;
            s.dCycleFreq = f;
            p = f;
            s.nStreak = WrapAdd(s.nStreak, 1);
            s.nStepTotal = WrapAdd(s.nStepTotal, 1);
        }
        double mean = (f + p) * 0.5;
        if (f < mean || doubled) s.dRefFreq = f;
    }
    int times = doubled ? 2 : 1;
    double stride = s.dHeight * kStrideFactor;
    double kcal = (f + 1) * (1.0 / 3) * (s.dWeight * (1.0 / 60) + 1) * (s.dHeight * kCalorieStrideFactor) *
                  kCalorieFactor;
    for (int i = 0; i < times; ++i) {
        s.dDistance += stride;
        s.dCalories += kcal;
    }
    s.output.nStepCount = WrapAdd(s.nStepTotal, 1);
    s.output.dDistance = s.dDistance;
    s.output.dCalories = s.dCalories;
    s.nStepTotal = WrapAdd(s.nStepTotal, 1);
    s.nStreak = WrapAdd(s.nStreak, 1);
    s.nLastStepPos = s.nSamplePos;
}

// Evaluates one completed cycle (the samples since the last evaluation).
void EvaluateCycle() {
    DetectorState& s = g_det;
    double p = s.dCycleFreq;
    if (s.nElapsed <= 0) {
        // No time passed over the whole cycle: there is no frequency to judge it by.
        FinishEvaluation(true);
        return;
    }
    double f = 1000.0 / s.nElapsed;
    s.dCycleFreq = f;
    uint16_t n = static_cast<uint16_t>((s.nSamplePos - s.nLastEvalPos + kRingLength) % kRingLength);

    int c;
    if (n > 25 || s.bRestart) {
        double ratio = p / f;
        if (!(ratio < 4.0)) {  // the truncated ratio would exceed 3
            FinishEvaluation(true);
            return;
        }
        unsigned r = static_cast<unsigned>(ratio);
        if (s.nPending < 2 && s.nStreak == 0) {
            FinishEvaluation(true);
            return;
        }
        f = r * f;
        s.dCycleFreq = f;
        c = s.nPending + static_cast<int>(r);
    } else {
        c = s.nPending;
    }

    int w;
    if (s.nStreak == 0 && c > 4) {
        s.nStepTotal = WrapAdd(s.nStepTotal, c);
        s.nStreak = c;
        w = 0;
    } else {
        w = c;
    }

    double sumVar;
    double diffVar;
    if (n == 0) {
        // A thousand samples since the last evaluation wrap n to 0: the variances come out as
        // 0 * (1 / 0), not a number, which passes every threshold test below.
        sumVar = std::numeric_limits<double>::quiet_NaN();
        diffVar = sumVar;
    } else {
        const double meanSum = (1.0 / n) * s.dCycleSum;
        const double meanDiff = (1.0 / n) * s.dCycleDiffSum;
        sumVar = 0;
        diffVar = 0;
        int idx = (s.nSamplePos - n + 1 + kRingLength) % kRingLength;
        for (unsigned i = 0; i < n; ++i) {
            const double ds = s.dSumRing[idx] - meanSum;
            const double dd = s.dDiffRing[idx] - meanDiff;
            sumVar += ds * ds;
            diffVar += dd * dd;
            if (++idx == kRingLength) idx = 0;
        }
        sumVar = (1.0 / n) * sumVar;
        diffVar = (1.0 / n) * diffVar;
    }

    if (s.dAxisSum[0] < 10 && s.dAxisSum[1] < 10) {
        double z = ThirdAxisShare(s.dAxisSum[0], s.dAxisSum[1], s.dAxisSum[2]);
        if (z > 1.5) {
            bool reject = (f > 2.0) ? (sumVar < 150) : (z > 4.0);
            if (reject) {
                FinishEvaluation(true);
                return;
            }
        }
    }

    if (s.nStreak == 0 && (diffVar < 50 || sumVar < 35)) {
        s.nPending = WrapAdd(w, 1);
        FinishEvaluation(false);
        return;
    }
    s.nPending = 0;

    if (s.nStreak != 0) {
        if (s.nStreak <= 2 && (f < kSlowCycleRatio * p || f > kFastCycleRatio * p)) {
            s.nStepTotal = WrapAdd(s.nStepTotal, -s.nStreak);
            s.nStreak = 0;
            FinishEvaluation(false);
            return;
        }
    } else if (!(f >= kLowerStartFrequency && f < kUpperStartFrequency)) {
        FinishEvaluation(false);
        return;
    }
    CountCycle(f, p);
    FinishEvaluation(false);
}

// Runs once per cycle, on the first sample of the next positive phase.
void Trigger() {
    DetectorState& s = g_det;
    if (s.nRiseLen == 0 || s.nFallLen == 0) return;
    if (s.nRiseLen + s.nFallLen > 20) s.bRestart = 1;
    if (s.nPeakCount > 3) s.bRestart = 1;
    EvaluateCycle();
    s.nFallLen = 0;
    s.nPeakCount = 0;
}

// Follows the difference D through its phases; returns after the sample's part is done.
void RunPhaseMachine(double prev, double d) {
    DetectorState& s = g_det;
    s.nPhaseCounter = static_cast<uint16_t>(s.nPhaseCounter + 1);
    const unsigned P = s.nPhaseCounter;
    const unsigned L1 = s.nRiseLen;

    if (s.nPhaseState == 1 || s.nPhaseState == 3) {
        if (P < s.nMinPhase) {
            if (s.nStreak == 0 &&
                (RisesThrough(prev, d, kRiseThreshold) || FallsThrough(prev, d, kBottomThreshold)))
                s.bRestart = 1;
            return;
        }
        if (P > 13 && (L1 == 0 || L1 + P >= 25)) s.bRestart = 1;
    }

    switch (s.nPhaseState) {
        case 0:
            if (RisesThrough(prev, d, kRiseThreshold)) {
                if (P > 5) s.nPhaseCounter = 0;
                s.nPhaseState = 1;
                Trigger();
            }
            break;
        case 1:
            if (FallsThrough(prev, d, kTopThreshold)) {
                s.nRiseLen = static_cast<uint16_t>(P);
                s.nPhaseCounter = 0;
                s.nPhaseState = (d < kBottomThreshold) ? 3 : 2;
            } else {
                Trigger();
            }
            break;
        case 2:
            if (FallsThrough(prev, d, kBottomThreshold)) s.nPhaseState = 3;
            break;
        case 3:
            if (RisesThrough(prev, d, kBottomExitThreshold)) {
                s.nFallLen = static_cast<uint16_t>(P);
                s.nPhaseCounter = 0;
                if (d > kRiseThreshold) {
                    s.nPhaseState = 1;
                    Trigger();
                } else {
                    s.nPhaseState = 0;
                }
            }
            break;
        default:
            break;
    }
}

// Processes the sample's signal: returns after storing it and running the phase machine.
void AbsorbSample(const AccelSample& a, uint16_t intervalMs) {
    DetectorState& s = g_det;
    s.fMeanInterval = static_cast<float>((s.fMeanInterval * 4.0 + intervalMs) * 0.2);
    s.nMinPhase = (s.fMeanInterval <= 54.0) ? 3 : 2;
    if (intervalMs > kGapRestartMs) s.bRestart = 1;
    s.nElapsed = (s.nElapsed > INT_MAX - intervalMs) ? INT_MAX : s.nElapsed + intervalMs;
    if (s.nSamplePos == s.nLastEvalPos) s.bRestart = 1;

    double dx = std::fabs(a.x - s.prevSample.x);
    double dy = std::fabs(a.y - s.prevSample.y);
    double dz = std::fabs(a.z - s.prevSample.z);

    double m = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    double prevSum;
    if (s.nSampleCount == 0) {
        for (double& v : s.dMagRing) v = m;
        prevSum = 4 * m;
    } else {
        prevSum = s.dMovingSum;
    }
    double sum = (m - s.dMagRing[s.nShortPos]) + prevSum;
    s.dMagRing[s.nShortPos] = m;
    s.dMovingSum = sum;

    s.dSumRing[s.nSamplePos] = sum;
    s.dCycleSum += sum;

    double d = sum - s.dSumDelay[s.nShortPos];
    s.dSumDelay[s.nShortPos] = sum;
    s.dDiffRing[s.nSamplePos] = d;
    s.dCycleDiffSum += d;

    double* slot = s.dAxisRing[s.nAxisPos];
    s.dAxisSum[0] = s.dAxisSum[0] - slot[0] + dx;
    s.dAxisSum[1] = s.dAxisSum[1] - slot[1] + dy;
    s.dAxisSum[2] = s.dAxisSum[2] - slot[2] + dz;
    slot[0] = dx;
    slot[1] = dy;
    slot[2] = dz;
    s.prevSample = a;

    double prev = s.dPrevDiff;
    if (prev >= 0 && d < 0) s.nPeakCount = static_cast<uint16_t>(s.nPeakCount + 1);

    RunPhaseMachine(prev, d);
}

}  // namespace

void InitStepDetector() {
    g_det = DetectorState{};
}

void ProcessSample(const AccelSample* sample, uint16_t intervalMs) {
    if (!sample) return;
    DetectorState& s = g_det;
    if (s.nPhaseState == 5) {
        // A restart consumes this sample: nothing is stored, the next evaluation restarts.
        s.bRestart = 1;
        s.nPhaseState = 0;
    } else {
        AbsorbSample(*sample, intervalMs);
    }

    // Stop timeout: a streak ends 50 samples after the last counted step.
    int k = (s.nSamplePos - s.nLastStepPos + kRingLength) % kRingLength;
    if (k == 50) s.nStreak = 0;

    s.nAxisPos = static_cast<uint16_t>((s.nAxisPos + 1) % kAxisWindow);
    s.dPrevDiff = s.dDiffRing[s.nSamplePos];
    s.nSamplePos = (s.nSamplePos + 1) % kRingLength;
    s.nShortPos = (s.nShortPos + 1) % kShortLength;
    if (s.nSampleCount < INT_MAX) ++s.nSampleCount;
}

void GetStepInfo(StepInfo* info) {
    if (info) *info = g_det.output;
}

void SetStepInfo(const StepInfo* info) {
    if (!info) return;
    g_det.output = *info;
    g_det.nStepTotal = info->nStepCount;
    g_det.dDistance = info->dDistance;
    g_det.dCalories = info->dCalories;
}

void RequestRestart() {
    g_det.nPhaseState = 5;
}

void SetUserBody(const UserBody* body) {
    if (!body) return;
    g_det.dWeight = body->dWeight;
    g_det.dHeight = body->dHeight;
}
