// How the outlet of one design answers small changes of each field: central
// differences of the criterion margin and of the outlet quantities, their
// elasticities, and the fields ranked by how far a plant's tolerance moves
// the margin.
#pragma once

#include "study/uncertain_space.h"

#include <cstddef>
#include <map>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace kaskad::study {

// A derivative from central differences of steps h and h/2.
struct Derivative {
    long double derivative = 0; // the difference of step h/2
    // derivative * field value / quantity value; none where the quantity is 0
    std::optional<long double> elasticity;
    long double error = 0; // |difference of step h - difference of step h/2|
};

struct FieldSensitivity {
    VaryingField field;
    long double value = 0;            // the value the field stores
    long double step = 0;             // h: half the span of the wider difference, as stored
    std::optional<Derivative> margin; // none when a run of the differences failed
    PaneArray<std::optional<Derivative>> quantities{};
    std::optional<Tolerance> tolerance; // as given
    long double halfWidth = 0;          // the tolerance's, or 1 % of the value without one
    // The margin at value - halfWidth and value + halfWidth; none for a run that failed.
    std::optional<double> marginBelow, marginAbove;
};

struct SensitivityResult {
    RunRecord nominal;
    std::optional<double> margin;         // the nominal run's
    std::vector<FieldSensitivity> fields; // in the window's order
    // Indexes into fields: the fields with a tolerance by how far it moves
    // the margin, then the others by the magnitude of the margin's elasticity.
    std::vector<std::size_t> ranking;
    std::size_t evaluations = 0;
    bool stopped = false; // the stop ended it: the fields done before it are there
};

// tolerances: by field name; a name the design has no field for raises
// StudyError. The stop, asked for, ends it before the next run.
SensitivityResult sensitivity(const FieldPoint& point, const std::map<std::string, Tolerance>& tolerances,
                              const std::stop_token& stop = {});

} // namespace kaskad::study
