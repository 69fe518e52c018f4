// The runs of a sweep's points, with the runs that differ only in N shared:
// each combination of the other fields runs once, to the most reactors.
#pragma once

#include "study/sweep_plan.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kaskad::study {

// The most reactors kept at once for the points that share a longer run.
// At about 110 bytes a reactor, some 30 MB, however many points the sweep has.
inline constexpr std::size_t kSharedRunReactors = std::size_t(1) << 18;

// The run of one point of a plan.
RunRecord runPoint(const SweepPlan& plan, std::size_t index);

// The count a text of N gives when the model reads it; nothing when the
// reading fails or runs no reactor.
std::optional<std::int32_t> countOf(const std::string& text, DecimalSeparator separator);

// A reactor does not depend on N: the run of n reactors is the first n
// reactors of a longer run of the same other fields. A run that fails at
// reactor k fails there for every N >= k and is whole for every N < k; an
// error before the first reactor is the same for every N. So when a sweep
// varies N, each combination of the other fields is run once, to the largest
// count, and each point gets its prefix. Points whose N text does not give a
// count of at least one run alone, and so do the combinations beyond those
// kSharedRunReactors leaves room for. Safe to use from several threads.
class PointRuns {
public:
    PointRuns(const SweepPlan& plan, PointRange points);
    ~PointRuns();

    // The run of point `index`, as runPoint gives it.
    RunRecord run(std::size_t index) const;
    // use(view) with the run of point `index` seen as a view: of the shared
    // longer run, not copied, or of the point's own run. Returns what use
    // returns; the view lasts while use runs.
    template <class Use>
    auto withRun(std::size_t index, const Use& use) const
    {
        if (const std::optional<RunView> shared = sharedPrefix(index))
            return use(*shared);
        const RunRecord own = runPoint(plan_, index);
        return use(RunView(own));
    }

private:
    struct SharedRun;

    // The prefix of the shared run that is the run of point `index`; nothing
    // when the point runs alone.
    std::optional<RunView> sharedPrefix(std::size_t index) const;

    // The run of point `index` to the largest count, made on first use.
    const RunRecord& sharedRun(std::size_t index, std::size_t combination) const;

    const SweepPlan& plan_;
    // Per text of N, the count it gives, when at least one.
    std::vector<std::optional<std::int32_t>> counts_;
    std::string longestText_;      // the text of N of the largest count
    std::size_t combinations_ = 0; // points per text of N
    std::size_t sharedCount_ = 0;  // the combinations whose runs are shared
    std::unique_ptr<SharedRun[]> shared_;
};

// The first `reactors` reactors of a run, with its error when that ended the
// run at one of them, or before the first.
RunView runPrefix(const RunRecord& run, std::int32_t reactors);

} // namespace kaskad::study
