// The command line's output formats: panes, CSV and JSON.
#pragma once

#include "cli/run_record.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace kaskad::cli {

enum class OutputFormat { panes, csv, json };

// The twelve panes in order, each after a line with its title; line ends are
// "\n".
void writePanes(std::ostream& out, const RunRecord& run);

// The CSV column names of a reactor's values, in append order.
inline constexpr std::array<int, kPaneCount> kCsvPaneOrder = {
    paneY1, paneY2, paneY3, paneY4, paneY5, paneY6, paneGB, paneWB, paneALFA, paneALPE, paneT, paneP,
};

// Header "reactor,y1,...,P" and one row per reactor; a pane that received no
// line for the reactor (the run failed) leaves its cell empty.
void writeCsv(std::ostream& out, const RunRecord& run);

// ",y1,...,P" cells of a reactor in CSV order (each after a comma), empty for
// a pane that received no line.
void appendCsvValues(std::string& row, const ReactorRecord& reactor);

// {"reactor":1,"y1":"…",…} in append order.
nlohmann::ordered_json reactorJson(const ReactorRecord& reactor);

// {"model":…,"reactors":[{"reactor":1,"y1":"…",…}],"error":null|{"kind":…,"message":…}}
void writeJson(std::ostream& out, const RunRecord& run);

void writeRun(std::ostream& out, const RunRecord& run, OutputFormat format);

} // namespace kaskad::cli
