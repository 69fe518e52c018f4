// Collecting a sweep's rows into columns.
#include "sweep_columns.h"

#include <chrono>
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

constexpr double kNothingStored = std::numeric_limits<double>::quiet_NaN();

// Appends the rows of one point.
class ColumnCollector {
public:
    ColumnCollector(const study::SweepRows& rows, SweepColumns& columns) : rows_(rows), columns_(columns)
    {
        columns_.sweptTextIndex.resize(rows.plan().sweptFields().size());
    }

    void point(std::size_t index, const RunRecord& run)
    {
        const std::optional<study::PointRows> point = rows_.point(index, run);
        if (!point)
            return;
        const RunError* error = point->error();
        const std::int32_t kind = error ? columns_.errorKinds.code(error->kind) : -1;
        const std::int32_t message = error ? columns_.errorMessages.code(error->message) : -1;
        for (std::size_t r = 0; r < point->rowCount(); ++r) {
            for (std::size_t f = 0; f < columns_.sweptTextIndex.size(); ++f)
                columns_.sweptTextIndex[f].push_back(static_cast<std::int32_t>(rows_.plan().textIndex(index, f)));
            columns_.point.push_back(static_cast<std::int64_t>(index));
            appendValues(point->reactor(r));
            columns_.errorKind.push_back(kind);
            columns_.errorMessage.push_back(message);
            if (point->criterion)
                appendCriterion(*point->criterion);
        }
    }

private:
    void appendValues(const ReactorResult* reactor)
    {
        columns_.reactor.push_back(reactor ? reactor->reactor() : 0);
        for (std::size_t p = 0; p < kStoreOrder.size(); ++p)
            columns_.values[p].push_back(reactor && reactor->has(kStoreOrder[p]) ? reactor->value(kStoreOrder[p])
                                                                                 : kNothingStored);
    }

    void appendCriterion(const CriterionResult& criterion)
    {
        const std::size_t count = criterionBounds(rows_.plan().model()).size();
        for (std::size_t b = 0; b < count; ++b)
            columns_.bounds.push_back(criterion.bounds.empty() ? std::int8_t(-1) : std::int8_t(criterion.bounds[b]));
        columns_.meets.push_back(criterion.meets);
        columns_.margin.push_back(criterion.margin.value_or(kNothingStored));
    }

    const study::SweepRows& rows_;
    SweepColumns& columns_;
};

} // namespace

SweepColumns sweepColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                          const std::function<void()>& interrupted)
{
    SweepColumns columns;
    ColumnCollector collector(rows, columns);
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastCheck = Clock::now();
    study::runSweep(
        rows.plan(), points, jobs,
        [&collector](std::size_t index, const RunRecord& run) { collector.point(index, run); },
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
