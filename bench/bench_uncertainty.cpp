// An uncertainty study of 10^5 Latin hypercube samples of a 10-reactor
// bubble column against sweeps of 10^5 points of the same column, all on
// every core: the cost of drawing and summarising beside the runs.
#include "model/criterion.h"
#include "study/runner.h"
#include "uncertainty/uncertainty.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace kaskad::study {
namespace {

unsigned allCores() { return std::max(1u, std::thread::hardware_concurrency()); }

const FieldTexts kUncertainColumn = {"10", "3", "2.7", "0.4±5%", "433±1", "2", "3", "305±10"};
// The same spans as a grid of 100 x 100 x 10 points, ts varying fastest: ten
// points in a row share t and wg, whose terms each thread keeps for the
// inputs met last, while every sample has values of its own.
const FieldTexts kSweptColumn = {"10", "3", "2.7", "0.38:0.41999:0.0004", "432:433.99:0.02", "2", "3", "295:314:2"};
// A grid of 500 x 200 points whose every point has a temperature of its
// own, as the samples have: the runs alone cost what the samples' runs cost.
const FieldTexts kFreshColumn = {"10", "3", "2.7", "0.38:0.41999:0.00008", "432:433.99:0.01", "2", "3", "305"};

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double sweepSeconds(const SweepPlan& plan)
{
    return secondsOf([&] {
        runSweep(plan, allPoints(plan), allCores(),
                 [](std::size_t, const RunRecord& run) { benchmark::DoNotOptimize(evaluateCriterion(run)); });
    });
}

// Each iteration times the three, one after the other; "ratio" is the
// study's time over the grid's, "ratio_fresh" over that of the grid of
// fresh temperatures.
void UncertaintyAgainstSweep(benchmark::State& state)
{
    const UncertainSpace space(ModelKind::bubble, kUncertainColumn, '.');
    const SweepPlan plan(ModelKind::bubble, kSweptColumn, '.');
    const SweepPlan fresh(ModelKind::bubble, kFreshColumn, '.');
    UncertaintySettings settings;
    settings.samples = 100'000;
    settings.jobs = allCores();
    double study = 0, sweep = 0, freshSweep = 0;
    for (auto _ : state) {
        study += secondsOf([&] { benchmark::DoNotOptimize(runUncertainty(space, settings)); });
        sweep += sweepSeconds(plan);
        freshSweep += sweepSeconds(fresh);
    }
    const auto perIteration = [&state](double seconds) { return seconds / static_cast<double>(state.iterations()); };
    state.counters["points"] = static_cast<double>(plan.pointCount());
    state.counters["uncertainty_s"] = perIteration(study);
    state.counters["sweep_s"] = perIteration(sweep);
    state.counters["fresh_sweep_s"] = perIteration(freshSweep);
    state.counters["ratio"] = study / sweep;
    state.counters["ratio_fresh"] = study / freshSweep;
}
BENCHMARK(UncertaintyAgainstSweep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
} // namespace kaskad::study
