// Throughput of a sweep of 10,000 24-reactor bubble-column points, on one
// thread and on two, with its CSV rows formatted (and thrown away); the
// points' field texts of a long list.
#include "formats/sweep_output.h"
#include "study/runner.h"

#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>
#include <string>

namespace kaskad::study {
namespace {

// A stream buffer that takes every character and keeps none.
class DiscardingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// 100 temperatures x 100 residence times, 24 reactors each.
SweepPlan tenThousandPoints()
{
    const FieldTexts fields = {"24", "3", "2.5", "0.05", "400:499:1", "2", "3", "1000:10900:100"};
    return SweepPlan(ModelKind::bubble, fields, '.');
}

void SweepOf10000BubblePoints(benchmark::State& state)
{
    const SweepPlan plan = tenThousandPoints();
    const auto jobs = static_cast<unsigned>(state.range(0));
    DiscardingBuffer discard;
    std::ostream out(&discard);
    for (auto _ : state) {
        formats::SweepWriter writer(out, plan, {formats::OutputFormat::csv, {.criterion = true}});
        formats::writeSweep(writer, allPoints(plan), {.jobs = jobs});
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(plan.pointCount()));
    state.counters["runs_per_s"] =
        benchmark::Counter(static_cast<double>(plan.pointCount()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(SweepOf10000BubblePoints)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The field texts of every point of a list of 200,000 values: each point's
// texts cost the same whatever the list's length.
void PointFieldsOfA200000ItemList(benchmark::State& state)
{
    std::string list;
    for (int k = 0; k < 200'000; ++k)
        (list += list.empty() ? "" : ";") += std::to_string(100'000 + k);
    const SweepPlan plan(ModelKind::bubble, {"1", "3", "2.5", list, "433", "2", "3", "3600"}, '.');
    for (auto _ : state)
        for (std::size_t point = 0; point < plan.pointCount(); ++point)
            benchmark::DoNotOptimize(plan.pointFields(point));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(plan.pointCount()));
}
BENCHMARK(PointFieldsOfA200000ItemList)->Unit(benchmark::kMillisecond);

// One point as a sweep records it: values only, no pane texts.
void RecordedBubbleRun24Reactors(benchmark::State& state)
{
    const FieldTexts fields = {"24", "3", "2.5", "0.05", "433", "2", "3", "3600"};
    for (auto _ : state)
        benchmark::DoNotOptimize(runRecorded(ModelKind::bubble, fields, '.'));
}
BENCHMARK(RecordedBubbleRun24Reactors)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kaskad::study
