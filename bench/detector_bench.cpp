// The step detector alone, fed as the engine feeds it: one sample and one copy of the totals
// at a time, over a long steady walk.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/step_detector.h"
#include "recording/walk_signal.h"

namespace {

std::vector<AccelSample> MakeWalk(long count) {
    WalkSignal walk;
    std::vector<AccelSample> samples;
    samples.reserve(static_cast<size_t>(count));
    for (long k = 1; k <= count; ++k) {
        int16_t x, y, z;
        walk.Reading(k, &x, &y, &z);
        samples.push_back(AccelSample{x * 0.001, y * 0.001, z * 0.001});
    }
    return samples;
}

void BM_DetectorSamples(benchmark::State& state) {
    const std::vector<AccelSample> samples = MakeWalk(100000);
    InitStepDetector();
    StepInfo info{};
    for (auto _ : state) {
        for (const AccelSample& s : samples) {
            ProcessSample(&s, 60);
            GetStepInfo(&info);
        }
        benchmark::DoNotOptimize(info);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(samples.size()));
    state.counters["steps"] = info.nStepCount;
}
BENCHMARK(BM_DetectorSamples)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
