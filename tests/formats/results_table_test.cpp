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
    const char* errorKind;
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
    EXPECT_EQ(table.cellText(last, columnOfPane(paneY1), '.'), c.lastY1);
    EXPECT_EQ(table.cellText(last, columnOfPane(paneGB), '.'), c.lastGB);
    // Every row of the failed run has its field texts and its error.
    for (std::size_t row = 3; row <= last; ++row) {
        EXPECT_EQ(table.cellText(row, kFirstFieldColumn + 4, '.'), c.fields[fieldT]) << row;
        EXPECT_EQ(table.cellText(row, kErrorMessageColumn, '.'), c.error) << row;
        EXPECT_EQ(table.cellText(row, kErrorKindColumn, '.'), c.errorKind) << row;
    }
    EXPECT_EQ(table.cellText(2, kErrorKindColumn, '.'), "");
    ASSERT_NE(table.errorOf(last), nullptr);
    EXPECT_EQ(table.errorOf(last)->message, c.error);
    EXPECT_EQ(table.errorOf(2), nullptr);
}

const FailedRunCase kFailedRuns[] = {
    {"FaultAtReactorTwentyFive", kFaultAtReactor25, 25, "25", "", "", "Invalid floating point operation.",
     "EInvalidOp"},
    {"FaultBeforeTheFirstValue", kFaultBeforeTheFirstValue, 1, "1", "", "", "Floating point division by zero.",
     "EZeroDivide"},
    {"FieldRejected", kFieldRejected, 1, "", "", "", "'4x' is not a valid floating point value.", "EConvertError"},
    {"FaultAfterTheComposition", kFaultAfterTheComposition, 1, "1", "5.79258108139038", "",
     "Invalid floating point operation.", "EInvalidOp"},
};

INSTANTIATE_TEST_SUITE_P(ResultsTable, FailedRunRows, ::testing::ValuesIn(kFailedRuns),
                         [](const auto& info) { return std::string(info.param.name); });

struct ColumnsCase {
    const char* name;
    ModelKind model;
    const char* names; // on screen and in the desktop program's files
    const char* commandLine;
};

class TableColumns : public ::testing::TestWithParam<ColumnsCase> {};

// The run, then kaskad-cli's sweep columns in its order; the first reactor's
// temperature field apart from the reactors' temperatures by its name.
TEST_P(TableColumns, FollowTheCommandLinesOrder)
{
    const ColumnsCase& c = GetParam();
    std::string names, commandLine;
    for (int column = 0; column < kTableColumnCount; ++column) {
        names += std::string(tableColumnName(c.model, column)) + " ";
        commandLine += commandLineColumnName(c.model, column) + " ";
    }
    EXPECT_EQ(names, c.names);
    EXPECT_EQ(commandLine, c.commandLine);
}

const ColumnsCase kColumnsCases[] = {
    {"Bubble", ModelKind::bubble,
     "Расчёт N y10 y50 wg t1 dtr d ts Реактор y1 y2 y3 y4 y5 y6 GB WB ALFA ALPE t P Вид ошибки Сообщение об ошибке ",
     "run --N --y10 --y50 --wg --t --dtr --d --ts reactor y1 y2 y3 y4 y5 y6 GB WB ALFA ALPE t P error_kind "
     "error_message "},
    {"GasLift", ModelKind::gaslift,
     "Расчёт N y10 y50 wg t1 dtr db ts Реактор y1 y2 y3 y4 y5 y6 GB WB ALFA ALPE t P Вид ошибки Сообщение об ошибке ",
     "run --N --y10 --y50 --wg --t --dtr --db --ts reactor y1 y2 y3 y4 y5 y6 GB WB ALFA ALPE t P error_kind "
     "error_message "},
};

INSTANTIATE_TEST_SUITE_P(ResultsTable, TableColumns, ::testing::ValuesIn(kColumnsCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every value cell is the pane's digits, with the separator asked for; the
// field cells are the texts as typed.
TEST(ResultsTable, CellsAreThePanesDigits)
{
    RunsAndTable window(ModelKind::gaslift);
    window.add(ModelKind::gaslift, kGasLiftExample);
    window.add(ModelKind::gaslift, kGasLiftExample);
    ASSERT_EQ(window.table.rowCount(), 6u);
    for (std::size_t row = 0; row < 6; ++row) {
        EXPECT_EQ(window.table.cellText(row, kRunColumn, ','), std::to_string(row / 3 + 1));
        EXPECT_EQ(window.table.cellText(row, kReactorColumn, ','), std::to_string(row % 3 + 1));
        for (int field = 1; field <= kFieldCount; ++field)
            EXPECT_EQ(window.table.cellText(row, kFirstFieldColumn + field - 1, ','), kGasLiftExample[Field(field)]);
        for (int pane = 1; pane <= kPaneCount; ++pane)
            EXPECT_EQ(window.table.cellText(row, columnOfPane(Pane(pane)), ','),
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
    RunsAndTable window(c.model);
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
                missed += std::to_string(row) + " " + std::string(tableColumnName(c.model, column)) + " " +
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
    ResultsTable table(ModelKind::bubble, runs);
    const auto add = [&](const FieldTexts& texts) { runs.push_back(runRecorded(ModelKind::bubble, texts, '.')); };
    add(kBubbleExample);
    add(kFieldRejected);
    EXPECT_EQ(table.rowCount(), 0u);
    EXPECT_EQ(table.newRowCount(), 4u);
    EXPECT_EQ(table.takeNewRuns(), 4u);
    EXPECT_EQ(table.newRowCount(), 0u);
    EXPECT_EQ(table.takeNewRuns(), 0u);
    add(kBubbleExample);
    EXPECT_EQ(table.takeNewRuns(), 3u);
    EXPECT_EQ(table.cellText(6, kRunColumn, '.'), "3");
    EXPECT_EQ(table.runCount(), 3u);

    runs.clear();
    table.clear();
    add(kBubbleExample);
    EXPECT_EQ(table.takeNewRuns(), 3u);
    EXPECT_EQ(table.cellText(0, kRunColumn, '.'), "1");
}

} // namespace
} // namespace kaskad::formats
