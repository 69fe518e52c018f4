// The rows of the results table: every reactor of every run a window has kept
// since it was last cleared, with the text of each cell, the bounds its
// outlet misses and the error that ended a run.
#pragma once

#include "model/criterion.h"
#include "model/run_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::formats {

// Columns: the run's number, the reactor, then Text1..Text12 in pane order.
inline constexpr int kRunColumn = 0;
inline constexpr int kReactorColumn = 1;
inline constexpr int kTableColumnCount = 2 + kPaneCount;

// "Расчёт", "Реактор", "y1" … "P".
std::string_view tableColumnName(int column);
// The pane a value column shows.
constexpr Pane paneOfColumn(int column) { return Pane(column - 1); }
constexpr bool isValueColumn(int column) { return column >= 2 && column < kTableColumnCount; }

// A view over a window's runs. It holds their indexes, never their values:
// a run added to the window shows once takeNewRuns() has been called.
class ResultsTable {
public:
    explicit ResultsTable(const std::vector<RunRecord>& runs) : runs_(runs) {}

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t runCount() const { return runsTaken_; }

    // Forgets every row; the window has cleared its runs.
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

    // The cell as the table shows it: the numbers, and the value as its pane
    // prints it with the separator given; "" where nothing was stored.
    std::string cellText(std::size_t row, int column, DecimalSeparator separator) const;
    // The bound of the window's criterion that the cell misses: only on the
    // last reactor of a run that computed every reactor.
    const CriterionBound* missedBound(std::size_t row, int column) const;

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

    const std::vector<RunRecord>& runs_;
    std::vector<Row> rows_;
    std::size_t runsTaken_ = 0;
    // Per run, the bound each pane of its outlet misses, if any.
    std::vector<PaneArray<const CriterionBound*>> missed_;
};

} // namespace kaskad::formats
