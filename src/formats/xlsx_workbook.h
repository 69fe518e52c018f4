// The results table as an XLSX workbook, made by libxlsxwriter.
#pragma once

#include "formats/results_table.h"

#include <string>

namespace kaskad::formats {

// One sheet with a text header row, frozen, and a numeric cell for every
// value: kaskad-cli's CSV columns after "Расчёт", as csvText() has them; a
// value a failed run did not store leaves its cell empty, and each row of a
// failed run holds its error's kind and message as text. Returns the file's
// bytes; raises FileProblem when the workbook cannot be made.
//
// libxlsxwriter writes a number with 16 significant digits: every stored
// single reads back as exactly itself once narrowed to a single.
std::string xlsxWorkbook(const ResultsTable& table);

} // namespace kaskad::formats
