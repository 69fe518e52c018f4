// A sweep: the cartesian product of the values of the swept fields, each
// point one run, run on several threads and delivered in point order.
#pragma once

#include "model/run_record.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kaskad::cli {

// A swept input field and the texts it takes.
struct SweepField {
    Field field = fieldN;
    std::string name;  // its option without dashes: "t", "wg", ...
    std::vector<std::string> texts;
};

class SweepPlan {
public:
    // optionTexts: the option texts of LabeledEdit1..8, ranges and lists
    // included. Every field the model converts may be swept; the gas-lift db,
    // never converted, is passed on as written. Raises UsageError.
    SweepPlan(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator);

    ModelKind model() const { return model_; }
    DecimalSeparator separator() const { return separator_; }
    // The swept fields in the window's reading order; the last varies fastest.
    const std::vector<SweepField>& sweptFields() const { return swept_; }
    std::size_t pointCount() const { return pointCount_; }
    // The field texts of point 0 <= index < pointCount().
    FieldTexts pointFields(std::size_t index) const;
    // The texts of the swept fields at a point, in sweptFields() order.
    std::vector<std::string> sweptTexts(std::size_t index) const;

private:
    ModelKind model_;
    DecimalSeparator separator_;
    FieldTexts fixed_;
    std::vector<SweepField> swept_;
    std::size_t pointCount_ = 1;
};

// Receives each point's run in point order, on the calling thread.
using PointSink = std::function<void(std::size_t index, const RunRecord& run)>;
// Called on the calling thread with the number of points delivered, after
// each point and at least every 100 ms while waiting.
using ProgressSink = std::function<void(std::size_t delivered)>;

// Runs every point of the plan on `jobs` threads; with one, on the calling
// thread. The output
// order, and so the output, does not depend on `jobs`. A run that fails is
// recorded in its point; an exception from the sink stops the sweep and is
// passed on.
void runSweep(const SweepPlan& plan, unsigned jobs, const PointSink& sink, const ProgressSink& progress = {});

// A point's output, with its criterion margin when the criterion is tested
// and the point has an outlet.
struct FormattedPoint {
    std::string text;
    std::optional<long double> margin;
};

// Forms a point's output from its run; called on the worker threads, so it
// must be safe to call concurrently. Nothing means the point is left out.
using PointFormatter = std::function<std::optional<FormattedPoint>(std::size_t index, const RunRecord& run)>;
// Receives each point's formatted output in point order, on the calling thread.
using TextSink = std::function<void(std::size_t index, std::optional<FormattedPoint>&& point)>;

// runSweep with each point's output formed on the thread that ran it: only
// that text, not the run's many values, passes between threads.
void runSweepFormatted(const SweepPlan& plan, unsigned jobs, const PointFormatter& format, const TextSink& sink,
                       const ProgressSink& progress = {});

} // namespace kaskad::cli
