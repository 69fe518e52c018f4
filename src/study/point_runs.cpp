// A sweep's point runs, those that differ only in N cut from one longer run.
#include "study/point_runs.h"

#include "numeric/number_text.h"
#include "study/runner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace kaskad::study {

// A longer run, made by the first thread that needs it. The flag is read
// without a lock once the run is made; making it holds one of a few locks
// shared by all the runs (std::call_once would wake waiters through a system
// call for every run made).
struct PointRuns::SharedRun {
    std::atomic<bool> made{false};
    RunRecord run;
};

namespace {

constexpr std::size_t kMakingLocks = 64;

std::mutex& makingLock(std::size_t combination)
{
    static std::array<std::mutex, kMakingLocks> locks;
    return locks[combination % kMakingLocks];
}

} // namespace

std::optional<std::int32_t> countOf(const std::string& text, DecimalSeparator separator)
{
    try {
        const std::int32_t count = roundCount(TextToNumber(text, separator));
        return count >= 1 ? std::optional(count) : std::nullopt;
    } catch (const Exception&) {
        return std::nullopt;
    }
}

RunRecord runPoint(const SweepPlan& plan, std::size_t index)
{
    return runRecorded(plan.model(), plan.pointFields(index), plan.separator());
}

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
    if (const std::optional<RunView> shared = sharedPrefix(index))
        return ownedRun(*shared);
    return runPoint(plan_, index);
}

std::optional<RunView> PointRuns::sharedPrefix(std::size_t index) const
{
    const std::size_t combination = combinations_ == 0 ? 0 : index % combinations_;
    const std::optional<std::int32_t> count = counts_.empty() ? std::nullopt : counts_[plan_.textIndex(index, 0)];
    if (!count || combination >= sharedCount_)
        return std::nullopt;
    return runPrefix(sharedRun(index, combination), *count);
}

const RunRecord& PointRuns::sharedRun(std::size_t index, std::size_t combination) const
{
    SharedRun& shared = shared_[combination];
    if (shared.made.load(std::memory_order_acquire))
        return shared.run;
    const std::lock_guard lock(makingLock(combination));
    if (!shared.made.load(std::memory_order_relaxed)) {
        FieldTexts fields = plan_.pointFields(index);
        fields[fieldN] = longestText_;
        shared.run = runRecorded(plan_.model(), fields, plan_.separator());
        shared.made.store(true, std::memory_order_release);
    }
    return shared.run;
}

RunView runPrefix(const RunRecord& run, std::int32_t reactors)
{
    RunView prefix = run;
    // A run holds its reactors from the first, one entry each, so the count
    // is where the prefix ends: no reactor's memory is read to find it.
    prefix.reactors =
        prefix.reactors.first(std::min(run.reactors.size(), static_cast<std::size_t>(std::max(reactors, 0))));
    if (run.error && run.error->reactor > reactors)
        prefix.error = nullptr;
    return prefix;
}

} // namespace kaskad::study
