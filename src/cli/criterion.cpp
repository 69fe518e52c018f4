// Testing a run's outlet against its window's optimality criterion.
#include "cli/criterion.h"

namespace kaskad::cli {

namespace {

constexpr CriterionBound kY1 = {paneY1, "y1<=0.02", std::nullopt, 0.02L};
constexpr CriterionBound kY2 = {paneY2, "y2>=1.47", 1.47L, std::nullopt};
constexpr CriterionBound kY3 = {paneY3, "y3<=0.91", std::nullopt, 0.91L};
constexpr CriterionBound kY4 = {paneY4, "y4>=1.06", 1.06L, std::nullopt};
constexpr CriterionBound kY5 = {paneY5, "1.67<=y5<=2.33", 1.67L, 2.33L};

constexpr CriterionBound kBubbleBounds[] = {kY2, kY3, kY4, kY5};
constexpr CriterionBound kGasLiftBounds[] = {kY1, kY2, kY3, kY4, kY5};

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

float storedSingle(std::string_view printed)
{
    return static_cast<float>(TextToNumber(printed, '.'));
}

CriterionResult evaluateCriterion(const RunRecord& run)
{
    CriterionResult result;
    if (run.error || run.reactors.empty())
        return result;
    const ReactorRecord& outlet = run.reactors.back();
    result.meets = true;
    for (const CriterionBound& bound : criterionBounds(run.model)) {
        const PrintedValue* printed = outlet.valueOf(bound.pane);
        const bool met = printed && meetsBound(bound, storedSingle(*printed));
        result.bounds.emplace_back(met);
        result.meets = result.meets && met;
    }
    return result;
}

} // namespace kaskad::cli
