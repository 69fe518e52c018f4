// A run written as its panes, as CSV or as JSON, and the cells and objects
// of a reactor that the sweep writer and the results table share.
#pragma once

#include "model/run_record.h"

#include <ostream>
#include <string>
#include <string_view>

namespace kaskad::formats {

// What a writer writes: a run's panes, the optimiser's and solver's answers
// as text for a person, CSV or JSON. Each writer takes the ones it has; the
// command line offers each subcommand only those.
enum class OutputFormat { panes, text, csv, json };

// The twelve panes in order, each after a line with its title, the values
// with the run's decimal separator; line ends are "\n".
void writePanes(std::ostream& out, const RunRecord& run, DecimalSeparator separator);

// "reactor,y1,...,P": the CSV columns of a reactor's values, in store order,
// named by the model's quantity table.
std::string csvValuesHeader();

// Header and one row per reactor; a pane that received no value for the
// reactor (the run failed) leaves its cell empty. "." separates decimals.
void writeCsv(std::ostream& out, const RunRecord& run);

// The reactor number and ",y1,...,P" cells of a reactor (each after a comma),
// empty for a pane that received no value.
void appendCsvValues(std::string& row, const ReactorResult& reactor);

// A text as a JSON string. Field texts and the messages that quote them may
// hold any bytes: invalid UTF-8 is written as U+FFFD.
void appendJsonString(std::string& json, std::string_view text);

// {"reactor":1,"y1":1.55393481254578,…} in store order: the values are JSON
// numbers written with exactly the pane's digits.
void appendReactorJson(std::string& json, const ReactorResult& reactor);

// {"N":"24","y10":"3",…}: the field texts of a run under their names.
void appendInputsJson(std::string& json, ModelKind model, const FieldTexts& fields);

// null, or {"kind":…,"message":…,"reactor":…}: the reactor being computed,
// null while the fields were read.
void appendErrorJson(std::string& json, RunView run);

// {"model":…,"inputs":{…},"reactors":[…],"error":null|{"kind":…,"message":…}}
void writeJson(std::ostream& out, const RunRecord& run);

// The run as panes, CSV or JSON; raises std::invalid_argument for text,
// which is the answers' own.
void writeRun(std::ostream& out, const RunRecord& run, OutputFormat format, DecimalSeparator separator);

} // namespace kaskad::formats
