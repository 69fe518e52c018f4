// An uncertainty study of one design: samples of its uncertain fields drawn
// with OpenTURNS, their runs, and what the outlet does over them.
#pragma once

#include "model/quantities.h"
#include "study/runner.h"
#include "study/sample_runs.h"
#include "study/uncertain_space.h"
#include "uncertainty/rare_event.h"
#include "uncertainty/sobol_indices.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::study {

enum class SamplingMethod { mc, lhs, sobol };

// "mc", "lhs", "sobol", in the order of SamplingMethod.
inline constexpr std::array<std::string_view, 3> kSamplingMethodNames = {"mc", "lhs", "sobol"};

constexpr std::string_view samplingMethodName(SamplingMethod method)
{
    return kSamplingMethodNames[static_cast<std::size_t>(method)];
}

constexpr std::optional<SamplingMethod> samplingMethodNamed(std::string_view name)
{
    for (std::size_t k = 0; k < kSamplingMethodNames.size(); ++k)
        if (kSamplingMethodNames[k] == name)
            return static_cast<SamplingMethod>(k);
    return std::nullopt;
}

// Runs rows in place of the local threads (on a cluster, say) and gives
// what they gave in row order, fewer than the rows once stopped. `sample`:
// the rows are the study's sample, whose runs the runner hands on itself,
// rather than a design of the indices or of the rare-event estimate.
using SampleRunner = std::function<SampleRuns(std::span<const double> rows, bool sample)>;

struct UncertaintySettings {
    std::size_t samples = 10000;
    std::uint64_t seed = 1;
    SamplingMethod method = SamplingMethod::lhs;
    unsigned jobs = 1;
    bool indices = false;         // Sobol' indices, from a design of samples * (fields + 2) more runs
    bool rare = false;            // the probability of missing the criterion by FORM and subset sampling
    std::vector<Pane> quantities; // outlet quantities summarised beside the margin
    std::stop_token stop;
    ProgressSink progress; // runs of the sample delivered
    SampleSink sampleSink;
    SampleRunner runner; // when set, runs every row in place of jobs, progress and sampleSink
};

// The levels of the quantiles reported.
inline constexpr std::array<double, 5> kQuantileLevels = {0.01, 0.05, 0.5, 0.95, 0.99};

// A quantity over the runs that gave it.
struct Summary {
    std::size_t count = 0;
    long double mean = 0;
    long double deviation = 0; // the sample's, divided by count - 1
    std::array<double, kQuantileLevels.size()> quantiles{};
};

// A proportion and its 95 % Wilson score interval.
struct Proportion {
    long double value = 0;
    long double lower = 0;
    long double upper = 0;
};

Proportion wilsonInterval(std::size_t successes, std::size_t trials);

struct UncertaintyResult {
    std::vector<std::string> fields; // the uncertain fields' names, in the window's order
    std::size_t evaluations = 0;     // runs of the sample
    std::size_t failedRuns = 0;
    std::size_t meeting = 0;
    bool stopped = false; // by the stop token: the rest covers the runs delivered
    Proportion meets;
    std::optional<Summary> margin; // none when no run gave one
    std::vector<double> margins;   // each run's, in sample order; NaN where a run gave none
    std::vector<std::pair<Pane, std::optional<Summary>>> quantities;
    std::optional<SobolIndices> indices;
    std::optional<RareEventResult> rare; // the probability of missing the criterion
};

// Draws the sample on the calling thread, from settings.seed, and runs it on
// settings.jobs threads or with settings.runner; the result is the same for
// every number of jobs and every runner that runs the rows it is given.
// A run that fails counts as missing the criterion and gives no value to
// the summaries. Raises StudyError when no field is uncertain.
UncertaintyResult runUncertainty(const UncertainSpace& space, const UncertaintySettings& settings);

} // namespace kaskad::study
