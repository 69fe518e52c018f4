// The results table as text: tab-separated cells for the clipboard, and CSV
// for a file, both with the table's columns and names.
#pragma once

#include "formats/results_table.h"

#include <functional>
#include <string>
#include <vector>

namespace kaskad::formats {

// Cells of the table: the rows and columns they span, and which of those
// cells are taken.
struct TableSelection {
    std::vector<std::size_t> rows; // ascending
    std::vector<int> columns;      // ascending
    // Whether a cell at one of those rows and columns is taken; an empty
    // function takes them all.
    std::function<bool(std::size_t row, int column)> contains;

    static TableSelection wholeTable(const ResultsTable& table);
};

enum class WithHeader : bool { no, yes };

// A line per row, cells separated by tabs and numbers as the table shows
// them with `separator`, after a header row with the columns' names when
// asked for; a cell not taken is empty. Every line ends in "\n".
std::string tabSeparatedText(const ResultsTable& table, const TableSelection& selection, DecimalSeparator separator,
                             WithHeader header);
// The same for any table: `name` gives a column's name for the header row,
// `cell` a cell's text as the table shows it.
std::string tabSeparatedText(const TableSelection& selection, const std::function<std::string(int column)>& name,
                             const std::function<std::string(std::size_t row, int column)>& cell, WithHeader header);

// RFC 4180: the table's columns under their names, kaskad-cli's order and
// the desktop program's language; every cell as the table shows it, "."
// separating decimals, "\r\n" ending each line. A value a failed run did
// not store leaves its cell empty; each row of a failed run carries its
// error, as a sweep's rows do.
std::string csvText(const ResultsTable& table);

} // namespace kaskad::formats
