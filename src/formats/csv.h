// CSV cells and lines as every CSV writer of Kaskad forms them: quoting,
// numbers, booleans, the header line, and a table handed over column by
// column, as one text or streamed; CSV records read back a block at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kaskad::formats {

// Appends a cell, quoted when the text holds a comma, a quote or a line end;
// a NUL byte is written as U+FFFD.
void appendCsvCell(std::string& line, std::string_view text);
// Appends a stored single or double as the panes print it, "." separating
// decimals.
void appendNumber(std::string& line, double value);
// Appends "true", "false", or nothing for none.
void appendCsvBoolean(std::string& line, std::optional<bool> value);
// The names joined by commas, as they are, and a line end.
std::string csvHeaderLine(std::span<const std::string> names);

// A column of a table, one cell per row.
struct CsvNumbers {
    std::span<const double> values; // NaN: an empty cell
};
struct CsvIntegers {
    std::span<const std::int64_t> values;
    std::span<const std::uint8_t> missing; // non-zero: an empty cell
};
struct CsvBooleans {
    std::span<const std::int8_t> values; // 1 true, 0 false, -1 an empty cell
};
struct CsvTexts {
    std::span<const std::string> texts;
    std::span<const std::int32_t> codes; // which text each row holds; -1: an empty cell
};
using CsvColumn = std::variant<CsvNumbers, CsvIntegers, CsvBooleans, CsvTexts>;

// The header line, then a line per row. Every column holds `rows` cells.
std::string csvOfColumns(std::span<const std::string> names, std::span<const CsvColumn> columns, std::size_t rows);
// The same lines, the header only with `header`, written into `out` a block
// of lines at a time: the memory taken does not grow with the rows. Stops
// at the first block `out` fails to take.
void writeCsvOfColumns(std::ostream& out, std::span<const std::string> names, std::span<const CsvColumn> columns,
                       std::size_t rows, bool header = true);

// Reads CSV records a block at a time: each record's cells, unquoted, as
// views valid until the next record is read. A record ends at a line end
// outside quotes, "\n" or "\r\n" (Kaskad's writers end lines with "\n"
// alone; a file saved on Windows may take "\r\n").
class CsvReader {
public:
    explicit CsvReader(std::istream& in);
    // The next record's cells; false at the end of the input.
    bool next(std::vector<std::string_view>& cells);
    // Skips the next record; false at the end of the input.
    bool skip();
    // The records read or skipped so far.
    std::size_t records() const { return records_; }

private:
    // The end of the record at pos_, past its line end (or the input's end);
    // reads more input while the record is incomplete. None at the end.
    std::optional<std::size_t> recordEnd();
    bool fill();

    std::istream& in_;
    std::vector<char> block_;
    std::size_t pos_ = 0;  // the first byte not yet read
    std::size_t size_ = 0; // the bytes held
    bool atEnd_ = false;   // the input is read to its end
    std::string unquoted_; // the quoted cells of the current record
    std::size_t records_ = 0;
};

} // namespace kaskad::formats
