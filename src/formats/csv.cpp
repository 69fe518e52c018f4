// Forming CSV cells and lines.
#include "formats/csv.h"

#include "numeric/number_text.h"

#include <charconv>
#include <cmath>
#include <ostream>
#include <stdexcept>

namespace kaskad::formats {

// A NUL byte, which many readers take for the end of the file, is written
// as U+FFFD, as JSON writes bytes that are not UTF-8.
void appendCsvCell(std::string& line, std::string_view text)
{
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    if (text.find_first_of(std::string_view(",\"\r\n\0", 5)) == std::string_view::npos) {
        line += text;
        return;
    }
    const bool quoted = text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (quoted)
        line += '"';
    for (const char c : text) {
        if (c == '\0') {
            line += kReplacement;
            continue;
        }
        if (c == '"')
            line += '"';
        line += c;
    }
    if (quoted)
        line += '"';
}

void appendNumber(std::string& line, double value)
{
    char buffer[kNumberTextCapacity];
    line.append(buffer, writeNumberText(buffer, value, '.'));
}

void appendCsvBoolean(std::string& line, std::optional<bool> value)
{
    if (value)
        line += *value ? "true" : "false";
}

std::string csvHeaderLine(std::span<const std::string> names)
{
    std::string header;
    for (const std::string& name : names)
        (header += header.empty() ? "" : ",") += name;
    return header + '\n';
}

namespace {

// Appends the cell of one row of a column.
struct CellWriter {
    std::string& line;
    std::size_t row;
    const std::vector<std::string>& quoted; // a text column's texts as cells

    void operator()(const CsvNumbers& column) const
    {
        if (!std::isnan(column.values[row]))
            appendNumber(line, column.values[row]);
    }
    void operator()(const CsvIntegers& column) const
    {
        if (column.missing[row])
            return;
        char buffer[24];
        line.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, column.values[row]).ptr);
    }
    void operator()(const CsvBooleans& column) const
    {
        if (column.values[row] >= 0)
            appendCsvBoolean(line, column.values[row] != 0);
    }
    void operator()(const CsvTexts& column) const
    {
        if (column.codes[row] >= 0)
            line += quoted.at(static_cast<std::size_t>(column.codes[row]));
    }
};

std::size_t cellCount(const CsvColumn& column)
{
    return std::visit(
        [](const auto& c) -> std::size_t {
            if constexpr (std::is_same_v<std::decay_t<decltype(c)>, CsvTexts>)
                return c.codes.size();
            else
                return c.values.size();
        },
        column);
}

} // namespace

namespace {

// A table's columns checked against its names and rows, each text column's
// texts quoted once, not once per row; its rows appended as lines.
class CsvTable {
public:
    CsvTable(std::span<const std::string> names, std::span<const CsvColumn> columns, std::size_t rows)
        : columns_(columns), quoted_(columns.size())
    {
        if (names.size() != columns.size())
            throw std::invalid_argument("a CSV table needs one name per column");
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (cellCount(columns[c]) != rows)
                throw std::invalid_argument("the CSV column '" + names[c] + "' does not have a cell on every row");
            if (const auto* texts = std::get_if<CsvTexts>(&columns[c]))
                for (const std::string& text : texts->texts)
                    appendCsvCell(quoted_[c].emplace_back(), text);
            if (const auto* integers = std::get_if<CsvIntegers>(&columns[c]);
                integers && integers->missing.size() != rows)
                throw std::invalid_argument("the CSV column '" + names[c] + "' does not have a cell on every row");
        }
    }

    void appendRow(std::string& text, std::size_t row) const
    {
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            if (c > 0)
                text += ',';
            std::visit(CellWriter{text, row, quoted_[c]}, columns_[c]);
        }
        text += '\n';
    }

private:
    std::span<const CsvColumn> columns_;
    std::vector<std::vector<std::string>> quoted_;
};

// Lines gathered up to this size go out in one write.
constexpr std::size_t kCsvBlockBytes = std::size_t(1) << 20;

} // namespace

std::string csvOfColumns(std::span<const std::string> names, std::span<const CsvColumn> columns, std::size_t rows)
{
    const CsvTable table(names, columns, rows);
    std::string text = csvHeaderLine(names);
    for (std::size_t row = 0; row < rows; ++row)
        table.appendRow(text, row);
    return text;
}

void writeCsvOfColumns(std::ostream& out, std::span<const std::string> names, std::span<const CsvColumn> columns,
                       std::size_t rows, bool header)
{
    const CsvTable table(names, columns, rows);
    std::string block = header ? csvHeaderLine(names) : std::string();
    block.reserve(kCsvBlockBytes + kCsvBlockBytes / 4);
    for (std::size_t row = 0; row < rows && out; ++row) {
        table.appendRow(block, row);
        if (block.size() >= kCsvBlockBytes) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    if (out)
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    out.flush();
}

} // namespace kaskad::formats
