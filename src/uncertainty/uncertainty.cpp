// The uncertainty study of a design: the sample drawn on the calling thread,
// its runs in parallel in sample order, and the summaries of the outlet.
#include "uncertainty/uncertainty.h"

#include "model/criterion.h"
#include "study/study_error.h"
#include "uncertainty/sample_draw.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kaskad::study {

namespace {

// The two-sided 95 % point of the standard normal distribution.
constexpr long double kNormal975 = 1.95996398454005423552L;

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// What a sample's run gives the study; its run too when a sink takes it.
struct SampleOutcome {
    bool failed = false;
    bool meets = false;
    double margin = kNoValue;
    std::vector<double> quantities; // per quantity asked for; NaN where the outlet has none
    std::optional<RunRecord> run;
};

SampleOutcome outcomeOf(RunRecord&& run, std::span<const Pane> quantities, bool keepRun)
{
    SampleOutcome outcome;
    outcome.failed = !run.ok();
    const CriterionResult criterion = evaluateCriterion(run);
    outcome.meets = criterion.meets;
    outcome.margin = criterion.margin.value_or(kNoValue);
    outcome.quantities.assign(quantities.size(), kNoValue);
    if (run.ok() && !run.reactors.empty())
        for (std::size_t q = 0; q < quantities.size(); ++q)
            if (run.reactors.back().has(quantities[q]))
                outcome.quantities[q] = run.reactors.back().value(quantities[q]);
    if (keepRun)
        outcome.run = std::move(run);
    return outcome;
}

// The values of one row of a sample, as the space takes them.
std::vector<long double> rowValues(std::span<const double> rows, std::size_t row, std::size_t width)
{
    const std::span<const double> values = rows.subspan(row * width, width);
    return {values.begin(), values.end()};
}

// The outputs of one sample gathered in sample order: margins and
// quantities, NaN where a run gave none.
struct Gathered {
    std::size_t delivered = 0;
    std::size_t failed = 0;
    std::size_t meeting = 0;
    std::vector<double> margins;
    std::vector<std::vector<double>> quantities;
};

Gathered runSample(const UncertainSpace& space, std::span<const double> rows, const UncertaintySettings& settings)
{
    const std::size_t width = space.uncertain().size();
    const std::size_t count = rows.size() / width;
    const bool keepRuns = bool(settings.sampleSink);
    Gathered gathered;
    gathered.quantities.resize(settings.quantities.size());
    const std::size_t delivered = runInOrder<SampleOutcome>(
        count, settings.jobs,
        [&](std::size_t index) {
            return outcomeOf(space.sampleRun(rowValues(rows, index, width)), settings.quantities, keepRuns);
        },
        [&](std::size_t index, SampleOutcome&& outcome) {
            gathered.failed += outcome.failed ? 1 : 0;
            gathered.meeting += outcome.meets ? 1 : 0;
            gathered.margins.push_back(outcome.margin);
            for (std::size_t q = 0; q < outcome.quantities.size(); ++q)
                gathered.quantities[q].push_back(outcome.quantities[q]);
            if (keepRuns)
                settings.sampleSink(index, rowValues(rows, index, width), *outcome.run);
        },
        settings.stop, settings.progress);
    gathered.delivered = delivered;
    return gathered;
}

// The summary of the values that are numbers, or none when none is.
std::optional<Summary> summaryOf(const std::vector<double>& values)
{
    OT::Sample sample(0, 1);
    Summary summary;
    long double sum = 0;
    for (const double value : values)
        if (std::isfinite(value)) {
            sample.add(OT::Point(1, value));
            sum += value;
        }
    summary.count = sample.getSize();
    if (summary.count == 0)
        return std::nullopt;
    summary.mean = sum / static_cast<long double>(summary.count);
    long double squares = 0;
    for (const double value : values)
        if (std::isfinite(value))
            squares += (value - summary.mean) * (value - summary.mean);
    summary.deviation = summary.count > 1 ? std::sqrt(squares / static_cast<long double>(summary.count - 1)) : 0;
    for (std::size_t k = 0; k < kQuantileLevels.size(); ++k)
        summary.quantiles[k] = sample.computeQuantilePerComponent(kQuantileLevels[k])[0];
    return summary;
}

// The design seen as a generic model: the uncertain fields in, the margin
// and the quantities asked for out, its rows run on the settings' jobs.
GenericModel designModel(const UncertainSpace& space, const UncertaintySettings& settings, std::size_t progressFrom)
{
    GenericModel model;
    for (const UncertainField& field : space.uncertain()) {
        model.inputNames.push_back(field.field.name);
        model.inputs.push_back(field.distribution);
    }
    model.outputNames.emplace_back("margin");
    for (const Pane pane : settings.quantities)
        model.outputNames.emplace_back(quantityName(pane));
    model.evaluate = [&space, &settings, progressFrom](std::span<const double> inputs, std::span<double> outputs) {
        UncertaintySettings rowSettings = settings;
        rowSettings.sampleSink = {};
        if (settings.progress)
            rowSettings.progress = [&settings, progressFrom](std::size_t done) {
                settings.progress(progressFrom + done);
            };
        const Gathered gathered = runSample(space, inputs, rowSettings);
        const std::size_t width = 1 + settings.quantities.size();
        std::fill(outputs.begin(), outputs.end(), kNoValue);
        for (std::size_t row = 0; row < gathered.delivered; ++row) {
            outputs[row * width] = gathered.margins[row];
            for (std::size_t q = 0; q < settings.quantities.size(); ++q)
                outputs[row * width + 1 + q] = gathered.quantities[q][row];
        }
    };
    return model;
}

} // namespace

Proportion wilsonInterval(std::size_t successes, std::size_t trials)
{
    if (trials == 0)
        return {};
    const long double n = trials;
    const long double p = static_cast<long double>(successes) / n;
    const long double z2 = kNormal975 * kNormal975;
    const long double denominator = 1 + z2 / n;
    const long double centre = (p + z2 / (2 * n)) / denominator;
    const long double half = kNormal975 * std::sqrt(p * (1 - p) / n + z2 / (4 * n * n)) / denominator;
    return {p, std::max(0.0L, centre - half), std::min(1.0L, centre + half)};
}

UncertaintyResult runUncertainty(const UncertainSpace& space, const UncertaintySettings& settings)
{
    if (space.uncertain().empty())
        throw StudyError("no field is given as a distribution: give one as V±D, V±P%, uniform(A;B), "
                         "normal(MU;SIGMA) or triangular(A;M;B)");
    if (settings.samples == 0)
        throw StudyError("--samples: at least one sample is needed");
    std::vector<Distribution> inputs;
    for (const UncertainField& field : space.uncertain())
        inputs.push_back(field.distribution);
    const std::vector<double> rows = drawSample(inputs, settings.samples, settings.method, settings.seed);
    const Gathered gathered = runSample(space, rows, settings);

    UncertaintyResult result;
    for (const UncertainField& field : space.uncertain())
        result.fields.push_back(field.field.name);
    result.evaluations = gathered.delivered;
    result.failedRuns = gathered.failed;
    result.meeting = gathered.meeting;
    result.stopped = gathered.delivered < settings.samples;
    result.meets = wilsonInterval(gathered.meeting, gathered.delivered);
    result.margin = summaryOf(gathered.margins);
    for (std::size_t q = 0; q < settings.quantities.size(); ++q)
        result.quantities.emplace_back(settings.quantities[q], summaryOf(gathered.quantities[q]));
    if (settings.indices && !result.stopped) {
        result.indices =
            estimateSobolIndices(designModel(space, settings, settings.samples), settings.samples, settings.seed);
        if (settings.stop.stop_requested()) {
            result.indices.reset();
            result.stopped = true;
        }
    }
    if (settings.rare && !result.stopped) {
        const std::size_t runsBefore = settings.samples * (settings.indices ? inputs.size() + 3 : 1);
        result.rare =
            estimateProbabilityBelowZero(designModel(space, settings, runsBefore), settings.samples, settings.seed);
        if (settings.stop.stop_requested()) {
            result.rare.reset();
            result.stopped = true;
        }
    }
    return result;
}

} // namespace kaskad::study
