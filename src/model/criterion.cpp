// Testing a run's outlet against its window's optimality criterion.
#include "model/criterion.h"

#include <algorithm>
#include <limits>

namespace kaskad {

bool meetsBound(const CriterionBound& bound, float stored)
{
    const long double value = stored;
    return (!bound.atLeast || value >= *bound.atLeast) && (!bound.atMost || value <= *bound.atMost);
}

long double marginToBound(const CriterionBound& bound, float stored)
{
    const long double value = stored;
    long double margin = std::numeric_limits<long double>::infinity();
    if (bound.atLeast)
        margin = std::min(margin, value - *bound.atLeast);
    if (bound.atMost)
        margin = std::min(margin, *bound.atMost - value);
    return margin;
}

CriterionResult evaluateCriterion(RunView run)
{
    CriterionResult result;
    if (run.error || run.reactors.empty())
        return result;
    const ReactorResult& outlet = run.reactors.back();
    result.meets = true;
    long double margin = std::numeric_limits<long double>::infinity();
    for (const CriterionBound& bound : criterionBounds(run.model)) {
        // The concentrations are stored as singles: the value narrows exactly.
        const float stored = static_cast<float>(outlet.value(bound.pane));
        const bool met = meetsBound(bound, stored);
        result.bounds.push_back(met);
        result.meets = result.meets && met;
        margin = std::min(margin, marginToBound(bound, stored));
    }
    // A difference of a single and a decimal is never below a double's
    // smallest normal: rounding keeps its sign.
    result.margin = static_cast<double>(margin);
    return result;
}

} // namespace kaskad
