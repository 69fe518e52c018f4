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

FieldTexts GivenPoints::fields(std::size_t point) const
{
    FieldTexts fields = fixed;
    for (std::size_t v = 0; v < varying.size(); ++v)
        fields[varying[v]] = texts[v][static_cast<std::size_t>(choices[v][point])];
    return fields;
}

namespace {

constexpr double kNothingStored = std::numeric_limits<double>::quiet_NaN();

// Which text of varying field `field` point `index` takes.
using TextIndexOf = std::function<std::int32_t(std::size_t index, std::size_t field)>;

// Appends the rows of each point kept.
class ColumnCollector {
public:
    ColumnCollector(SweepColumns& columns, ModelKind model, std::size_t varying, TextIndexOf textIndexOf)
        : columns_(columns), boundCount_(criterionBounds(model).size()), textIndexOf_(std::move(textIndexOf))
    {
        columns_.textIndex.resize(varying);
    }

    void point(const std::optional<study::PointRows>& point)
    {
        if (!point)
            return;
        const RunError* error = point->error();
        const std::int32_t kind = error ? columns_.errorKinds.code(error->kind) : -1;
        const std::int32_t message = error ? columns_.errorMessages.code(error->message) : -1;
        for (std::size_t r = 0; r < point->rowCount(); ++r) {
            for (std::size_t f = 0; f < columns_.textIndex.size(); ++f)
                columns_.textIndex[f].push_back(textIndexOf_(point->index, f));
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
        for (std::size_t b = 0; b < boundCount_; ++b)
            columns_.bounds.push_back(criterion.bounds.empty() ? std::int8_t(-1) : std::int8_t(criterion.bounds[b]));
        columns_.meets.push_back(criterion.meets);
        columns_.margin.push_back(criterion.margin.value_or(kNothingStored));
    }

    SweepColumns& columns_;
    std::size_t boundCount_;
    TextIndexOf textIndexOf_;
};

} // namespace

// A few checks a second cost nothing beside the runs.
study::ProgressSink everyFewTenths(const Checkpoint& checkpoint, std::size_t count)
{
    using Clock = std::chrono::steady_clock;
    return [&checkpoint, count, lastCheck = Clock::now()](std::size_t done) mutable {
        if (const Clock::time_point now = Clock::now();
            done == count || now - lastCheck > std::chrono::milliseconds(200)) {
            lastCheck = now;
            checkpoint(done);
        }
    };
}

SweepColumns sweepColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                          const Checkpoint& checkpoint, std::stop_token stop)
{
    SweepColumns columns;
    const study::SweepPlan& plan = rows.plan();
    ColumnCollector collector(
        columns, plan.model(), plan.sweptFields().size(),
        [&plan](std::size_t index, std::size_t f) { return static_cast<std::int32_t>(plan.textIndex(index, f)); });
    study::runSweep(
        plan, points, jobs, [&](std::size_t index, const RunRecord& run) { collector.point(rows.point(index, run)); },
        std::move(stop), everyFewTenths(checkpoint, points.size()));
    return columns;
}

SweepColumns givenPointColumns(const GivenPoints& points, const study::SweepRows& rows, unsigned jobs,
                               const Checkpoint& checkpoint, std::stop_token stop)
{
    SweepColumns columns;
    ColumnCollector collector(columns, points.model, points.varying.size(),
                              [&points](std::size_t index, std::size_t f) { return points.choices[f][index]; });
    study::runInOrder<RunRecord>(
        points.count, jobs,
        [&points](std::size_t index) { return runRecorded(points.model, points.fields(index), points.separator); },
        [&](std::size_t index, RunRecord&& run) { collector.point(rows.point(index, points.fields(index), run)); },
        std::move(stop), everyFewTenths(checkpoint, points.count));
    return columns;
}

} // namespace kaskad::python
