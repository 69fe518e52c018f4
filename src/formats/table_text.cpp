// Tab-separated and CSV text of the results table.
#include "formats/table_text.h"

#include "formats/csv.h"

#include <numeric>

namespace kaskad::formats {

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
    return tabSeparatedText(
        selection, [&](int column) { return std::string(tableColumnName(table.model(), column)); },
        [&](std::size_t row, int column) { return table.cellText(row, column, separator); }, header);
}

std::string tabSeparatedText(const TableSelection& selection, const std::function<std::string(int column)>& name,
                             const std::function<std::string(std::size_t row, int column)>& cell, WithHeader header)
{
    std::string text;
    if (header == WithHeader::yes) {
        for (std::size_t c = 0; c < selection.columns.size(); ++c) {
            if (c > 0)
                text += '\t';
            text += name(selection.columns[c]);
        }
        text += '\n';
    }
    for (std::size_t row : selection.rows) {
        for (std::size_t c = 0; c < selection.columns.size(); ++c) {
            if (c > 0)
                text += '\t';
            const int column = selection.columns[c];
            if (!selection.contains || selection.contains(row, column))
                text += cell(row, column);
        }
        text += '\n';
    }
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
