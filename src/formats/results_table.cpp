// The rows of the results table and the text of their cells.
#include "formats/results_table.h"

#include "study/point_rows.h"

#include <charconv>

namespace kaskad::formats {

namespace {

std::string integerText(std::size_t value)
{
    char buffer[24];
    return {buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr};
}

// The outlet's missed bounds by pane: none for a run that failed or computed
// no reactor, since its last reactor is no outlet.
PaneArray<const CriterionBound*> missedBoundsOf(const RunRecord& run)
{
    PaneArray<const CriterionBound*> missed{};
    const CriterionResult result = evaluateCriterion(run);
    const std::span<const CriterionBound> bounds = criterionBounds(run.model);
    for (std::size_t b = 0; b < result.bounds.size(); ++b)
        if (!result.bounds[b])
            missed[bounds[b].pane] = &bounds[b];
    return missed;
}

} // namespace

std::string_view tableColumnName(ModelKind model, int column)
{
    if (column == kRunColumn)
        return "Расчёт";
    if (isFieldColumn(column)) {
        const Field field = fieldOfColumn(column);
        return field == fieldT ? "t1" : modelFields(model)[std::size_t(field) - 1].name;
    }
    if (column == kReactorColumn)
        return "Реактор";
    if (isValueColumn(column))
        return quantityName(paneOfColumn(column));
    return column == kErrorKindColumn ? "Вид ошибки" : "Сообщение об ошибке";
}

std::string commandLineColumnName(ModelKind model, int column)
{
    if (column == kRunColumn)
        return "run";
    return study::sweepColumns(model, {})[std::size_t(column - 1)].name;
}

void ResultsTable::clear()
{
    rows_.clear();
    missed_.clear();
    runsTaken_ = 0;
}

std::size_t ResultsTable::takeNewRuns()
{
    const std::size_t before = rows_.size();
    for (; runsTaken_ < runs_.size(); ++runsTaken_) {
        addRowsOf(static_cast<std::uint32_t>(runsTaken_));
        missed_.push_back(missedBoundsOf(runs_[runsTaken_]));
    }
    return rows_.size() - before;
}

std::size_t ResultsTable::newRowCount() const
{
    std::size_t rows = 0;
    for (std::size_t run = runsTaken_; run < runs_.size(); ++run)
        rows += runs_[run].reactors.size() + (hasFailingRowOfItsOwn(runs_[run]) ? 1 : 0);
    return rows;
}

// A failed run's failing reactor has a row of its own when it stored nothing
// (or the run failed before the first reactor); otherwise it is the run's
// last row of values.
bool ResultsTable::hasFailingRowOfItsOwn(const RunRecord& run)
{
    return run.error &&
           (run.reactors.empty() || run.error->reactor == 0 || run.reactors.back().reactor() != run.error->reactor);
}

void ResultsTable::addRowsOf(std::uint32_t run)
{
    const RunRecord& record = runs_[run];
    for (std::size_t r = 0; r < record.reactors.size(); ++r)
        rows_.push_back({run, static_cast<std::int32_t>(r)});
    if (hasFailingRowOfItsOwn(record))
        rows_.push_back({run, kFailingReactor});
}

std::int32_t ResultsTable::reactorNumber(std::size_t row) const
{
    if (const ReactorResult* reactor = reactorOf(row))
        return reactor->reactor();
    return runOf(row).error->reactor;
}

const ReactorResult* ResultsTable::reactorOf(std::size_t row) const
{
    const Row& r = rows_[row];
    if (r.reactor == kFailingReactor)
        return nullptr;
    return &runs_[r.run].reactors[std::size_t(r.reactor)];
}

const RunError* ResultsTable::errorOf(std::size_t row) const
{
    // The failing reactor is always the last row of its run.
    const RunRecord& run = runOf(row);
    const bool lastOfRun = row + 1 == rows_.size() || rows_[row + 1].run != rows_[row].run;
    return run.error && lastOfRun ? &*run.error : nullptr;
}

std::string ResultsTable::cellText(std::size_t row, int column, DecimalSeparator separator) const
{
    if (column == kRunColumn)
        return integerText(runNumber(row));
    if (isFieldColumn(column))
        return runs_[rows_[row].run].texts()[fieldOfColumn(column)];
    if (isErrorColumn(column)) {
        const std::optional<RunError>& error = runOf(row).error;
        return !error ? std::string() : column == kErrorKindColumn ? error->kind : error->message;
    }
    const std::int32_t reactor = reactorNumber(row);
    if (column == kReactorColumn)
        return reactor == 0 ? std::string() : integerText(std::size_t(reactor));
    const ReactorResult* values = reactorOf(row);
    if (!values || !values->has(paneOfColumn(column)))
        return {};
    return values->text(paneOfColumn(column), separator);
}

const CriterionBound* ResultsTable::missedBound(std::size_t row, int column) const
{
    if (!isValueColumn(column))
        return nullptr;
    const Row& r = rows_[row];
    const RunRecord& run = runs_[r.run];
    if (r.reactor == kFailingReactor || std::size_t(r.reactor) + 1 != run.reactors.size())
        return nullptr;
    return missed_[r.run][paneOfColumn(column)];
}

const PhysicalLimit* ResultsTable::brokenLimit(std::size_t row, int column) const
{
    const ReactorResult* values = isValueColumn(column) ? reactorOf(row) : nullptr;
    if (!values || !values->has(paneOfColumn(column)))
        return nullptr;
    return brokenPhysicalLimit(paneOfColumn(column), values->value(paneOfColumn(column)));
}

} // namespace kaskad::formats
