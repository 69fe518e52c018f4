// An uncertainty study's sample run on several threads, each run judged by
// the criterion on the thread that made it and reduced, in sample order, to
// its margin and the quantities asked for.
#include "study/sample_runs.h"

#include <limits>

namespace kaskad::study {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The values of one row of a sample, as the space takes them.
std::vector<long double> rowValues(std::span<const double> rows, std::size_t row, std::size_t width)
{
    const std::span<const double> values = rows.subspan(row * width, width);
    return {values.begin(), values.end()};
}

// A run and its verdict, as a thread hands them over.
struct JudgedRun {
    RunRecord run;
    CriterionResult criterion;
};

} // namespace

void SampleRuns::add(const RunRecord& run, const CriterionResult& criterion, std::span<const Pane> asked)
{
    ++delivered;
    failed += run.ok() ? 0 : 1;
    meeting += criterion.meets ? 1 : 0;
    margins.push_back(criterion.margin.value_or(kNoValue));
    const bool outlet = run.ok() && !run.reactors.empty();
    for (std::size_t q = 0; q < asked.size(); ++q)
        quantities[q].push_back(outlet && run.reactors.back().has(asked[q]) ? run.reactors.back().value(asked[q])
                                                                            : kNoValue);
}

SampleRuns runSampleRows(const UncertainSpace& space, std::span<const double> rows, const SampleRunSettings& settings)
{
    const std::size_t width = space.uncertain().size();
    SampleRuns gathered(settings.quantities.size());
    // The criterion is judged on the threads that make the runs.
    runInOrder<JudgedRun>(
        rows.size() / width, settings.jobs,
        [&](std::size_t index) {
            RunRecord run = space.sampleRun(rowValues(rows, index, width));
            const CriterionResult criterion = evaluateCriterion(run);
            return JudgedRun{std::move(run), criterion};
        },
        [&](std::size_t index, JudgedRun&& judged) {
            gathered.add(judged.run, judged.criterion, settings.quantities);
            if (settings.sink)
                settings.sink(index, rowValues(rows, index, width), judged.run);
        },
        settings.stop, settings.progress);
    return gathered;
}

} // namespace kaskad::study
