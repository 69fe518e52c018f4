// The optimality criterion on stored singles, at the edges of its bounds.
#include "cli/criterion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace kaskad::cli {
namespace {

const CriterionBound& boundLabelled(ModelKind model, std::string_view label)
{
    for (const CriterionBound& bound : criterionBounds(model))
        if (bound.label == label)
            return bound;
    throw std::invalid_argument(std::string(label));
}

TEST(CriterionBounds, AreTheWindowsLabels)
{
    std::vector<std::string_view> bubble, gaslift;
    for (const CriterionBound& b : criterionBounds(ModelKind::bubble))
        bubble.push_back(b.label);
    for (const CriterionBound& b : criterionBounds(ModelKind::gaslift))
        gaslift.push_back(b.label);
    EXPECT_EQ(bubble, (std::vector<std::string_view>{"y2>=1.47", "y3<=0.91", "y4>=1.06", "1.67<=y5<=2.33"}));
    EXPECT_EQ(gaslift,
              (std::vector<std::string_view>{"y1<=0.02", "y2>=1.47", "y3<=0.91", "y4>=1.06", "1.67<=y5<=2.33"}));
}

// The two singles on either side of each decimal limit, as printed.
struct Edge {
    const char* label;
    const char* inside;
    const char* outside;
};

class CriterionEdge : public ::testing::TestWithParam<Edge> {};

TEST_P(CriterionEdge, SeparatesTheNeighbouringSingles)
{
    const CriterionBound& bound = boundLabelled(ModelKind::gaslift, GetParam().label);
    EXPECT_TRUE(meetsBound(bound, storedSingle(GetParam().inside)));
    EXPECT_FALSE(meetsBound(bound, storedSingle(GetParam().outside)));
}

INSTANTIATE_TEST_SUITE_P(Gaslift, CriterionEdge,
                         ::testing::Values(Edge{"y1<=0.02", "0.0199999995529652", "0.0200000014156103"},
                                           Edge{"y2>=1.47", "1.47000002861023", "1.46999990940094"},
                                           Edge{"y3<=0.91", "0.909999966621399", "0.910000026226044"},
                                           Edge{"y4>=1.06", "1.06000006198883", "1.05999994277954"},
                                           Edge{"1.67<=y5<=2.33", "1.67000007629395", "1.66999995708466"},
                                           Edge{"1.67<=y5<=2.33", "2.32999992370605", "2.33000016212463"}));

TEST(CriterionLimits, NoLimitIsASingle)
{
    for (const CriterionBound& bound : criterionBounds(ModelKind::gaslift))
        for (const auto& limit : {bound.atLeast, bound.atMost}) {
            if (limit) {
                EXPECT_NE(static_cast<long double>(static_cast<float>(*limit)), *limit) << bound.label;
            }
        }
}

// Every single's printed text gives the single back: near the limits and
// from random bit patterns over the whole finite range.
TEST(StoredSingle, IsRecoveredFromItsPrintedText)
{
    std::vector<float> singles;
    for (float limit : {0.02f, 1.47f, 0.91f, 1.06f, 1.67f, 2.33f}) {
        float f = limit;
        for (int i = 0; i < 1000; ++i)
            f = std::nextafter(f, 0.0f);
        for (int i = 0; i < 2000; ++i, f = std::nextafter(f, 10.0f))
            singles.push_back(f);
    }
    std::mt19937 random(20261207);
    while (singles.size() < 200000) {
        const std::uint32_t bits = random();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (std::isfinite(f))
            singles.push_back(f);
    }
    singles.push_back(std::numeric_limits<float>::denorm_min());
    singles.push_back(std::numeric_limits<float>::max());
    for (float f : singles) {
        const std::string printed = NumberToText(f, '.');
        ASSERT_EQ(storedSingle(printed), f) << printed;
    }
}

RunRecord outletRun(ModelKind model, std::vector<std::pair<int, PrintedValue>> outlet)
{
    RunRecord run;
    run.model = model;
    run.reactors.push_back({1, {{paneY1, "1"}, {paneY2, "0"}, {paneY3, "5"}, {paneY4, "0"}, {paneY5, "0"}}});
    run.reactors.push_back({2, std::move(outlet)});
    return run;
}

TEST(Criterion, TestsTheLastReactorOnly)
{
    const RunRecord meeting = outletRun(
        ModelKind::gaslift, {{paneY1, "0.01"}, {paneY2, "1.5"}, {paneY3, "0.9"}, {paneY4, "1.1"}, {paneY5, "2"}});
    const CriterionResult result = evaluateCriterion(meeting);
    EXPECT_TRUE(result.meets);
    EXPECT_EQ(result.bounds.size(), 5u);

    // Bubble-column windows print no y1 bound.
    const RunRecord richInY1 = outletRun(
        ModelKind::bubble, {{paneY1, "0.5"}, {paneY2, "1.5"}, {paneY3, "0.9"}, {paneY4, "1.1"}, {paneY5, "2"}});
    EXPECT_TRUE(evaluateCriterion(richInY1).meets);

    const RunRecord y5High = outletRun(
        ModelKind::bubble, {{paneY1, "0.5"}, {paneY2, "1.5"}, {paneY3, "0.9"}, {paneY4, "1.1"}, {paneY5, "2.4"}});
    const CriterionResult high = evaluateCriterion(y5High);
    EXPECT_FALSE(high.meets);
    EXPECT_EQ(high.bounds, (std::vector<std::optional<bool>>{true, true, true, false}));
}

TEST(Criterion, IsNeverMetByAFailedRun)
{
    RunRecord failed = outletRun(
        ModelKind::gaslift, {{paneY1, "0.01"}, {paneY2, "1.5"}, {paneY3, "0.9"}, {paneY4, "1.1"}, {paneY5, "2"}});
    failed.error = ErrorRecord{"EZeroDivide", "Floating point division by zero."};
    EXPECT_FALSE(evaluateCriterion(failed).meets);
    EXPECT_TRUE(evaluateCriterion(failed).bounds.empty());

    RunRecord empty;
    empty.model = ModelKind::bubble;
    EXPECT_FALSE(evaluateCriterion(empty).meets);
}

} // namespace
} // namespace kaskad::cli
