// The results table as an XLSX workbook, made by libxlsxwriter.
#pragma once

#include "formats/results_table.h"
#include "study/point_rows.h"

#include <functional>

#include <string>

namespace kaskad::formats {

// One sheet with two header rows, frozen: the table's names in the desktop
// program's language, then kaskad-cli's names of the same columns ("run",
// "--N" … "error_message"). A numeric cell for the run, the reactor and
// every value; the field texts and a failed run's error, on each of its
// rows, as text; a value a failed run did not store leaves its cell empty.
// Returns the file's bytes; raises FileProblem when the workbook cannot be
// made.
//
// libxlsxwriter writes a number with 16 significant digits: every stored
// single reads back as exactly itself once narrowed to a single.
std::string xlsxWorkbook(const ResultsTable& table);

// Hands each point of a sweep, in order, to the function it is given.
using SweepPointVisitor = std::function<void(const std::function<void(const study::PointRows&)>&)>;

// A sweep's points as one sheet "Исследование" with the columns of its CSV:
// the header row, frozen, then a row per row of each point; the field texts
// and the error as text, the reactor and every value as a number, the
// criterion's verdicts as booleans, a cell the CSV leaves empty empty.
// Raises FileProblem when the workbook cannot be made or the rows exceed a
// sheet's.
std::string sweepXlsxWorkbook(const std::vector<study::Column>& columns, const SweepPointVisitor& eachPoint);

} // namespace kaskad::formats
