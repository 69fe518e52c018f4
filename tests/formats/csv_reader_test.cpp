// CSV records read back a block at a time: quoted cells, line ends, a last
// line without one, and a record longer than a block.
#include "formats/csv.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace kaskad::formats {
namespace {

using Records = std::vector<std::vector<std::string>>;

Records readAll(const std::string& text)
{
    std::istringstream in(text);
    CsvReader reader(in);
    Records records;
    std::vector<std::string_view> cells;
    while (reader.next(cells))
        records.emplace_back(cells.begin(), cells.end());
    EXPECT_EQ(reader.records(), records.size());
    return records;
}

struct ReaderCase {
    const char* name;
    std::string text;
    Records records;
};

class CsvReaderRecords : public testing::TestWithParam<ReaderCase> {};

TEST_P(CsvReaderRecords, CellsUnquoted) { EXPECT_EQ(readAll(GetParam().text), GetParam().records); }

const std::string kLongCell(5u << 20, 'x'); // longer than a read block

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvReaderRecords,
    testing::Values(
        ReaderCase{
            "QuotedCommaQuoteAndLineEnd", "a,\"b,c\",\"d\"\"e\"\n\"f\ng\",h\n", {{"a", "b,c", "d\"e"}, {"f\ng", "h"}}},
        ReaderCase{"LastLineWithoutLineEnd", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        ReaderCase{"CarriageReturnLineEnds", "a,b\r\nc,\"d\"\r\n\"e\r\"\n", {{"a", "b"}, {"c", "d"}, {"e\r"}}},
        ReaderCase{"EmptyCellsAndAnEmptyLine", "a,,\n\n\"\"\n", {{"a", "", ""}, {""}, {""}}},
        ReaderCase{"NoInput", "", {}},
        ReaderCase{
            "RecordLongerThanABlock", "\"" + kLongCell + "\"," + kLongCell + "\nz\n", {{kLongCell, kLongCell}, {"z"}}}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return std::string(info.param.name); });

TEST(CsvReader, SkipPassesOverAQuotedLineEnd)
{
    std::istringstream in("\"a\nb\",c\nd\n");
    CsvReader reader(in);
    std::vector<std::string_view> cells;
    ASSERT_TRUE(reader.skip());
    ASSERT_TRUE(reader.next(cells));
    EXPECT_EQ(cells, std::vector<std::string_view>{"d"});
    EXPECT_FALSE(reader.skip());
    EXPECT_EQ(reader.records(), 2u);
}

} // namespace
} // namespace kaskad::formats
