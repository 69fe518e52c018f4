// A sweep plan: the cartesian product of the values of the swept fields, its
// points numbered, cut into shards, and the limits on what one machine runs.
#pragma once

#include "study/field_values.h"
#include "model/run_record.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::study {

// The most points one machine runs at once (the whole sweep, a shard or a
// chunk): the limit that keeps its output within reach.
inline constexpr std::size_t kMaxSweepPoints = 10'000'000;
// The most points of a plan, run in shards or chunks: point numbers stay far
// from any overflow, in 64-bit integers and in doubles alike.
inline constexpr std::size_t kMaxPlanPoints = 1'000'000'000'000'000;

// A swept input field and the texts it takes.
struct SweepField {
    Field field = fieldN;
    std::string name; // its option without dashes: "t", "wg", ...
    std::vector<std::string> texts;
};

class SweepPlan {
public:
    // optionTexts: the option texts of LabeledEdit1..8, ranges and lists
    // included. Every field the model converts may be swept; the gas-lift db,
    // never converted, is passed on as written. Raises StudyError.
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

inline PointRange allPoints(const SweepPlan& plan) { return {0, plan.pointCount()}; }

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

// Raises StudyError unless the points lie within the plan and number at most
// kMaxSweepPoints. `what` names them in the message when they are not the
// whole plan ("shard 3/1000", "points 0..2000000").
void checkPointsToRun(const SweepPlan& plan, PointRange points, std::string_view what = {});

} // namespace kaskad::study
