// Evaluations per second of the optimiser against a plain sweep of as many
// 24-reactor points, both on every core: the search's own cost beside the runs.
#include "study/optimize.h"
#include "study/runner.h"

#include <benchmark/benchmark.h>

#include <thread>

namespace kaskad::study {
namespace {

const FieldTexts kBestExampleBox = {"10:24", "2.6:3.6", "2.7:3.5", "0.05:0.4", "433", "2", "3", "300:1800"};

unsigned allCores() { return std::max(1u, std::thread::hardware_concurrency()); }

DesignProblem marginProblem()
{
    DesignSpace space(ModelKind::bubble, kBestExampleBox, kFieldCount);
    Objective objective = Objective::parse(Objective::Kind::margin, "margin", space);
    return {std::move(space), std::move(objective), false, {}};
}

void OptimizerOnTheBestExampleBox(benchmark::State& state)
{
    const DesignProblem problem = marginProblem();
    OptimizeSettings settings;
    settings.jobs = allCores();
    std::size_t evaluations = 0;
    for (auto _ : state)
        evaluations += optimize(problem, settings).evaluations;
    state.counters["evaluations_per_s"] =
        benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}
BENCHMARK(OptimizerOnTheBestExampleBox)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// As many points as the optimiser evaluates, each run to 24 reactors and
// recorded, as the optimiser's are.
void SweepOfAsManyPoints(benchmark::State& state)
{
    OptimizeSettings settings;
    settings.jobs = allCores();
    const std::size_t points = optimize(marginProblem(), settings).evaluations;
    const FieldTexts fields = {"24", "2.6", "3.39", "0.05:0.4:0.0001", "433", "2", "3", "300"};
    const SweepPlan plan(ModelKind::bubble, fields, '.');
    const PointRange range{0, std::min(points, plan.pointCount())};
    for (auto _ : state)
        runSweep(plan, range, allCores(), [](std::size_t, const RunRecord& run) { benchmark::DoNotOptimize(run); });
    state.counters["runs_per_s"] = benchmark::Counter(static_cast<double>(range.size()) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
}
BENCHMARK(SweepOfAsManyPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
} // namespace kaskad::study
