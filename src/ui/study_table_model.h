// The results of a parameter study as a Qt table model: each point's run kept
// as stored values, a row per point (its outlet) or per reactor, sorted off
// the GUI thread and filtered through a vector of row references, each
// cell's text formed when a view asks for it.
#pragma once

#include "model/criterion.h"
#include "study/point_rows.h"
#include "study/sweep_plan.h"
#include "ui/study_point.h"
#include "ui/study_row_sort.h"

#include <QAbstractTableModel>

#include <unordered_map>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kaskad::ui {

class StudyTableModel : public QAbstractTableModel {
public:
    explicit StudyTableModel(QObject* parent = nullptr);
    // Stops a sort under way and waits for it.
    ~StudyTableModel() override;

    // A new study: the table empties and takes the plan's columns.
    void reset(std::shared_ptr<const study::SweepPlan> plan);
    // The next points of the study, in point order; while a sort runs they
    // wait, and their rows follow the sorted ones.
    void append(std::vector<StudyPoint>&& points);
    // A row per reactor of every point, or a row per point's outlet.
    void showEveryReactor(bool every);
    // Only the points whose outlet meets the criterion, or every point.
    void showOnlyMeeting(bool only);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // The cell's text as kaskad-cli prints it, with the window's separator;
    // the criterion's cells on a green or red background.
    QVariant data(const QModelIndex& index, int role) const override;
    // The columns named as the results table names them ("t1", "Вид
    // ошибки"), the criterion's in words; kaskad-cli's name as tooltip.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QString columnCaption(std::size_t column) const;
    // The points shown whose outlet meets the criterion.
    std::size_t meetingCount() const { return meeting_; }
    // Starts sorting the rows by `column` on a thread of its own (a sort
    // under way gives way to it); the rows take their new order when it
    // ends. Rows that come meanwhile, or while the table is sorted, follow
    // the sorted ones until sortAgain().
    void sort(int column, Qt::SortOrder order) override;
    // Sorts the rows again in the order last asked for, if any.
    void sortAgain();
    bool sorting() const { return bool(sorting_); }
    // A sort under way's progress.
    RowSortProgress sortProgress() const { return sorting_ ? sorting_->progress() : RowSortProgress{}; }
    // Ends a sort under way: the rows keep the order they had.
    void stopSorting();
    // The order the rows are in: a column and its direction, none in point order.
    std::optional<std::pair<int, Qt::SortOrder>> sortedBy() const { return sorted_; }
    // The column a sort under way sorts by.
    int sortingColumn() const { return sortingBy_.first; }
    // Called on the GUI thread when a sort starts and when it ends.
    void setSortObserver(std::function<void()> observer) { sortObserver_ = std::move(observer); }

    void setDecimalSeparator(DecimalSeparator separator) { separator_ = separator; }
    DecimalSeparator decimalSeparator() const { return separator_; }
    // The study shown, none before the first; its points so far, in point order.
    const study::SweepPlan* plan() const { return plan_.get(); }
    // Counts the studies shown: a new one has another number.
    std::uint64_t studyNumber() const { return studyNumber_; }
    const std::vector<StudyPoint>& points() const { return points_; }
    const std::vector<study::Column>& columns() const { return columns_; }
    // The points computed: those shown and those waiting for a sort to end.
    std::size_t pointCount() const { return points_.size() + waiting_.size(); }
    // The point a row shows, and its place in points().
    const StudyPoint& pointOf(int row) const { return points_[placeOf(row)]; }
    std::size_t placeOf(int row) const { return rows_[std::size_t(row)].point; }
    // The field texts of the point a row shows.
    FieldTexts fieldsOf(int row) const;
    // The text the table shows in `column` on the outlet row of the point
    // at `place` in points().
    QString outletText(std::size_t place, std::size_t column) const;
    // The CSV kaskad-cli's sweep writes with --criterion (and --outlet,
    // --only-meeting as the table shows): every point in point order.
    std::string csvText() const;
    // The same rows and columns as an XLSX workbook.
    std::string xlsxWorkbook() const;

    static QColor meetsColour();
    static QColor failsColour();

private:
    using Row = StudyRow;

    bool keeps(const StudyPoint& point) const { return !onlyMeeting_ || point.criterion.meets; }
    void appendRowsOf(std::uint32_t point);
    void rebuildRows();
    // The reactor a row shows: the outlet kept, or another of its point's
    // run made again; none on the row of a point without a reactor.
    const ReactorResult* reactorOf(const Row& row) const;
    // The whole run of a point, made again and kept for the rows that follow.
    const RunRecord& wholeRun(std::uint32_t point) const;
    QString cellText(const Row& row, const study::Column& column) const;
    void startSort(std::pair<int, Qt::SortOrder> by);
    // The sort of `generation` has ended, on its thread: its rows replace
    // the table's, and the points that waited are appended.
    void sortEnded(std::uint64_t generation);
    // Drops a sort under way and appends the points that waited.
    void cancelSort();
    // The rows of a point the table shows; `whole` holds its run when every
    // reactor is shown.
    study::PointRows pointRows(const StudyPoint& point, RunRecord& whole) const;

    std::shared_ptr<const study::SweepPlan> plan_;
    std::uint64_t studyNumber_ = 0;
    std::vector<study::Column> columns_;
    std::vector<StudyPoint> points_;
    std::size_t meeting_ = 0;
    std::vector<Row> rows_;
    DecimalSeparator separator_;
    bool everyReactor_ = false;
    bool onlyMeeting_ = false;
    // The order the table was last sorted in, kept for the rows to come.
    std::optional<std::pair<int, Qt::SortOrder>> sorted_;
    // A sort under way reads the points and rows on its thread: they stay
    // unchanged, and the points delivered meanwhile wait, until it ends.
    std::unique_ptr<RowSort> sorting_;
    std::pair<int, Qt::SortOrder> sortingBy_{-1, Qt::AscendingOrder};
    std::uint64_t sortGeneration_ = 0;
    std::vector<StudyPoint> waiting_;
    std::function<void()> sortObserver_;
    // The runs made again, by point; emptied when it holds too many.
    mutable std::unordered_map<std::uint32_t, RunRecord> wholeRuns_;
};

} // namespace kaskad::ui
