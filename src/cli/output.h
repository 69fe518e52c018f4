// The command line's output formats: panes, CSV and JSON.
#pragma once

#include "model/run_record.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace kaskad::cli {

enum class OutputFormat { panes, csv, json };

// The twelve panes in order, each after a line with its title, the values
// with the run's decimal separator; line ends are "\n".
void writePanes(std::ostream& out, const RunRecord& run, DecimalSeparator separator);

// "reactor,y1,...,P": the CSV columns of a reactor's values, in store order.
std::string csvValuesHeader();

// Header and one row per reactor; a pane that received no value for the
// reactor (the run failed) leaves its cell empty. "." separates decimals.
void writeCsv(std::ostream& out, const RunRecord& run);

// The reactor number and ",y1,...,P" cells of a reactor (each after a comma),
// empty for a pane that received no value.
void appendCsvValues(std::string& row, const ReactorResult& reactor);

// {"reactor":1,"y1":"…",…} in store order.
nlohmann::ordered_json reactorJson(const ReactorResult& reactor);

// null, or {"kind":…,"message":…}.
nlohmann::ordered_json errorJson(const RunRecord& run);

// Field texts and the messages that quote them may hold any bytes: invalid
// UTF-8 is written as U+FFFD rather than failing.
std::string dumpJson(const nlohmann::ordered_json& json);

// {"model":…,"reactors":[{"reactor":1,"y1":"…",…}],"error":null|{"kind":…,"message":…}}
void writeJson(std::ostream& out, const RunRecord& run);

void writeRun(std::ostream& out, const RunRecord& run, OutputFormat format, DecimalSeparator separator);

} // namespace kaskad::cli
