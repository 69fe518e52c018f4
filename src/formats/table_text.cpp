// Tab-separated and CSV text of the results table.
#include "formats/table_text.h"

#include "formats/csv.h"

#include <numeric>

namespace kaskad::formats {

namespace {

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
            text += tableColumnName(table.model(), selection.columns[c]);
        }
        text += '\n';
    }
    for (std::size_t row : selection.rows)
        appendTabSeparatedRow(text, table, row, selection, separator);
    return text;
}

std::string csvText(const ResultsTable& table)
{
    std::string text;
    for (int column = 0; column < kTableColumnCount; ++column) {
        if (column > 0)
            text += ',';
        appendCsvCell(text, tableColumnName(table.model(), column));
    }
    text += "\r\n";
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < kTableColumnCount; ++column) {
            if (column > 0)
                text += ',';
            appendCsvCell(text, table.cellText(row, column, '.'));
        }
        text += "\r\n";
    }
    return text;
}

} // namespace kaskad::formats
