// Forming CSV cells and lines.
#include "formats/csv.h"

#include "numeric/number_text.h"

#include <charconv>
#include <cmath>
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

std::string csvOfColumns(std::span<const std::string> names, std::span<const CsvColumn> columns, std::size_t rows)
{
    if (names.size() != columns.size())
        throw std::invalid_argument("a CSV table needs one name per column");
    // Each text column's texts quoted once, not once per row.
    std::vector<std::vector<std::string>> quoted(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (cellCount(columns[c]) != rows)
            throw std::invalid_argument("the CSV column '" + names[c] + "' does not have a cell on every row");
        if (const auto* texts = std::get_if<CsvTexts>(&columns[c]))
            for (const std::string& text : texts->texts)
                appendCsvCell(quoted[c].emplace_back(), text);
        if (const auto* integers = std::get_if<CsvIntegers>(&columns[c]); integers && integers->missing.size() != rows)
            throw std::invalid_argument("the CSV column '" + names[c] + "' does not have a cell on every row");
    }
    std::string text = csvHeaderLine(names);
    for (std::size_t row = 0; row < rows; ++row) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                text += ',';
            std::visit(CellWriter{text, row, quoted[c]}, columns[c]);
        }
        text += '\n';
    }
    return text;
}

} // namespace kaskad::formats
