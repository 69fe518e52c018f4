// A sweep: the cartesian product of the values of the swept fields, each
// point one run, run on several threads and delivered in point order.
#pragma once

#include "cli/sweep_values.h"
#include "model/run_record.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
    // Which of sweptFields()[field].texts point `index` takes.
    std::size_t textIndex(std::size_t index, std::size_t field) const
    {
        return index / strides_[field] % swept_[field].texts.size();
    }

private:
    ModelKind model_;
    DecimalSeparator separator_;
    FieldTexts fixed_;
    std::vector<SweepField> swept_;
    // Per swept field, the points between two of its consecutive texts.
    std::vector<std::size_t> strides_;
    std::size_t pointCount_ = 1;
};

// The points begin <= index < end of a sweep.
struct PointRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end - begin; }
    friend bool operator==(const PointRange&, const PointRange&) = default;
};

// Shard K of N (1 <= K <= N): a sweep cut into N contiguous pieces whose
// sizes differ by at most one, for batch schedulers and cluster tasks.
struct Shard {
    std::size_t index = 1;
    std::size_t count = 1;
};
inline constexpr std::size_t kMaxShards = kMaxSweepPoints;

// The points of a shard: from floor((K - 1) * points / N) to
// floor(K * points / N). Shards 1..N in order are every point once; when N
// exceeds the points, some are empty.
PointRange shardRange(std::size_t pointCount, Shard shard);

// "K/N" with 1 <= K <= N <= kMaxShards; nothing for any other text.
std::optional<Shard> parseShard(std::string_view text);

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
// runSweep of the points of `points` only; the sink gets their indices in
// the whole sweep, the progress counts the points of the range.
void runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
              const ProgressSink& progress = {});

// A point's output, with its criterion margin when the criterion is tested
// and the point has an outlet.
struct FormattedPoint {
    std::string text;
    std::optional<double> margin;
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
void runSweepFormatted(const SweepPlan& plan, PointRange points, unsigned jobs, const PointFormatter& format,
                       const TextSink& sink, const ProgressSink& progress = {});

} // namespace kaskad::cli
