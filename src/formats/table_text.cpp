// Tab-separated and CSV text of the results table.
#include "formats/table_text.h"

#include "formats/csv.h"
#include "formats/run_output.h"
#include "study/point_rows.h"

#include <charconv>
#include <numeric>

namespace kaskad::formats {

namespace {

void appendInteger(std::string& text, std::size_t value)
{
    char buffer[24];
    text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void appendTabSeparatedRow(std::string& text, const ResultsTable& table, std::size_t row,
                           const TableSelection& selection, DecimalSeparator separator)
{
    for (std::size_t c = 0; c < selection.columns.size(); ++c) {
        if (c > 0)
            text += '\t';
        const int column = selection.columns[c];
        if (!selection.contains || selection.contains(row, column))
            text += table.cellText(row, column, separator);
    }
    text += '\n';
}

// The reactor number and its values, each after a comma; a failing reactor
// that stored nothing has only its number (none when the run failed while
// reading its fields).
void appendCsvReactor(std::string& line, const ResultsTable& table, std::size_t row)
{
    if (const ReactorResult* reactor = table.reactorOf(row)) {
        appendCsvValues(line, *reactor);
        return;
    }
    if (const std::int32_t number = table.reactorNumber(row); number != 0)
        appendInteger(line, std::size_t(number));
    line.append(kPaneCount, ',');
}

// The kind and message of the run's error, each after a comma; empty cells
// for a run that did not fail.
void appendCsvError(std::string& line, const RunRecord& run)
{
    line += ',';
    if (run.error)
        appendCsvCell(line, run.error->kind);
    line += ',';
    if (run.error)
        appendCsvCell(line, run.error->message);
}

} // namespace

TableSelection TableSelection::wholeTable(const ResultsTable& table)
{
    TableSelection selection;
    selection.rows.resize(table.rowCount());
    std::iota(selection.rows.begin(), selection.rows.end(), std::size_t(0));
    selection.columns.resize(kTableColumnCount);
    std::iota(selection.columns.begin(), selection.columns.end(), 0);
    return selection;
}

std::string tabSeparatedText(const ResultsTable& table, const TableSelection& selection, DecimalSeparator separator,
                             WithHeader header)
{
    std::string text;
    if (header == WithHeader::yes) {
        for (std::size_t c = 0; c < selection.columns.size(); ++c) {
            if (c > 0)
                text += '\t';
            text += tableColumnName(selection.columns[c]);
        }
        text += '\n';
    }
    for (std::size_t row : selection.rows)
        appendTabSeparatedRow(text, table, row, selection, separator);
    return text;
}

std::string csvText(const ResultsTable& table)
{
    std::string text = "Расчёт,";
    text += csvValuesHeader();
    for (const study::Column& column : study::errorColumns())
        (text += ',') += column.name;
    text += "\r\n";
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        appendInteger(text, table.runNumber(row));
        text += ',';
        appendCsvReactor(text, table, row);
        appendCsvError(text, table.runOf(row));
        text += "\r\n";
    }
    return text;
}

} // namespace kaskad::formats
