// The table as text: tab-separated cells for the clipboard with the
// window's separator, and the CSV file with kaskad-cli's columns.
#include "formats/csv.h"
#include "formats/table_text.h"

#include "formats_runs.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace kaskad::formats {
namespace {

using namespace test_support;

// The worked example's values of reactor 1..3 in the order of the given
// panes, each after cellSeparator.
std::string exampleCells(int reactor, std::initializer_list<int> panes, char cellSeparator, char decimal)
{
    std::string cells;
    for (int pane : panes)
        (cells += cellSeparator) += withSeparator(kBubbleExamplePanes[pane - 1][reactor - 1], decimal);
    return cells;
}

constexpr std::initializer_list<int> kStoreOrderPanes = {1, 2, 3, 4, 5, 6, 7, 9, 8, 10, 11, 12};
const std::string kBubbleExampleTexts = "3\t3\t2.5\t0.05\t433\t2\t3\t3600";

// The field texts stay as typed: only the values take the separator.
TEST(TabSeparatedText, WholeTableWithTheWindowsSeparator)
{
    RunsAndTable window;
    window.add(ModelKind::bubble, kBubbleExample);
    window.add(ModelKind::bubble, kFieldRejected);
    std::string expected = "Расчёт\tN\ty10\ty50\twg\tt1\tdtr\td\tts\tРеактор\ty1\ty2\ty3\ty4\ty5\ty6\tGB\tWB\tALFA\t"
                           "ALPE\tt\tP\tВид ошибки\tСообщение об ошибке\n";
    for (int reactor = 1; reactor <= 3; ++reactor)
        expected += "1\t" + kBubbleExampleTexts + "\t" + std::to_string(reactor) +
                    exampleCells(reactor, kStoreOrderPanes, '\t', ',') + "\t\t\n";
    expected += "2\t3\t3\t2.5\t0.05\t4x\t2\t3\t3600\t" + std::string(kPaneCount, '\t') +
                "\tEConvertError\t'4x' is not a valid floating point value.\n";
    EXPECT_EQ(tabSeparatedText(window.table, TableSelection::wholeTable(window.table), ',', WithHeader::yes), expected);
}

// The cells between the selected ones that are not selected stay empty.
TEST(TabSeparatedText, SelectedCellsUnderTheirColumnsNames)
{
    RunsAndTable window;
    window.add(ModelKind::bubble, kBubbleExample);
    const int y2 = columnOfPane(paneY2);
    TableSelection selection{
        {1, 2}, {y2, columnOfPane(paneY4)}, [y2](std::size_t row, int column) { return row == 1 || column == y2; }};
    EXPECT_EQ(tabSeparatedText(window.table, selection, '.', WithHeader::yes), "y2\ty4\n"
                                                                               "1.93902194499969\t0.371371030807495\n"
                                                                               "2.17238235473633\t\n");
}

const std::string kCsvHeader = "Расчёт,N,y10,y50,wg,t1,dtr,d,ts,Реактор,y1,y2,y3,y4,y5,y6,GB,WB,ALFA,ALPE,t,P,"
                               "Вид ошибки,Сообщение об ошибке\r\n";

// A failed run keeps its reactors; its failing reactor holds what it stored,
// and each of its rows the error, as kaskad-cli's sweep has it. A field text
// with a comma is quoted.
// Cells quoted where a reader would split them, a NUL written as U+FFFD.
TEST(CsvText, CellsQuotedAndNulReplaced)
{
    const struct {
        std::string_view text;
        const char* cell;
    } cases[] = {
        {"0.05", "0.05"},
        {"a,b", "\"a,b\""},
        {"say \"x\"", "\"say \"\"x\"\"\""},
        {std::string_view("4\0"
                          "3",
                          3),
         "4\xEF\xBF\xBD"
         "3"},
        {std::string_view("a,\0", 3), "\"a,\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        std::string line;
        appendCsvCell(line, c.text);
        EXPECT_EQ(line, c.cell);
    }
}

TEST(CsvText, RunNumberThenTheCommandLinesColumns)
{
    RunsAndTable window;
    window.add(ModelKind::bubble, kBubbleExample);
    window.add(ModelKind::bubble, kFaultAfterTheComposition);
    window.add(ModelKind::bubble, kFaultBeforeTheFirstValue);
    window.add(ModelKind::bubble, {"3", "3", "2,5", "0.05", "433", "2", "3", "3600"});
    window.add(ModelKind::bubble, kFaultAtReactor25);
    std::string expected = kCsvHeader;
    for (int reactor = 1; reactor <= 3; ++reactor)
        expected += "1,3,3,2.5,0.05,433,2,3,3600," + std::to_string(reactor) +
                    exampleCells(reactor, kStoreOrderPanes, ',', '.') + ",,\r\n";
    expected += "2,2,3,2.5,-0.05,24000,2,3,3600,1,5.79258108139038,-2.60516881942749,-0.187412232160568,"
                "-0.212773561477661,2.71277356147766,-3.19276690483093,,,,,,,EInvalidOp,Invalid floating point "
                "operation.\r\n"
                "3,3,3,2.5,0,433,2,3,3600,1,,,,,,,,,,,,,EZeroDivide,Floating point division by zero.\r\n"
                "4,3,3,\"2,5\",0.05,433,2,3,3600,,,,,,,,,,,,,,EConvertError,\"'2,5' is not a valid floating point "
                "value.\"\r\n";
    const std::string text = csvText(window.table);
    ASSERT_EQ(text.substr(0, expected.size()), expected);
    // Run 5 fails in reactor 25: its 24 complete reactors carry the error too.
    std::istringstream run5(text.substr(expected.size()));
    int lines = 0;
    for (std::string line; std::getline(run5, line); ++lines)
        EXPECT_TRUE(line.starts_with("5,30,") && line.ends_with(",EInvalidOp,Invalid floating point operation.\r"))
            << line;
    EXPECT_EQ(lines, 25);
}

TEST(CsvText, EmptyTableIsTheHeader)
{
    RunsAndTable window;
    EXPECT_EQ(csvText(window.table), kCsvHeader);
}

} // namespace
} // namespace kaskad::formats
