// Evaluations per second of the optimiser against a plain sweep of as many
// 24-reactor points, both on every core: the search's own cost beside the runs.
#include "formats/sweep_output.h"
#include "study/optimize.h"
#include "study/runner.h"

#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>
#include <thread>

namespace kaskad::study {
namespace {

const FieldTexts kBestExampleBox = {"10:24", "2.6:3.6", "2.7:3.5", "0.05:0.4", "433", "2", "3", "300:1800"};

unsigned allCores() { return std::max(1u, std::thread::hardware_concurrency()); }

DesignProblem marginProblem()
{
    DesignSpace space(ModelKind::bubble, kBestExampleBox, kFieldCount);
    Objective objective = Objective::parse(Objective::Kind::margin, "margin", space);
    return {std::move(space), std::move(objective), false, {}, {}, std::nullopt};
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

// As many 24-reactor points of a plan as the optimiser evaluates.
PointRange asManyPoints(const SweepPlan& plan)
{
    OptimizeSettings settings;
    settings.jobs = allCores();
    return {0, std::min(optimize(marginProblem(), settings).evaluations, plan.pointCount())};
}

// The box as a grid (6 x 5 x 8 x 8 points), which a sweep would run instead.
const FieldTexts kBoxGrid = {"24", "2.6:3.6:0.2", "2.7:3.5:0.2", "0.05:0.4:0.05", "433", "2", "3", "300:1800:200"};
// One line through the box near where the optimiser spends most runs: the
// model's cheapest points of it, the strictest comparison.
const FieldTexts kSweptWg = {"24", "2.6", "3.39", "0.05:0.4:0.0001", "433", "2", "3", "300"};

// The runs only, recorded as the optimiser's are, no output.
void SweepOfAsManyPoints(benchmark::State& state, const FieldTexts& fields)
{
    const SweepPlan plan(ModelKind::bubble, fields, '.');
    const PointRange range = asManyPoints(plan);
    for (auto _ : state)
        runSweep(plan, range, allCores(), [](std::size_t, const RunRecord& run) { benchmark::DoNotOptimize(run); });
    state.counters["runs_per_s"] =
        benchmark::Counter(static_cast<double>(range.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(SweepOfAsManyPoints, BoxGrid, kBoxGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK_CAPTURE(SweepOfAsManyPoints, LineNearTheOptimum, kSweptWg)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// A stream buffer that takes every character and keeps none.
class DiscardingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// The sweep as kaskad-cli sweep ... --outlet --criterion runs it: the
// outlet's CSV row formed for every point.
void OutletSweepOfAsManyPoints(benchmark::State& state)
{
    const SweepPlan plan(ModelKind::bubble, kBoxGrid, '.');
    const PointRange range = asManyPoints(plan);
    DiscardingBuffer discard;
    std::ostream out(&discard);
    for (auto _ : state) {
        formats::SweepWriter writer(out, plan, {formats::OutputFormat::csv, {.outletOnly = true, .criterion = true}});
        formats::writeSweep(writer, range, {.jobs = allCores()});
    }
    state.counters["runs_per_s"] =
        benchmark::Counter(static_cast<double>(range.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(OutletSweepOfAsManyPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
} // namespace kaskad::study
