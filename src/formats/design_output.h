// Writing the answers of the optimiser and the solver: text for a person,
// CSV and JSON.
#pragma once

#include "formats/run_output.h"
#include "study/optimize.h"
#include "study/sensitivity.h"
#include "study/solve.h"

#include <ostream>
#include <string>
#include <vector>

namespace kaskad::formats {

// Text: a table of the best input set per reactor count (the interval
// fields, the objective, the criterion, the limiting bound), then the best
// answer with the command that reproduces it, and the fewest reactors that
// meet the criterion.
// CSV: one row per reactor count: every field text ("--N", …), objective,
// criterion_margin, meets_criterion, meets_target, limiting, then the
// outlet reactor and its y1..P.
// JSON: {"model","objective","evaluations","stopped","meets","best":{…},
// "smallest_N_meeting_criterion","by_N":[…]}; an answer is {"N","fields",
// "objective","criterion_margin","meets_criterion","meets","limiting",
// "outlet"}. Raises std::invalid_argument for panes, a run's own.
// A table's lines for a person: every cell padded to its column's widest, two
// blanks apart, each line opened by two blanks.
void writeTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

void writeOptimizeResult(std::ostream& out, const study::DesignProblem& problem, const study::OptimizeResult& result,
                         OutputFormat format);

// Text: one line per root ("ts = 2285.102: y1 = 0.0200000014156103"), or
// the closest point when there is none. CSV: every field text and "value"
// per root. JSON: {"model","target","reactor","roots":[{"fields","value"}],
// "closest","evaluations"}. Raises std::invalid_argument for panes.
void writeSolveResult(std::ostream& out, const study::DesignSpace& space, const study::Target& target,
                      std::int32_t reactor, const study::SolveResult& result, OutputFormat format);

// Text: the nominal margin, then a row per field in the ranking's order:
// its value, the step, the derivative of the margin with its error and
// elasticity, the tolerance and the margin at either end of it. CSV: a row
// per field in the window's order, the margin's and each outlet quantity's
// derivative, elasticity and error. JSON: {"model","N","margin",
// "evaluations","fields":{FIELD:{"value","step","tolerance","margin_low",
// "margin_high","margin":{"derivative","elasticity","error"},"y1":{…},…}},
// "ranking":[FIELD,…]}. Raises std::invalid_argument for panes.
void writeSensitivityResult(std::ostream& out, const study::FieldPoint& point, const study::SensitivityResult& result,
                            OutputFormat format);

// The tolerance a field's margins were taken at: "±5%" as given, or "(±1%)"
// where none was.
std::string sensitivityToleranceText(const study::FieldSensitivity& field);

} // namespace kaskad::formats
