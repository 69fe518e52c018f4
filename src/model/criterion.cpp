// Testing a run's outlet against its window's optimality criterion.
#include "model/criterion.h"

namespace kaskad {

namespace {

constexpr CriterionBound kBubbleBounds[] = {kCriterionY2, kCriterionY3, kCriterionY4, kCriterionY5};
constexpr CriterionBound kGasLiftBounds[] = {kCriterionY1, kCriterionY2, kCriterionY3, kCriterionY4, kCriterionY5};

} // namespace

std::span<const CriterionBound> criterionBounds(ModelKind model)
{
    if (model == ModelKind::bubble)
        return kBubbleBounds;
    return kGasLiftBounds;
}

bool meetsBound(const CriterionBound& bound, float stored)
{
    const long double value = stored;
    return (!bound.atLeast || value >= *bound.atLeast) && (!bound.atMost || value <= *bound.atMost);
}

CriterionResult evaluateCriterion(const RunRecord& run)
{
    CriterionResult result;
    if (run.error || run.reactors.empty())
        return result;
    const ReactorResult& outlet = run.reactors.back();
    result.meets = true;
    for (const CriterionBound& bound : criterionBounds(run.model)) {
        // The concentrations are stored as singles: the value narrows exactly.
        const bool met = outlet.has(bound.pane) && meetsBound(bound, static_cast<float>(outlet.value(bound.pane)));
        result.bounds.push_back(met);
        result.meets = result.meets && met;
    }
    return result;
}

} // namespace kaskad
