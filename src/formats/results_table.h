// The rows of the results table: every reactor of every run a window has kept,
// with the text of each cell, the bounds its
// outlet misses and the error that ended a run.
#pragma once

#include "model/criterion.h"
#include "model/quantities.h"
#include "model/run_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::formats {

// Columns: the run's number, then kaskad-cli's sweep columns in their order:
// the eight field texts, the reactor, its values in store order, the kind
// and message of the error that ended the run.
inline constexpr int kRunColumn = 0;
inline constexpr int kFirstFieldColumn = 1;
inline constexpr int kReactorColumn = kFirstFieldColumn + kFieldCount;
inline constexpr int kFirstValueColumn = kReactorColumn + 1;
inline constexpr int kErrorKindColumn = kFirstValueColumn + kPaneCount;
inline constexpr int kErrorMessageColumn = kErrorKindColumn + 1;
inline constexpr int kTableColumnCount = kErrorMessageColumn + 1;

constexpr bool isFieldColumn(int column) { return column >= kFirstFieldColumn && column < kReactorColumn; }
constexpr Field fieldOfColumn(int column) { return Field(column - kFirstFieldColumn + 1); }
constexpr bool isValueColumn(int column) { return column >= kFirstValueColumn && column < kErrorKindColumn; }
// The pane a value column shows.
constexpr Pane paneOfColumn(int column) { return kStoreOrder[std::size_t(column - kFirstValueColumn)]; }
// The value column of a pane.
constexpr int columnOfPane(Pane pane)
{
    int place = 0;
    while (kStoreOrder[std::size_t(place)] != pane)
        ++place;
    return kFirstValueColumn + place;
}
constexpr bool isErrorColumn(int column) { return column == kErrorKindColumn || column == kErrorMessageColumn; }

// The column's name on screen and in the desktop program's files: "Расчёт",
// the fields' names ("N" … "ts", the first reactor's temperature t as "t1",
// apart from the reactors' "t"), "Реактор", "y1" … "P", "Вид ошибки",
// "Сообщение об ошибке".
std::string_view tableColumnName(ModelKind model, int column);
// The column's name in kaskad-cli's output: "run" for the run's number, then
// the sweep's "--N" … "--ts", "reactor", "y1" … "P", "error_kind",
// "error_message".
std::string commandLineColumnName(ModelKind model, int column);

// A view over a window's runs. It holds their indexes, never their values:
// a run added to the window shows once takeNewRuns() has been called.
class ResultsTable {
public:
    // The runs of a window of `model`, each with the field texts it read.
    ResultsTable(ModelKind model, const std::vector<RunRecord>& runs) : model_(model), runs_(runs) {}

    ModelKind model() const { return model_; }

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t runCount() const { return runsTaken_; }

    // Forgets every row, for a window that has forgotten its runs.
    void clear();
    // How many rows the runs added to the window since takeNewRuns() would
    // add.
    std::size_t newRowCount() const;
    // The rows of the runs added to the window since the last call, at the
    // end; returns how many rows were added.
    std::size_t takeNewRuns();

    // 1, 2, … for the window's runs in order.
    std::size_t runNumber(std::size_t row) const { return rows_[row].run + 1; }
    const RunRecord& runOf(std::size_t row) const { return runs_[rows_[row].run]; }
    // The reactor's number; 0 for the row of a run that failed while reading
    // its fields.
    std::int32_t reactorNumber(std::size_t row) const;
    // The values the row's reactor stored; none for the failing reactor of a
    // run that failed before it stored anything.
    const ReactorResult* reactorOf(std::size_t row) const;
    // The error of a run, on the row of the reactor it happened in.
    const RunError* errorOf(std::size_t row) const;

    // The cell as the table shows it: the numbers, the field texts as typed,
    // the value as its pane prints it with the separator given, and on every
    // row of a failed run its error's kind and message; "" where nothing was
    // stored.
    std::string cellText(std::size_t row, int column, DecimalSeparator separator) const;
    // The bound of the window's criterion that the cell misses: only on the
    // last reactor of a run that computed every reactor.
    const CriterionBound* missedBound(std::size_t row, int column) const;

    // The physical limit the cell's value breaks, if any.
    const PhysicalLimit* brokenLimit(std::size_t row, int column) const;

private:
    struct Row {
        std::uint32_t run;
        // Index into the run's reactors; kFailingReactor for the reactor a
        // run failed in before storing anything.
        std::int32_t reactor;
    };
    static constexpr std::int32_t kFailingReactor = -1;

    // Whether a run has a row for the reactor it failed in besides the rows
    // of the reactors that stored values.
    static bool hasFailingRowOfItsOwn(const RunRecord& run);
    void addRowsOf(std::uint32_t run);

    ModelKind model_;
    const std::vector<RunRecord>& runs_;
    std::vector<Row> rows_;
    std::size_t runsTaken_ = 0;
    // Per run, the bound each pane of its outlet misses, if any.
    std::vector<PaneArray<const CriterionBound*>> missed_;
};

} // namespace kaskad::formats
