// Collecting a sweep's rows into columns.
#include "sweep_columns.h"

#include "model/criterion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace kaskad::python {

std::int32_t TextCodes::code(const std::string& text)
{
    const auto [found, added] = codes_.try_emplace(text, static_cast<std::int32_t>(texts_.size()));
    if (added)
        texts_.push_back(text);
    return found->second;
}

namespace {

// Appends the rows of one point.
class ColumnCollector {
public:
    ColumnCollector(const cli::SweepPlan& plan, const cli::SweepOutputOptions& options, SweepColumns& columns)
        : plan_(plan), options_(options), columns_(columns)
    {
        columns_.sweptTextIndex.resize(plan.sweptFields().size());
    }

    void point(std::size_t index, const RunRecord& run)
    {
        std::optional<CriterionResult> criterion;
        if (options_.withCriterion()) {
            criterion = evaluateCriterion(run);
            if (options_.onlyMeeting && !criterion->meets)
                return;
        }
        const std::span<const ReactorResult> reactors = cli::writtenReactors(run, options_.outletOnly);
        const std::int32_t kind = run.error ? columns_.errorKinds.code(run.error->kind) : -1;
        const std::int32_t message = run.error ? columns_.errorMessages.code(run.error->message) : -1;
        const std::size_t rows = std::max<std::size_t>(reactors.size(), 1);
        for (std::size_t r = 0; r < rows; ++r) {
            for (std::size_t f = 0; f < columns_.sweptTextIndex.size(); ++f)
                columns_.sweptTextIndex[f].push_back(static_cast<std::int32_t>(plan_.textIndex(index, f)));
            columns_.point.push_back(static_cast<std::int64_t>(index));
            appendValues(reactors.empty() ? nullptr : &reactors[r]);
            columns_.errorKind.push_back(kind);
            columns_.errorMessage.push_back(message);
            if (criterion)
                appendCriterion(*criterion);
        }
    }

private:
    void appendValues(const ReactorResult* reactor)
    {
        columns_.reactor.push_back(reactor ? reactor->reactor() : 0);
        for (std::size_t p = 0; p < kStoreOrder.size(); ++p)
            columns_.values[p].push_back(reactor && reactor->has(kStoreOrder[p])
                                             ? reactor->value(kStoreOrder[p])
                                             : std::numeric_limits<double>::quiet_NaN());
    }

    void appendCriterion(const CriterionResult& criterion)
    {
        const std::size_t count = criterionBounds(plan_.model()).size();
        for (std::size_t b = 0; b < count; ++b)
            columns_.bounds.push_back(criterion.bounds.empty() ? std::int8_t(-1) : std::int8_t(criterion.bounds[b]));
        columns_.meets.push_back(criterion.meets);
        columns_.margin.push_back(criterion.margin.value_or(std::numeric_limits<double>::quiet_NaN()));
    }

    const cli::SweepPlan& plan_;
    const cli::SweepOutputOptions& options_;
    SweepColumns& columns_;
};

} // namespace

SweepColumns sweepColumns(const cli::SweepPlan& plan, cli::PointRange points, unsigned jobs,
                          const cli::SweepOutputOptions& options, const std::function<void()>& interrupted)
{
    SweepColumns columns;
    ColumnCollector collector(plan, options, columns);
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastCheck = Clock::now();
    cli::runSweep(
        plan, points, jobs, [&collector](std::size_t index, const RunRecord& run) { collector.point(index, run); },
        [&](std::size_t) {
            // A few checks a second cost nothing beside the runs.
            if (const Clock::time_point now = Clock::now(); now - lastCheck > std::chrono::milliseconds(200)) {
                lastCheck = now;
                interrupted();
            }
        });
    return columns;
}

} // namespace kaskad::python
