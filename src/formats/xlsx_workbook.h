// The results table as an XLSX workbook, made by libxlsxwriter.
#pragma once

#include "formats/results_table.h"

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

} // namespace kaskad::formats
