// The optimality criterion the model windows print beside their panes, and
// its test on the outlet of a run.
#pragma once

#include "model/run_record.h"

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kaskad {

// Whether a stored single meets a bound, compared exactly with the decimal.
//
// The limits are not singles' decimals but their nearest extended values.
// This is the same comparison: no decimal limit is a binary fraction, so no
// single equals it; the extended nearest to it leaves no other extended, and
// so no single, between itself and the decimal; and it is no single itself
// (its significand needs more than 24 bits). A single therefore lies on the
// same side of both.
bool meetsBound(const CriterionBound& bound, float stored);

struct CriterionResult {
    // Per bound of criterionBounds(model); empty when the run has no outlet
    // (it failed, or computed no reactor).
    std::vector<bool> bounds;
    bool meets = false;
    // The smallest, over the bounds, signed distance of the stored value to
    // its bound, in the quantity's units, rounded to a double: at least 0
    // exactly when the outlet meets the criterion. None when there is no
    // outlet.
    std::optional<double> margin;
};

// The signed distance of a stored single to a bound: positive inside it,
// negative outside, the smaller of the two for a bound on both sides.
long double marginToBound(const CriterionBound& bound, float stored);

// Tests the last reactor of a run. A run that failed has fewer reactors than
// asked and never meets the criterion.
CriterionResult evaluateCriterion(RunView run);

} // namespace kaskad
