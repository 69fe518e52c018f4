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

SampleColumns::SampleColumns(ModelKind model, std::vector<Field> varying)
    : rows_(model, study::RowOptions{.outletOnly = true, .criterion = true}),
      varying_(std::move(varying)),
      texts_(varying_.size()),
      current_(varying_.size()),
      collector_(columns, model, varying_.size(), [this](std::size_t, std::size_t f) { return current_[f]; })
{}

void SampleColumns::add(std::size_t index, const FieldTexts& fields, const RunRecord& run)
{
    for (std::size_t f = 0; f < varying_.size(); ++f)
        current_[f] = texts_[f].code(fields[varying_[f]]);
    collector_.point(rows_.point(index, fields, run));
    ++columns.points;
}

std::vector<std::vector<std::string>> SampleColumns::texts() const
{
    std::vector<std::vector<std::string>> texts;
    for (const TextCodes& codes : texts_)
        texts.push_back(codes.texts());
    return texts;
}

// Twenty checks a second cost nothing beside the runs.
constexpr std::chrono::milliseconds kCheckInterval(50);

study::ProgressSink twentyTimesASecond(const Checkpoint& checkpoint, std::size_t count)
{
    using Clock = std::chrono::steady_clock;
    return [&checkpoint, count, lastCheck = Clock::now()](std::size_t done) mutable {
        if (const Clock::time_point now = Clock::now(); done == count || now - lastCheck >= kCheckInterval) {
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
    columns.points = study::runSweep(
        plan, points, jobs, [&](std::size_t index, const RunRecord& run) { collector.point(rows.point(index, run)); },
        std::move(stop), twentyTimesASecond(checkpoint, points.size()));
    return columns;
}

SweepColumns bestPointColumns(const study::SweepRows& rows, study::PointRange points, unsigned jobs,
                              const Checkpoint& checkpoint, std::stop_token stop)
{
    const study::SweepPlan& plan = rows.plan();
    study::BestPoints best(rows.options().best);
    const std::size_t ranked = study::runSweepProducing<std::optional<double>>(
        plan, points, jobs,
        [&rows](std::size_t index, RunView run) {
            const std::optional<study::PointRows> point = rows.point(index, run);
            return point ? point->margin() : std::nullopt;
        },
        [&best](std::size_t index, std::optional<double>&& margin) {
            if (margin)
                best.offer(index, *margin);
        },
        std::move(stop), twentyTimesASecond(checkpoint, points.size()));
    // The points kept are run again, each giving the same digits: memory
    // held the margins alone. A stop keeps the best of the points ranked.
    const std::vector<std::size_t> kept = best.indices();
    SweepColumns columns;
    ColumnCollector collector(
        columns, plan.model(), plan.sweptFields().size(),
        [&plan](std::size_t index, std::size_t f) { return static_cast<std::int32_t>(plan.textIndex(index, f)); });
    study::runInOrder<RunRecord>(
        kept.size(), jobs, [&](std::size_t k) { return study::runPoint(plan, kept[k]); },
        [&](std::size_t k, RunRecord&& run) { collector.point(rows.point(kept[k], run)); });
    columns.points = ranked;
    return columns;
}

SweepColumns givenPointColumns(const GivenPoints& points, const study::SweepRows& rows, unsigned jobs,
                               const Checkpoint& checkpoint, std::stop_token stop)
{
    SweepColumns columns;
    ColumnCollector collector(
        columns, points.model, points.varying.size(),
        [&points](std::size_t index, std::size_t f) { return points.choices[f][index]; }, true);
    columns.points = study::runInOrder<RunRecord>(
        points.count, jobs,
        [&points](std::size_t index) { return runRecorded(points.model, points.fields(index), points.separator); },
        [&](std::size_t index, RunRecord&& run) { collector.point(rows.point(index, points.fields(index), run)); },
        std::move(stop), twentyTimesASecond(checkpoint, points.count));
    return columns;
}

} // namespace kaskad::python
