// The results workbook read back by openpyxl: a frozen text header, and
// numeric cells that hold the stored values, in a locale with a decimal
// comma too.
#include "formats/xlsx_workbook.h"
#include "process.h"

#include "formats_runs.h"
#include "model/criterion.h"
#include "study/runner.h"

#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace kaskad::formats {
namespace {

using namespace test_support;
namespace fs = std::filesystem;

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

// The workbook's lines as read_xlsx.py prints them.
std::vector<std::string> readBack(const std::string& bytes)
{
    const fs::path file = fs::temp_directory_path() / ("kaskad-xlsx-test-" + std::to_string(::getpid()) + ".xlsx");
    std::ofstream(file, std::ios::binary) << bytes;
    const std::string output = kaskad::test_support::runCommand(std::string(KASKAD_PYTHON3) + " " + KASKAD_READ_XLSX +
                                                                " " + file.string() + " 2>&1")
                                   .out;
    fs::remove(file);
    return split(output, '\n');
}

// Sets LC_NUMERIC for the test's length, as QApplication sets the user's.
class NumericLocale {
public:
    explicit NumericLocale(const char* name) : previous_(std::setlocale(LC_NUMERIC, nullptr))
    {
        ok_ = std::setlocale(LC_NUMERIC, name) != nullptr;
    }
    ~NumericLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }
    bool ok() const { return ok_; }

private:
    std::string previous_;
    bool ok_;
};

const char* const kHeader =
    "s:Расчёт\ts:N\ts:y10\ts:y50\ts:wg\ts:t1\ts:dtr\ts:db\ts:ts\ts:Реактор\ts:y1\ts:y2\ts:y3\ts:y4\ts:y5\ts:y6"
    "\ts:GB\ts:WB\ts:ALFA\ts:ALPE\ts:t\ts:P\ts:Вид ошибки\ts:Сообщение об ошибке";
const char* const kCommandLineHeader =
    "s:run\ts:--N\ts:--y10\ts:--y50\ts:--wg\ts:--t\ts:--dtr\ts:--db\ts:--ts\ts:reactor\ts:y1\ts:y2\ts:y3\ts:y4"
    "\ts:y5\ts:y6\ts:GB\ts:WB\ts:ALFA\ts:ALPE\ts:t\ts:P\ts:error_kind\ts:error_message";
constexpr std::size_t kFirstValue = 10;

// A stored single reads back as itself once narrowed; P, a single or a
// double, is exactly 5.75, 5.5 and 5.25 in the worked examples.
void expectStoredValues(const std::vector<std::string>& cells, const ReactorResult& reactor)
{
    ASSERT_EQ(cells.size(), kFirstValue + kPaneCount + 2);
    EXPECT_EQ(cells[kFirstValue + kPaneCount] + cells[kFirstValue + kPaneCount + 1], "")
        << "a run that did not fail has no error";
    for (std::size_t k = 0; k < kStoreOrder.size(); ++k) {
        const Pane pane = kStoreOrder[k];
        const std::string& cell = cells[kFirstValue + k];
        ASSERT_TRUE(cell.starts_with("n:")) << cell;
        double read = 0;
        // from_chars, not strtod: the test runs in a decimal comma locale.
        ASSERT_EQ(std::from_chars(cell.data() + 2, cell.data() + cell.size(), read).ec, std::errc()) << cell;
        if (pane == paneP)
            EXPECT_EQ(read, reactor.value(pane));
        else
            EXPECT_EQ(static_cast<float>(read), static_cast<float>(reactor.value(pane))) << quantityName(pane);
    }
}

TEST(XlsxWorkbook, HeaderFrozenAndStoredValuesInADecimalCommaLocale)
{
    const NumericLocale russian("ru_RU.UTF-8");
    ASSERT_TRUE(russian.ok()) << "ru_RU.UTF-8 is missing: scripts/install-deps.sh generates it";
    RunsAndTable window(ModelKind::gaslift);
    window.add(ModelKind::gaslift, kGasLiftExample);
    window.add(ModelKind::gaslift, kGasLiftExample);
    const std::vector<std::string> lines = readBack(xlsxWorkbook(window.table));
    ASSERT_EQ(lines.size(), 2u + 2 + 6 + 1) << (lines.empty() ? "" : lines[0]);
    EXPECT_EQ(lines[0], "sheet Результаты");
    EXPECT_EQ(lines[1], "frozen A3");
    EXPECT_EQ(lines[2], kHeader);
    EXPECT_EQ(lines[3], kCommandLineHeader);
    for (std::size_t row = 0; row < 6; ++row) {
        const std::vector<std::string> cells = split(lines[4 + row], '\t');
        ASSERT_GE(cells.size(), kFirstValue) << lines[4 + row];
        EXPECT_EQ(cells[0], "n:" + std::to_string(row / 3 + 1));
        EXPECT_EQ(cells[1] + cells[2] + cells[3] + cells[7], "s:3s:3s:2") << "the field texts, as text";
        EXPECT_EQ(cells[9], "n:" + std::to_string(row % 3 + 1));
        expectStoredValues(cells, window.runs[row / 3].reactors[row % 3]);
    }
}

// What a failed run did not store stays empty, a run that failed while
// reading its fields has no reactor number; the error's kind and message
// follow the quantities.
TEST(XlsxWorkbook, FailedRunsLeaveCellsEmpty)
{
    RunsAndTable window;
    window.add(ModelKind::bubble, kFaultAfterTheComposition);
    window.add(ModelKind::bubble, kFieldRejected);
    const std::vector<std::string> lines = readBack(xlsxWorkbook(window.table));
    ASSERT_EQ(lines.size(), 2u + 2 + 2 + 1);
    EXPECT_EQ(lines[4], "n:1\ts:2\ts:3\ts:2.5\ts:-0.05\ts:24000\ts:2\ts:3\ts:3600\tn:1\tn:5.792581081390381\t"
                        "n:-2.60516881942749\tn:-0.1874122321605682\tn:-0.2127735614776611\tn:2.712773561477661\t"
                        "n:-3.192766904830933\t\t\t\t\t\t\ts:EInvalidOp\ts:Invalid floating point operation.");
    EXPECT_EQ(lines[5], "n:2\ts:3\ts:3\ts:2.5\ts:0.05\ts:4x\ts:2\ts:3\ts:3600\t\t\t\t\t\t\t\t\t\t\t\t\t\t"
                        "s:EConvertError\ts:'4x' is not a valid floating point value.");
    EXPECT_EQ(lines[6], "");
}

} // namespace
} // namespace kaskad::formats

namespace kaskad::formats {
namespace {

// A sweep's sheet has its CSV's columns: texts, numbers that are the stored
// values, the criterion's verdicts as booleans; a point whose run failed
// while reading its fields keeps its texts and error, its reactor's cells empty.
TEST(XlsxWorkbook, SweepSheetHasTheCsvColumns)
{
    const study::SweepPlan plan(ModelKind::bubble, {"2", "3", "2.5", "0.05;abc", "433", "2", "3", "3600"}, '.');
    const study::SweepRows rows(plan, {.outletOnly = true, .criterion = true});
    const std::vector<RunRecord> runs = {study::runPoint(plan, 0), study::runPoint(plan, 1)};
    const std::vector<std::string> lines = readBack(sweepXlsxWorkbook(rows.columns(), [&](const auto& take) {
        for (std::size_t p = 0; p < runs.size(); ++p)
            take(*rows.point(p, runs[p]));
    }));
    ASSERT_EQ(lines.size(), 2u + 1 + 2 + 1);
    EXPECT_EQ(lines[0], "sheet Исследование");
    EXPECT_EQ(lines[1], "frozen A2");
    std::string header;
    for (const study::Column& column : rows.columns())
        header += (header.empty() ? "s:" : "\ts:") + column.name;
    EXPECT_EQ(lines[2], header);
    const std::vector<std::string> ok = split(lines[3], '\t');
    ASSERT_EQ(ok.size(), rows.columns().size());
    EXPECT_EQ(ok[3] + ok[8], "s:0.05n:2");
    for (std::size_t k = 0; k < kStoreOrder.size(); ++k) {
        double read = 0;
        ASSERT_EQ(std::from_chars(ok[9 + k].data() + 2, ok[9 + k].data() + ok[9 + k].size(), read).ec, std::errc());
        EXPECT_EQ(static_cast<float>(read), static_cast<float>(runs[0].reactors.back().value(kStoreOrder[k])));
    }
    const CriterionResult criterion = evaluateCriterion(runs[0]);
    for (std::size_t b = 0; b < criterion.bounds.size(); ++b)
        EXPECT_EQ(ok[23 + b], criterion.bounds[b] ? "n:True" : "n:False");
    const std::vector<std::string> failed = split(lines[4], '\t');
    ASSERT_EQ(failed.size(), rows.columns().size());
    EXPECT_EQ(failed[3] + "|" + failed[8] + "|" + failed[9] + "|" + failed[21], "s:abc|||s:EConvertError");
    EXPECT_EQ(failed[failed.size() - 2] + failed.back(), "n:False");
}

} // namespace
} // namespace kaskad::formats
