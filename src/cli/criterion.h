// The optimality criterion the model windows print beside their panes, tested
// on the outlet of a run.
#pragma once

#include "cli/run_record.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kaskad::cli {

// One bound as the window prints it ("y3<=0.91", "1.67<=y5<=2.33"). The
// limits are the extended values nearest to the printed decimals.
struct CriterionBound {
    int pane;
    std::string_view label;
    std::optional<long double> atLeast;
    std::optional<long double> atMost;
};

// The bounds of a model's window: gas-lift y1..y5, bubble-column y2..y5.
std::span<const CriterionBound> criterionBounds(ModelKind model);

// Whether a stored single meets a bound, compared exactly with the decimal.
//
// The limits are not singles' decimals but their nearest extended values.
// This is the same comparison: no decimal limit is a binary fraction, so no
// single equals it; the extended nearest to it leaves no other extended, and
// so no single, between itself and the decimal; and it is no single itself
// (its significand needs more than 24 bits). A single therefore lies on the
// same side of both.
bool meetsBound(const CriterionBound& bound, float stored);

// The single a printed value was stored as. A printed value has 15
// significant digits, and singles differ from each other by more than one
// part in 10^8, so the text is nearer to its single than to any other:
// converting it and rounding to single gives the stored value back.
float storedSingle(std::string_view printed);

struct CriterionResult {
    // Per bound of criterionBounds(model); empty when the run has no outlet
    // (it failed, or computed no reactor).
    std::vector<std::optional<bool>> bounds;
    bool meets = false;
};

// Tests the last reactor of a run. A run that failed has fewer reactors than
// asked and never meets the criterion.
CriterionResult evaluateCriterion(const RunRecord& run);

} // namespace kaskad::cli
