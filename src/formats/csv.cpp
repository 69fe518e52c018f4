// Forming CSV cells and lines, and reading CSV records back.
#include "formats/csv.h"

#include "numeric/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <istream>
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

namespace {

// Input is read in blocks of this size, a record longer than one taking more.
constexpr std::size_t kReadBlockBytes = std::size_t(4) << 20;

} // namespace

CsvReader::CsvReader(std::istream& in) : in_(in), block_(kReadBlockBytes) {}

bool CsvReader::fill()
{
    if (atEnd_)
        return false;
    // The unread bytes move to the start; the block doubles when they fill it.
    std::copy(block_.begin() + static_cast<std::ptrdiff_t>(pos_), block_.begin() + static_cast<std::ptrdiff_t>(size_),
              block_.begin());
    size_ -= pos_;
    pos_ = 0;
    if (size_ == block_.size())
        block_.resize(block_.size() * 2);
    in_.read(block_.data() + size_, static_cast<std::streamsize>(block_.size() - size_));
    const auto read = static_cast<std::size_t>(in_.gcount());
    size_ += read;
    atEnd_ = read == 0 || !in_;
    return read > 0;
}

std::optional<std::size_t> CsvReader::recordEnd()
{
    std::size_t scanned = pos_;
    bool quoted = false;
    for (;;) {
        const char* data = block_.data();
        if (!quoted) {
            // Most records hold no quote: their end is the next line end.
            const auto* lineEnd = static_cast<const char*>(std::memchr(data + scanned, '\n', size_ - scanned));
            if (lineEnd && !std::memchr(data + scanned, '"', static_cast<std::size_t>(lineEnd - data) - scanned))
                return static_cast<std::size_t>(lineEnd - data) + 1;
        }
        for (; scanned < size_; ++scanned) {
            const char c = data[scanned];
            if (c == '"')
                quoted = !quoted;
            else if (c == '\n' && !quoted)
                return scanned + 1;
        }
        const std::size_t offset = scanned - pos_;
        if (!fill())
            return size_ > pos_ ? std::optional<std::size_t>(size_) : std::nullopt;
        scanned = pos_ + offset;
    }
}

bool CsvReader::skip()
{
    const std::optional<std::size_t> end = recordEnd();
    if (!end)
        return false;
    pos_ = *end;
    ++records_;
    return true;
}

bool CsvReader::next(std::vector<std::string_view>& cells)
{
    const std::optional<std::size_t> end = recordEnd();
    if (!end)
        return false;
    std::string_view record(block_.data() + pos_, *end - pos_);
    pos_ = *end;
    ++records_;
    // A line end is "\n" or "\r\n": a writer quotes a cell holding "\r".
    if (record.ends_with('\n'))
        record.remove_suffix(record.ends_with("\r\n") ? 2 : 1);
    cells.clear();
    unquoted_.clear();
    unquoted_.reserve(record.size());
    // Quoted cells are copied unquoted into unquoted_, which is reserved
    // large enough that it never moves while the record's cells point into it.
    for (std::size_t at = 0;;) {
        if (at < record.size() && record[at] == '"') {
            const std::size_t start = unquoted_.size();
            for (++at; at < record.size(); ++at) {
                if (record[at] == '"') {
                    if (at + 1 < record.size() && record[at + 1] == '"') {
                        unquoted_ += '"';
                        ++at;
                        continue;
                    }
                    ++at;
                    break;
                }
                unquoted_ += record[at];
            }
            cells.emplace_back(unquoted_.data() + start, unquoted_.size() - start);
            if (at >= record.size())
                return true;
            ++at; // the comma after the closing quote
            continue;
        }
        const std::size_t comma = record.find(',', at);
        cells.push_back(record.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at));
        if (comma == std::string_view::npos)
            return true;
        at = comma + 1;
    }
}

} // namespace kaskad::formats
