// The results of a parameter study as a Qt table model: each point's run kept
// as stored values, a row per point (its outlet) or per reactor, sorted and
// filtered through a vector of row references, each cell's text formed when
// a view asks for it.
#pragma once

#include "model/criterion.h"
#include "study/point_rows.h"
#include "study/sweep_plan.h"

#include <QAbstractTableModel>

#include <unordered_map>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace kaskad::ui {

// A point of a study: its run kept to its outlet, the last reactor it
// computed, with its error; how many reactors it computed; the verdict of
// its outlet. A run gives the same values every time it is run, so the
// other reactors are run again when a view asks for them: a study's memory
// stays a point's outlet, whatever its reactor count.
struct StudyPoint {
    std::size_t index = 0; // the point in the whole study
    RunRecord run;
    std::int32_t reactorCount = 0;
    CriterionResult criterion;
};

// A point of `index` from its whole run, on the thread that ran it.
StudyPoint studyPoint(std::size_t index, RunView run, const study::SweepRows& rows);

class StudyTableModel : public QAbstractTableModel {
public:
    explicit StudyTableModel(QObject* parent = nullptr);

    // A new study: the table empties and takes the plan's columns.
    void reset(std::shared_ptr<const study::SweepPlan> plan);
    // The next points of the study, in point order.
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
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;
    // The rows that came while the table was sorted take their places: rows
    // delivered during a study go to the end until it ends.
    void sortAgain()
    {
        if (sorted_)
            sort(sorted_->first, sorted_->second);
    }

    void setDecimalSeparator(DecimalSeparator separator) { separator_ = separator; }
    DecimalSeparator decimalSeparator() const { return separator_; }
    // The study shown, none before the first; its points so far, in point order.
    const study::SweepPlan* plan() const { return plan_.get(); }
    const std::vector<StudyPoint>& points() const { return points_; }
    const std::vector<study::Column>& columns() const { return columns_; }
    std::size_t pointCount() const { return points_.size(); }
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
    // A row: its point and the reactor shown, an index into its run's
    // reactors; -1 on the row of a point that computed none.
    struct Row {
        std::uint32_t point;
        std::int32_t reactor;
    };

    // What a row sorts by in a column: a number, or a text for the errors. A
    // cell without a value sorts after every value, whichever the order.
    struct SortKey {
        bool missing = true;
        double number = 0;
        std::string text;
    };

    bool keeps(const StudyPoint& point) const { return !onlyMeeting_ || point.criterion.meets; }
    void appendRowsOf(std::uint32_t point);
    void rebuildRows();
    // The reactor a row shows: the outlet kept, or another of its point's
    // run made again; none on the row of a point without a reactor.
    const ReactorResult* reactorOf(const Row& row) const;
    // The whole run of a point, made again and kept for the rows that follow.
    const RunRecord& wholeRun(std::uint32_t point) const;
    QString cellText(const Row& row, const study::Column& column) const;
    SortKey sortKey(const Row& row, const study::Column& by) const;
    // The rows of a point the table shows; `whole` holds its run when every
    // reactor is shown.
    study::PointRows pointRows(const StudyPoint& point, RunRecord& whole) const;

    std::shared_ptr<const study::SweepPlan> plan_;
    std::vector<study::Column> columns_;
    std::vector<StudyPoint> points_;
    std::vector<Row> rows_;
    DecimalSeparator separator_;
    bool everyReactor_ = false;
    bool onlyMeeting_ = false;
    // The order the table was last sorted in, kept for the rows to come.
    std::optional<std::pair<int, Qt::SortOrder>> sorted_;
    // The runs made again, by point; emptied when it holds too many.
    mutable std::unordered_map<std::uint32_t, RunRecord> wholeRuns_;
};

} // namespace kaskad::ui
