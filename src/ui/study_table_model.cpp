// The study's results table model.
#include "ui/study_table_model.h"

#include "formats/csv.h"
#include "formats/results_table.h"
#include "formats/sweep_output.h"
#include "formats/xlsx_workbook.h"
#include "study/runner.h"
#include "ui/error_report.h"
#include "ui/qt_text.h"
#include "ui/table_index.h"

#include <QColor>

#include <algorithm>
#include <thread>

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

StudyTableModel::~StudyTableModel() { sorting_.reset(); }

void StudyTableModel::reset(std::shared_ptr<const study::SweepPlan> plan)
{
    const bool wasSorting = sorting();
    sorting_.reset();
    waiting_.clear();
    beginResetModel();
    columns_ = study::sweepColumns(plan->model(), {.criterion = true});
    plan_ = std::move(plan);
    ++studyNumber_;
    points_.clear();
    meeting_ = 0;
    rows_.clear();
    wholeRuns_.clear();
    sorted_.reset();
    endResetModel();
    if (wasSorting && sortObserver_)
        sortObserver_();
}

void StudyTableModel::append(std::vector<StudyPoint>&& points)
{
    if (sorting_) {
        for (StudyPoint& point : points)
            waiting_.push_back(std::move(point));
        return;
    }
    const std::size_t first = rows_.size();
    const auto firstPoint = std::uint32_t(points_.size());
    for (StudyPoint& point : points) {
        meeting_ += point.criterion.meets ? 1 : 0;
        points_.push_back(std::move(point));
    }
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
    const std::optional<std::pair<int, Qt::SortOrder>> by = sorting_ ? std::optional(sortingBy_) : sorted_;
    cancelSort();
    beginResetModel();
    rows_.clear();
    for (std::uint32_t p = 0; p < points_.size(); ++p)
        appendRowsOf(p);
    sorted_.reset();
    endResetModel();
    if (by)
        startSort(*by);
    else if (sortObserver_)
        sortObserver_();
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
    // Numbers to the right, words to the left.
    if (role == Qt::TextAlignmentRole) {
        const bool words = column.kind == ColumnKind::errorKind || column.kind == ColumnKind::errorMessage ||
                           column.kind == ColumnKind::bound || column.kind == ColumnKind::meetsCriterion;
        return QVariant::fromValue((words ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
    }
    if (role == Qt::ToolTipRole && column.kind == ColumnKind::errorMessage && points_[row.point].run.error)
        return toQString(points_[row.point].run.error->message);
    return {};
}

QString StudyTableModel::columnCaption(std::size_t column) const
{
    const study::Column& shown = columns_[column];
    switch (shown.kind) {
    case ColumnKind::bound:
        return QStringLiteral("Выход: ") + toQString(criterionBounds(plan_->model())[shown.bound].label);
    case ColumnKind::meetsCriterion:
        return QStringLiteral("Критерий выполнен");
    case ColumnKind::criterionMargin:
        return QStringLiteral("Запас критерия");
    default:
        // The fields', reactor's, quantities' and errors' columns come in the
        // results table's order, after its run number.
        return toQString(formats::tableColumnName(plan_->model(), int(column) + 1));
    }
}

QVariant StudyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !isSectionOf(*this, section, orientation))
        return {};
    if (role == Qt::DisplayRole)
        return columnCaption(std::size_t(section));
    // The name kaskad-cli and the saved CSV give the column.
    if (role == Qt::ToolTipRole)
        return QStringLiteral("В файле CSV и в kaskad-cli: ") + toQString(columns_[std::size_t(section)].name);
    return {};
}

void StudyTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || std::size_t(column) >= columns_.size())
        return;
    startSort({column, order});
}

void StudyTableModel::sortAgain()
{
    if (const std::optional<std::pair<int, Qt::SortOrder>> by = sorting_ ? std::optional(sortingBy_) : sorted_)
        startSort(*by);
}

void StudyTableModel::startSort(std::pair<int, Qt::SortOrder> by)
{
    cancelSort();
    sortingBy_ = by;
    const std::uint64_t generation = ++sortGeneration_;
    // Runs on the sort's thread: the table takes the rows on its own.
    auto ended = [this, generation] {
        QMetaObject::invokeMethod(
            this, [this, generation] { guarded([&] { sortEnded(generation); }); }, Qt::QueuedConnection);
    };
    sorting_ = std::make_unique<RowSort>(RowSortInput{plan_, &points_, &rows_, columns_[std::size_t(by.first)],
                                                      by.second == Qt::DescendingOrder,
                                                      std::max(1U, std::thread::hardware_concurrency())},
                                         std::move(ended));
    if (sortObserver_)
        sortObserver_();
}

void StudyTableModel::sortEnded(std::uint64_t generation)
{
    if (!sorting_ || generation != sortGeneration_)
        return;
    std::optional<std::vector<Row>> sorted = sorting_->takeRows();
    const std::exception_ptr error = sorting_->error();
    sorting_.reset();
    if (sorted) {
        // The same rows with other contents: a layout change would have the
        // views go through every row, a long wait with millions of them.
        rows_.swap(*sorted);
        if (!rows_.empty())
            Q_EMIT dataChanged(index(0, 0), index(int(rows_.size()) - 1, int(columns_.size()) - 1));
        sorted_ = sortingBy_;
    }
    cancelSort();
    if (sortObserver_)
        sortObserver_();
    if (error)
        std::rethrow_exception(error);
}

void StudyTableModel::cancelSort()
{
    sorting_.reset();
    std::vector<StudyPoint> waited;
    waited.swap(waiting_);
    if (!waited.empty())
        append(std::move(waited));
}

void StudyTableModel::stopSorting()
{
    if (!sorting_)
        return;
    cancelSort();
    if (sortObserver_)
        sortObserver_();
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
