// The runs of an uncertainty study's sample: what each run gives the
// statistics, gathered in sample order on any number of threads.
#pragma once

#include "model/criterion.h"
#include "model/quantities.h"
#include "study/runner.h"
#include "study/uncertain_space.h"

#include <cstddef>
#include <functional>
#include <span>
#include <stop_token>
#include <vector>

namespace kaskad::study {

// Receives each sample, in sample order, on the calling thread: its index,
// the values drawn (one per uncertain field) and its run.
using SampleSink = std::function<void(std::size_t index, std::span<const long double> values, const RunRecord& run)>;

// What the runs of a sample give the statistics, in sample order.
struct SampleRuns {
    std::size_t delivered = 0; // the runs made, from the first row on
    std::size_t failed = 0;
    std::size_t meeting = 0;
    std::vector<double> margins;                 // per run; NaN where a run gave none
    std::vector<std::vector<double>> quantities; // per quantity asked for, per run; NaN where the outlet has none

    explicit SampleRuns(std::size_t quantityCount = 0) : quantities(quantityCount) {}
    // Appends a run's outcome: a run that fails counts as missing the criterion.
    void add(const RunRecord& run, const CriterionResult& criterion, std::span<const Pane> asked);
};

struct SampleRunSettings {
    std::vector<Pane> quantities; // outlet quantities gathered beside the margin
    unsigned jobs = 1;
    std::stop_token stop;
    ProgressSink progress;
    SampleSink sink; // takes each run when set
};

// Runs the rows (one value per uncertain field each, row after row) on
// settings.jobs threads; once a stop is asked for, the runs delivered are
// the last.
SampleRuns runSampleRows(const UncertainSpace& space, std::span<const double> rows, const SampleRunSettings& settings);

} // namespace kaskad::study
