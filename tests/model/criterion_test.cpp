// The optimality criterion on stored singles, at the edges of its bounds.
#include "model/criterion.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>

namespace kaskad {
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

// The two singles on either side of each decimal limit, with their printed
// texts.
struct Edge {
    const char* label;
    float inside;
    const char* insideText;
    float outside;
    const char* outsideText;
};

class CriterionEdge : public ::testing::TestWithParam<Edge> {};

TEST_P(CriterionEdge, SeparatesTheNeighbouringSingles)
{
    const Edge& edge = GetParam();
    const CriterionBound& bound = boundLabelled(ModelKind::gaslift, edge.label);
    ASSERT_EQ(NumberToText(edge.inside, '.'), edge.insideText);
    ASSERT_EQ(NumberToText(edge.outside, '.'), edge.outsideText);
    EXPECT_EQ(std::nextafter(edge.inside, edge.outside), edge.outside);
    EXPECT_TRUE(meetsBound(bound, edge.inside));
    EXPECT_FALSE(meetsBound(bound, edge.outside));
}

std::string edgeName(const ::testing::TestParamInfo<Edge>& info)
{
    std::string name = std::string(info.param.label) + "_at_" + info.param.insideText;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    Gaslift, CriterionEdge,
    ::testing::Values(
        Edge{"y1<=0.02", 0.0199999995529652f, "0.0199999995529652", 0.0200000014156103f, "0.0200000014156103"},
        Edge{"y2>=1.47", 1.47000002861023f, "1.47000002861023", 1.46999990940094f, "1.46999990940094"},
        Edge{"y3<=0.91", 0.909999966621399f, "0.909999966621399", 0.910000026226044f, "0.910000026226044"},
        Edge{"y4>=1.06", 1.06000006198883f, "1.06000006198883", 1.05999994277954f, "1.05999994277954"},
        Edge{"1.67<=y5<=2.33", 1.67000007629395f, "1.67000007629395", 1.66999995708466f, "1.66999995708466"},
        Edge{"1.67<=y5<=2.33", 2.32999992370605f, "2.32999992370605", 2.33000016212463f, "2.33000016212463"}),
    edgeName);

TEST(CriterionLimits, NoLimitIsASingle)
{
    for (const CriterionBound& bound : criterionBounds(ModelKind::gaslift))
        for (const auto& limit : {bound.atLeast, bound.atMost}) {
            if (limit) {
                EXPECT_NE(static_cast<long double>(static_cast<float>(*limit)), *limit) << bound.label;
            }
        }
}

ReactorResult reactorStoring(std::int32_t reactor, std::initializer_list<std::pair<Pane, float>> values)
{
    ReactorResult result(reactor);
    for (const auto& [pane, value] : values)
        result.store(pane, value);
    return result;
}

RunRecord outletRun(ModelKind model, std::initializer_list<std::pair<Pane, float>> outlet)
{
    RunRecord run;
    run.model = model;
    run.reactors.push_back(reactorStoring(1, {{paneY1, 1}, {paneY2, 0}, {paneY3, 5}, {paneY4, 0}, {paneY5, 0}}));
    run.reactors.push_back(reactorStoring(2, outlet));
    return run;
}

TEST(Criterion, TestsTheLastReactorOnly)
{
    const RunRecord meeting = outletRun(
        ModelKind::gaslift, {{paneY1, 0.01f}, {paneY2, 1.5f}, {paneY3, 0.9f}, {paneY4, 1.1f}, {paneY5, 2.0f}});
    const CriterionResult result = evaluateCriterion(meeting);
    EXPECT_TRUE(result.meets);
    EXPECT_EQ(result.bounds.size(), 5u);

    // Bubble-column windows print no y1 bound.
    const RunRecord richInY1 =
        outletRun(ModelKind::bubble, {{paneY1, 0.5f}, {paneY2, 1.5f}, {paneY3, 0.9f}, {paneY4, 1.1f}, {paneY5, 2.0f}});
    EXPECT_TRUE(evaluateCriterion(richInY1).meets);

    const RunRecord y5High =
        outletRun(ModelKind::bubble, {{paneY1, 0.5f}, {paneY2, 1.5f}, {paneY3, 0.9f}, {paneY4, 1.1f}, {paneY5, 2.4f}});
    const CriterionResult high = evaluateCriterion(y5High);
    EXPECT_FALSE(high.meets);
    EXPECT_EQ(high.bounds, (std::vector<bool>{true, true, true, false}));
}

TEST(Criterion, IsNeverMetByAFailedRun)
{
    RunRecord failed = outletRun(ModelKind::gaslift,
                                 {{paneY1, 0.01f}, {paneY2, 1.5f}, {paneY3, 0.9f}, {paneY4, 1.1f}, {paneY5, 2.0f}});
    failed.error = RunError{"EZeroDivide", "Floating point division by zero.", 3, 0};
    EXPECT_FALSE(evaluateCriterion(failed).meets);
    EXPECT_TRUE(evaluateCriterion(failed).bounds.empty());

    RunRecord empty;
    empty.model = ModelKind::bubble;
    EXPECT_FALSE(evaluateCriterion(empty).meets);
}

} // namespace
} // namespace kaskad
