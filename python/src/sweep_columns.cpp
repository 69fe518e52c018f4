// Collecting a sweep's rows into columns.
#include "sweep_columns.h"

#include "study/point_runs.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

namespace kaskad::python {

// The most rows whose room is taken ahead: beyond, the block grows as rows come.
constexpr std::size_t kMostRowsReserved = std::size_t{1} << 24;
// The least room a block grows by.
constexpr std::size_t kLeastGrowth = 1024;

void QuantityBlock::reserve(std::size_t rows)
{
    if (rows <= capacity_)
        return;
    // Left uninitialised: a page is touched only when a row reaches it.
    std::unique_ptr<double[]> grown(new double[kPaneCount * rows]);
    for (std::size_t q = 0; q < kPaneCount; ++q)
        std::memcpy(&grown[q * rows], &values_[q * capacity_], rows_ * sizeof(double));
    values_ = std::move(grown);
    capacity_ = rows;
}

void QuantityBlock::append(const std::array<double, kPaneCount>& values)
{
    if (rows_ == capacity_)
        reserve(std::max(kLeastGrowth, 2 * capacity_));
    for (std::size_t q = 0; q < kPaneCount; ++q)
        values_[q * capacity_ + rows_] = values[q];
    ++rows_;
}

std::unique_ptr<double[]> QuantityBlock::release()
{
    capacity_ = rows_ = 0;
    return std::move(values_);
}

void SweepColumns::reserve(std::size_t rows, std::size_t varying, std::size_t bounds)
{
    rows = std::min(rows, kMostRowsReserved);
    textIndex.resize(varying);
    for (std::vector<std::int32_t>& index : textIndex)
        index.reserve(rows);
    reactor.reserve(rows);
    values.reserve(rows);
    errorKind.reserve(rows);
    errorMessage.reserve(rows);
    if (bounds > 0) {
        this->bounds.reserve(rows * bounds);
        meets.reserve(rows);
        margin.reserve(rows);
    }
}

std::size_t mostRowsPerPoint(const std::vector<std::string>& nTexts, DecimalSeparator separator, bool outletOnly)
{
    if (outletOnly)
        return 1;
    // A text that runs no reactor still gives its point one row.
    std::size_t most = 1;
    for (const std::string& text : nTexts)
        most = std::max(most, static_cast<std::size_t>(study::countOf(text, separator).value_or(1)));
    return most;
}

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

namespace {

// Room in the columns for the most rows `points` points of `rows` give, whose N is one of `nTexts`.
void reserveFor(SweepColumns& columns, const study::SweepRows& rows, std::size_t points,
                const std::vector<std::string>& nTexts, DecimalSeparator separator, std::size_t varying)
{
    const study::RowOptions& options = rows.options();
    columns.reserve(points * mostRowsPerPoint(nTexts, separator, options.outletOnly), varying,
                    options.withCriterion() ? criterionBounds(rows.model()).size() : 0);
}

std::vector<std::string> nTextsOf(const study::SweepPlan& plan)
{
    for (const study::SweepField& field : plan.sweptFields())
        if (field.field == fieldN)
            return field.texts;
    return {plan.pointFields(0)[fieldN]};
}

std::vector<std::string> nTextsOf(const GivenPoints& points)
{
    for (std::size_t v = 0; v < points.varying.size(); ++v)
        if (points.varying[v] == fieldN)
            return points.texts[v];
    return {points.fixed[fieldN]};
}

} // namespace

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
    reserveFor(columns, rows, points.size(), nTextsOf(plan), plan.separator(), plan.sweptFields().size());
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
    reserveFor(columns, rows, kept.size(), nTextsOf(plan), plan.separator(), plan.sweptFields().size());
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
    reserveFor(columns, rows, points.count, nTextsOf(points), points.separator, points.varying.size());
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
