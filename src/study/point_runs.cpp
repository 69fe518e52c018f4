// A sweep's point runs, those that differ only in N cut from one longer run.
#include "study/point_runs.h"

#include "numeric/number_text.h"
#include "study/runner.h"

#include <algorithm>
#include <mutex>

namespace kaskad::study {

struct PointRuns::SharedRun {
    std::once_flag made;
    RunRecord run;
};

namespace {

// The count a text of N gives when the model reads it; nothing when the
// reading fails or runs no reactor.
std::optional<std::int32_t> countOf(const std::string& text, DecimalSeparator separator)
{
    try {
        const std::int32_t count = roundCount(TextToNumber(text, separator));
        return count >= 1 ? std::optional(count) : std::nullopt;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

} // namespace

PointRuns::PointRuns(const SweepPlan& plan, PointRange points) : plan_(plan)
{
    const std::vector<SweepField>& swept = plan.sweptFields();
    if (swept.empty() || swept.front().field != fieldN || points.size() < 2)
        return;
    std::int32_t largest = 0;
    for (const std::string& text : swept.front().texts) {
        counts_.push_back(countOf(text, plan.separator()));
        if (counts_.back() && *counts_.back() > largest) {
            largest = *counts_.back();
            longestText_ = text;
        }
    }
    // N varies slowest: the points of one text of N are one block.
    combinations_ = plan.pointCount() / swept.front().texts.size();
    if (largest == 0 || combinations_ >= plan.pointCount())
        return;
    sharedCount_ = std::min(combinations_, kSharedRunReactors / static_cast<std::size_t>(largest));
    shared_ = std::make_unique<SharedRun[]>(sharedCount_);
}

PointRuns::~PointRuns() = default;

RunRecord PointRuns::run(std::size_t index) const
{
    const std::size_t combination = combinations_ == 0 ? 0 : index % combinations_;
    const std::optional<std::int32_t> count = counts_.empty() ? std::nullopt : counts_[plan_.textIndex(index, 0)];
    if (!count || combination >= sharedCount_)
        return runPoint(plan_, index);
    return runPrefix(sharedRun(index, combination), *count);
}

const RunRecord& PointRuns::sharedRun(std::size_t index, std::size_t combination) const
{
    SharedRun& shared = shared_[combination];
    std::call_once(shared.made, [&] {
        FieldTexts fields = plan_.pointFields(index);
        fields[fieldN] = longestText_;
        shared.run = runRecorded(plan_.model(), fields, plan_.separator());
    });
    return shared.run;
}

RunRecord runPrefix(const RunRecord& run, std::int32_t reactors)
{
    RunRecord prefix;
    prefix.model = run.model;
    const auto end = std::find_if(run.reactors.begin(), run.reactors.end(),
                                  [&](const ReactorResult& reactor) { return reactor.reactor() > reactors; });
    prefix.reactors.assign(run.reactors.begin(), end);
    if (run.error && run.error->reactor <= reactors)
        prefix.error = run.error;
    return prefix;
}

} // namespace kaskad::study
