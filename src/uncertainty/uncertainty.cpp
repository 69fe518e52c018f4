// The uncertainty study of a design: the sample drawn on the calling thread,
// its runs in parallel in sample order, and the summaries of the outlet.
#include "uncertainty/uncertainty.h"

#include "study/study_error.h"
#include "uncertainty/sample_draw.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kaskad::study {

namespace {

// The two-sided 95 % point of the standard normal distribution.
constexpr long double kNormal975 = 1.95996398454005423552L;

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// The runs of rows: by the settings' runner, or on the settings' jobs.
SampleRuns runSample(const UncertainSpace& space, std::span<const double> rows, const UncertaintySettings& settings,
                     bool sample)
{
    if (settings.runner)
        return settings.runner(rows, sample);
    return runSampleRows(space, rows,
                         {settings.quantities, settings.jobs, settings.stop, settings.progress,
                          sample ? settings.sampleSink : SampleSink{}});
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
        if (settings.progress)
            rowSettings.progress = [&settings, progressFrom](std::size_t done) {
                settings.progress(progressFrom + done);
            };
        const SampleRuns gathered = runSample(space, inputs, rowSettings, false);
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
    SampleRuns gathered = runSample(space, rows, settings, true);

    UncertaintyResult result;
    for (const UncertainField& field : space.uncertain())
        result.fields.push_back(field.field.name);
    result.evaluations = gathered.delivered;
    result.failedRuns = gathered.failed;
    result.meeting = gathered.meeting;
    result.stopped = gathered.delivered < settings.samples;
    result.meets = wilsonInterval(gathered.meeting, gathered.delivered);
    result.margin = summaryOf(gathered.margins);
    result.margins = std::move(gathered.margins);
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
