// The results table's rows and cells: a row per reactor of every run, the
// failing reactor of a failed run with what it stored and its error, and the
// outlet's cells that miss the window's criterion.
#include "formats/results_table.h"

#include "formats_runs.h"

#include <gtest/gtest.h>

namespace kaskad::formats {
namespace {

using namespace test_support;

struct FailedRunCase {
    const char* name;
    FieldTexts fields;
    std::size_t rows;
    const char* lastReactor; // the last row's Реактор cell
    const char* lastY1;      // the last row's y1 cell
    const char* lastGB;
    const char* error;
};

class FailedRunRows : public ::testing::TestWithParam<FailedRunCase> {};

// After a worked example of three reactors, the failed run is run 2.
TEST_P(FailedRunRows, KeepItsReactorsAndARowForTheFailingOne)
{
    const FailedRunCase& c = GetParam();
    RunsAndTable window;
    window.add(ModelKind::bubble, kBubbleExample);
    window.add(ModelKind::bubble, c.fields);
    const ResultsTable& table = window.table;
    ASSERT_EQ(table.rowCount(), 3 + c.rows);
    const std::size_t last = table.rowCount() - 1;
    for (std::size_t row = 3; row <= last; ++row) {
        EXPECT_EQ(table.cellText(row, kRunColumn, '.'), "2") << row;
        EXPECT_EQ(table.errorOf(row) != nullptr, row == last) << row;
    }
    EXPECT_EQ(table.cellText(last, kReactorColumn, '.'), c.lastReactor);
    EXPECT_EQ(table.cellText(last, 2, '.'), c.lastY1);
    EXPECT_EQ(table.cellText(last, 8, '.'), c.lastGB);
    ASSERT_NE(table.errorOf(last), nullptr);
    EXPECT_EQ(table.errorOf(last)->message, c.error);
    EXPECT_EQ(table.errorOf(2), nullptr);
}

const FailedRunCase kFailedRuns[] = {
    {"FaultAtReactorTwentyFive", kFaultAtReactor25, 25, "25", "", "", "Invalid floating point operation."},
    {"FaultBeforeTheFirstValue", kFaultBeforeTheFirstValue, 1, "1", "", "", "Floating point division by zero."},
    {"FieldRejected", kFieldRejected, 1, "", "", "", "'4x' is not a valid floating point value."},
    {"FaultAfterTheComposition", kFaultAfterTheComposition, 1, "1", "5.79258108139038", "",
     "Invalid floating point operation."},
};

INSTANTIATE_TEST_SUITE_P(ResultsTable, FailedRunRows, ::testing::ValuesIn(kFailedRuns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ResultsTable, ColumnsAreRunReactorAndThePanesInOrder)
{
    std::string names;
    for (int column = 0; column < kTableColumnCount; ++column)
        names += std::string(tableColumnName(column)) + " ";
    EXPECT_EQ(names, "Расчёт Реактор y1 y2 y3 y4 y5 y6 GB ALFA WB ALPE t P ");
}

// Every value cell is the pane's digits, with the separator asked for.
TEST(ResultsTable, CellsAreThePanesDigits)
{
    RunsAndTable window;
    window.add(ModelKind::gaslift, kGasLiftExample);
    window.add(ModelKind::gaslift, kGasLiftExample);
    ASSERT_EQ(window.table.rowCount(), 6u);
    for (std::size_t row = 0; row < 6; ++row) {
        EXPECT_EQ(window.table.cellText(row, kRunColumn, ','), std::to_string(row / 3 + 1));
        EXPECT_EQ(window.table.cellText(row, kReactorColumn, ','), std::to_string(row % 3 + 1));
        for (int pane = 1; pane <= kPaneCount; ++pane)
            EXPECT_EQ(window.table.cellText(row, pane + 1, ','),
                      withSeparator(kGasLiftExamplePanes[pane - 1][row % 3], ','))
                << "row " << row << ", Text" << pane;
    }
}

struct CriterionCase {
    const char* name;
    ModelKind model;
    FieldTexts fields;
    // The missed bounds of the whole table: "row column label; …".
    const char* missed;
};

class CriterionCells : public ::testing::TestWithParam<CriterionCase> {};

// Only the outlet of a run that computed every reactor is checked.
TEST_P(CriterionCells, MarkTheOutletsValuesOutsideTheirBounds)
{
    const CriterionCase& c = GetParam();
    RunsAndTable window;
    window.add(c.model, c.fields);
    // A run that fails in reactor 25 after 24 complete ones.
    const FieldTexts failing =
        c.model == ModelKind::bubble ? kFaultAtReactor25 : FieldTexts{"30", "3", "2", "0.05", "450", "2", "", "3600"};
    window.add(c.model, failing);
    ASSERT_FALSE(window.runs.back().ok());
    std::string missed;
    for (std::size_t row = 0; row < window.table.rowCount(); ++row)
        for (int column = 0; column < kTableColumnCount; ++column)
            if (const CriterionBound* bound = window.table.missedBound(row, column))
                missed += std::to_string(row) + " " + std::string(tableColumnName(column)) + " " +
                          std::string(bound->label) + "; ";
    EXPECT_EQ(missed, c.missed);
}

const CriterionCase kCriterionCases[] = {
    {"Bubble", ModelKind::bubble, kBubbleExample, "2 y4 y4>=1.06; "},
    {"GasLift", ModelKind::gaslift, kGasLiftExample, "2 y3 y3<=0.91; 2 y4 y4>=1.06; 2 y5 1.67<=y5<=2.33; "},
    // One reactor: its y1 of 0.092492401599884 misses the gas-lift window's
    // first bound, which the bubble-column window does not have.
    {"GasLiftOneReactor",
     ModelKind::gaslift,
     {"1", "3", "2", "0.05", "450", "2", "", "3600"},
     "0 y1 y1<=0.02; 0 y4 y4>=1.06; "},
    {"BubbleOneReactor",
     ModelKind::bubble,
     {"1", "3", "2.5", "0.05", "433", "2", "3", "3600"},
     "0 y2 y2>=1.47; 0 y4 y4>=1.06; "},
};

INSTANTIATE_TEST_SUITE_P(ResultsTable, CriterionCells, ::testing::ValuesIn(kCriterionCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Rows of new runs come at the end; clearing starts the numbering again.
TEST(ResultsTable, TakesNewRunsAndClears)
{
    std::vector<RunRecord> runs;
    ResultsTable table(runs);
    runs.push_back(runRecorded(ModelKind::bubble, kBubbleExample, '.'));
    runs.push_back(runRecorded(ModelKind::bubble, kFieldRejected, '.'));
    EXPECT_EQ(table.rowCount(), 0u);
    EXPECT_EQ(table.newRowCount(), 4u);
    EXPECT_EQ(table.takeNewRuns(), 4u);
    EXPECT_EQ(table.newRowCount(), 0u);
    EXPECT_EQ(table.takeNewRuns(), 0u);
    runs.push_back(runRecorded(ModelKind::bubble, kBubbleExample, '.'));
    EXPECT_EQ(table.takeNewRuns(), 3u);
    EXPECT_EQ(table.cellText(6, kRunColumn, '.'), "3");
    EXPECT_EQ(table.runCount(), 3u);

    runs.clear();
    table.clear();
    runs.push_back(runRecorded(ModelKind::bubble, kBubbleExample, '.'));
    EXPECT_EQ(table.takeNewRuns(), 3u);
    EXPECT_EQ(table.cellText(0, kRunColumn, '.'), "1");
}

} // namespace
} // namespace kaskad::formats
