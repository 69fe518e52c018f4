// The solver: every value of one field, within an interval, at which a
// quantity of the outlet (or of a given reactor) takes a target value.
#pragma once

#include "study/design_space.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace kaskad::study {

// "Q=V": a quantity and the value sought.
struct Target {
    std::string label;
    Pane pane = paneY1;
    long double value = 0;

    // Raises StudyError.
    static Target parse(std::string_view text);
};

struct SolveSettings {
    std::optional<std::int32_t> reactor; // the reactor whose quantity counts; the outlet by default
    std::size_t scanIntervals = 200;     // the interval is scanned in this many equal steps
    // Looked at before each run: asked for, from any thread, it ends the
    // search there, with the roots found so far.
    std::stop_token stop;
    // Called on the calling thread with the scan points done so far.
    std::function<void(std::size_t)> progress;
};

// A value of the field and the plain run of it; the run holds the field
// texts that read as its values.
struct SolvedPoint {
    RunRecord run;
    long double fieldValue = 0; // as the field stores it
    std::string fieldText;      // the shortest text the field reads as it
    double value = 0;           // the quantity in that run
    bool tangent = false;       // a double root: the quantity touches the target and turns back

    const FieldTexts& texts() const { return *run.inputs.texts; }
};

struct SolveResult {
    std::vector<SolvedPoint> roots;     // in increasing field value
    std::optional<SolvedPoint> closest; // without a root: the scan point nearest the target
    std::size_t evaluations = 0;
    bool stopped = false; // the stop ended the scan early
};

// The space holds exactly one interval field and a fixed N. Scans the
// interval, then narrows every change of sign with TOMS 748 down to two
// neighbouring stored values of the field, and answers with the one whose
// run comes nearer the target; where the quantity turns back toward the
// target between scan points, looks for a close pair of roots or a
// tangency there. Every root is checked: the quantity less the target
// changes sign across its neighbouring stored values, or is 0 there.
// Raises StudyError.
SolveResult solve(const DesignSpace& space, const Target& target, const SolveSettings& settings);

} // namespace kaskad::study
