// The study's results table model.
#include "ui/study_table_model.h"

#include "formats/csv.h"
#include "formats/sweep_output.h"
#include "formats/xlsx_workbook.h"
#include "study/runner.h"
#include "ui/qt_text.h"
#include "ui/table_index.h"

#include <QColor>

#include <algorithm>

namespace kaskad::ui {

namespace {

using study::ColumnKind;

bool isCriterionColumn(const study::Column& column)
{
    return column.kind == ColumnKind::bound || column.kind == ColumnKind::meetsCriterion ||
           column.kind == ColumnKind::criterionMargin;
}

} // namespace

// The most runs made again kept at once: a few screens' worth of rows.
constexpr std::size_t kWholeRunsKept = 4096;

StudyPoint studyPoint(std::size_t index, RunView run, const study::SweepRows& rows)
{
    StudyPoint point{index, {}, std::int32_t(run.reactors.size()), *rows.point(index, run)->criterion};
    point.run.model = run.model;
    if (run.error)
        point.run.error = *run.error;
    if (!run.reactors.empty())
        point.run.reactors.push_back(run.reactors.back());
    return point;
}

StudyTableModel::StudyTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void StudyTableModel::reset(std::shared_ptr<const study::SweepPlan> plan)
{
    beginResetModel();
    columns_ = study::sweepColumns(plan->model(), {.criterion = true});
    plan_ = std::move(plan);
    points_.clear();
    rows_.clear();
    wholeRuns_.clear();
    sorted_.reset();
    endResetModel();
}

void StudyTableModel::append(std::vector<StudyPoint>&& points)
{
    const std::size_t first = rows_.size();
    const auto firstPoint = std::uint32_t(points_.size());
    for (StudyPoint& point : points)
        points_.push_back(std::move(point));
    std::vector<Row> added;
    rows_.swap(added);
    for (auto p = firstPoint; p < points_.size(); ++p)
        appendRowsOf(p);
    rows_.swap(added);
    if (added.empty())
        return;
    beginInsertRows({}, int(first), int(first + added.size() - 1));
    rows_.insert(rows_.end(), added.begin(), added.end());
    endInsertRows();
}

void StudyTableModel::appendRowsOf(std::uint32_t point)
{
    const StudyPoint& kept = points_[point];
    if (!keeps(kept))
        return;
    const std::int32_t reactors = kept.reactorCount;
    if (reactors == 0)
        rows_.push_back({point, -1});
    else if (!everyReactor_)
        rows_.push_back({point, reactors - 1});
    else
        for (std::int32_t r = 0; r < reactors; ++r)
            rows_.push_back({point, r});
}

void StudyTableModel::rebuildRows()
{
    beginResetModel();
    rows_.clear();
    for (std::uint32_t p = 0; p < points_.size(); ++p)
        appendRowsOf(p);
    endResetModel();
    sortAgain();
}

void StudyTableModel::showEveryReactor(bool every)
{
    everyReactor_ = every;
    rebuildRows();
}

void StudyTableModel::showOnlyMeeting(bool only)
{
    onlyMeeting_ = only;
    rebuildRows();
}

int StudyTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int StudyTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

FieldTexts StudyTableModel::fieldsOf(int row) const { return plan_->pointFields(pointOf(row).index); }

QString StudyTableModel::outletText(std::size_t place, std::size_t column) const
{
    const Row row{std::uint32_t(place), points_[place].reactorCount - 1};
    return cellText(row, columns_[column]);
}

const RunRecord& StudyTableModel::wholeRun(std::uint32_t point) const
{
    if (const auto kept = wholeRuns_.find(point); kept != wholeRuns_.end())
        return kept->second;
    if (wholeRuns_.size() >= kWholeRunsKept)
        wholeRuns_.clear();
    return wholeRuns_.emplace(point, study::runPoint(*plan_, points_[point].index)).first->second;
}

const ReactorResult* StudyTableModel::reactorOf(const Row& row) const
{
    const StudyPoint& point = points_[row.point];
    if (row.reactor < 0)
        return nullptr;
    if (row.reactor == point.reactorCount - 1)
        return &point.run.reactors.back();
    return &wholeRun(row.point).reactors[std::size_t(row.reactor)];
}

QString StudyTableModel::cellText(const Row& row, const study::Column& column) const
{
    const StudyPoint& point = points_[row.point];
    const ReactorResult* reactor =
        column.kind == ColumnKind::reactor || column.kind == ColumnKind::quantity ? reactorOf(row) : nullptr;
    const CriterionResult& criterion = point.criterion;
    switch (column.kind) {
    case ColumnKind::field:
        return toQString(plan_->pointFields(point.index)[column.field]);
    case ColumnKind::reactor:
        return reactor ? QString::number(reactor->reactor()) : QString();
    case ColumnKind::quantity:
        return reactor && reactor->has(column.pane) ? numberText(reactor->value(column.pane), separator_) : QString();
    case ColumnKind::errorKind:
        return point.run.error ? toQString(point.run.error->kind) : QString();
    case ColumnKind::errorMessage:
        return point.run.error ? toQString(point.run.error->message) : QString();
    case ColumnKind::bound:
        if (criterion.bounds.empty())
            return {};
        return criterion.bounds[column.bound] ? QStringLiteral("да") : QStringLiteral("нет");
    case ColumnKind::meetsCriterion:
        return criterion.meets ? QStringLiteral("да") : QStringLiteral("нет");
    case ColumnKind::criterionMargin:
        return criterion.margin ? numberText(*criterion.margin, separator_) : QString();
    }
    return {};
}

QVariant StudyTableModel::data(const QModelIndex& index, int role) const
{
    if (!isCellOf(*this, index))
        return {};
    const Row& row = rows_[std::size_t(index.row())];
    const study::Column& column = columns_[std::size_t(index.column())];
    if (role == Qt::DisplayRole)
        return cellText(row, column);
    if (role == Qt::BackgroundRole && isCriterionColumn(column)) {
        const CriterionResult& criterion = points_[row.point].criterion;
        if (column.kind == ColumnKind::bound && criterion.bounds.empty())
            return {};
        const bool meets = column.kind == ColumnKind::bound ? bool(criterion.bounds[column.bound]) : criterion.meets;
        return meets ? meetsColour() : failsColour();
    }
    if (role == Qt::ToolTipRole && column.kind == ColumnKind::errorMessage && points_[row.point].run.error)
        return toQString(points_[row.point].run.error->message);
    return {};
}

QVariant StudyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || !isSectionOf(*this, section, orientation))
        return {};
    return toQString(columns_[std::size_t(section)].name);
}

void StudyTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || std::size_t(column) >= columns_.size())
        return;
    sorted_ = std::pair(column, order);
    const study::Column& by = columns_[std::size_t(column)];
    // The keys are made once per row, not per comparison.
    // In the order of the points, so that a point's run made again serves
    // all its rows while it is kept.
    std::vector<std::uint32_t> byPoint(rows_.size());
    for (std::uint32_t r = 0; r < byPoint.size(); ++r)
        byPoint[r] = r;
    std::stable_sort(byPoint.begin(), byPoint.end(),
                     [this](std::uint32_t a, std::uint32_t b) { return rows_[a].point < rows_[b].point; });
    std::vector<SortKey> keys(rows_.size());
    for (std::uint32_t r : byPoint)
        keys[r] = sortKey(rows_[r], by);
    std::vector<std::uint32_t> sorted(rows_.size());
    for (std::uint32_t r = 0; r < sorted.size(); ++r)
        sorted[r] = r;
    const bool descending = order == Qt::DescendingOrder;
    std::stable_sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
        const SortKey& x = keys[a];
        const SortKey& y = keys[b];
        if (x.missing != y.missing)
            return y.missing;
        if (x.missing)
            return false;
        if (x.number != y.number)
            return descending ? x.number > y.number : x.number < y.number;
        return descending ? x.text > y.text : x.text < y.text;
    });
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<Row> sortedRows(rows_.size());
    for (std::size_t r = 0; r < sorted.size(); ++r)
        sortedRows[r] = rows_[sorted[r]];
    rows_.swap(sortedRows);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

StudyTableModel::SortKey StudyTableModel::sortKey(const Row& row, const study::Column& by) const
{
    const StudyPoint& point = points_[row.point];
    const ReactorResult* reactor =
        by.kind == ColumnKind::reactor || by.kind == ColumnKind::quantity ? reactorOf(row) : nullptr;
    SortKey key;
    switch (by.kind) {
    case ColumnKind::field:
        // Swept fields in the order their values were given; a fixed one has one.
        key = {false, 0, {}};
        for (std::size_t f = 0; f < plan_->sweptFields().size(); ++f)
            if (plan_->sweptFields()[f].field == by.field)
                key.number = double(plan_->textIndex(point.index, f));
        break;
    case ColumnKind::reactor:
        if (reactor)
            key = {false, double(reactor->reactor()), {}};
        break;
    case ColumnKind::quantity:
        if (reactor && reactor->has(by.pane))
            key = {false, reactor->value(by.pane), {}};
        break;
    case ColumnKind::errorKind:
    case ColumnKind::errorMessage:
        if (point.run.error)
            key = {false, 0, by.kind == ColumnKind::errorKind ? point.run.error->kind : point.run.error->message};
        break;
    case ColumnKind::bound:
        if (!point.criterion.bounds.empty())
            key = {false, point.criterion.bounds[by.bound] ? 1.0 : 0.0, {}};
        break;
    case ColumnKind::meetsCriterion:
        key = {false, point.criterion.meets ? 1.0 : 0.0, {}};
        break;
    case ColumnKind::criterionMargin:
        if (point.criterion.margin)
            key = {false, *point.criterion.margin, {}};
        break;
    }
    return key;
}

study::PointRows StudyTableModel::pointRows(const StudyPoint& point, RunRecord& whole) const
{
    study::PointRows rows;
    rows.index = point.index;
    rows.fields = plan_->pointFields(point.index);
    rows.run = point.run;
    rows.reactors = point.run.reactors;
    if (everyReactor_ && point.reactorCount > 1) {
        whole = study::runPoint(*plan_, point.index);
        rows.reactors = whole.reactors;
    }
    rows.criterion = point.criterion;
    return rows;
}

std::string StudyTableModel::csvText() const
{
    std::vector<std::string> names;
    for (const study::Column& column : columns_)
        names.push_back(column.name);
    std::string text = formats::csvHeaderLine(names);
    RunRecord whole;
    for (const StudyPoint& point : points_)
        if (keeps(point))
            formats::appendCsvRows(text, columns_, pointRows(point, whole));
    return text;
}

std::string StudyTableModel::xlsxWorkbook() const
{
    return formats::sweepXlsxWorkbook(columns_, [this](const std::function<void(const study::PointRows&)>& take) {
        RunRecord whole;
        for (const StudyPoint& point : points_)
            if (keeps(point))
                take(pointRows(point, whole));
    });
}

QColor StudyTableModel::meetsColour() { return {0xc8, 0xf0, 0xc8}; }
QColor StudyTableModel::failsColour() { return {0xf8, 0xc8, 0xc8}; }

} // namespace kaskad::ui
