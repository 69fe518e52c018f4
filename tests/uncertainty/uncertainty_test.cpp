// The uncertainty library's estimates: the probability of meeting the
// criterion and a quantile of the margin against a fine midpoint integration
// of the same runs, Sobol' indices of the Ishigami function against their
// analytic values, and the same result on one thread and on three.
#include "model/criterion.h"
#include "uncertainty/uncertainty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kaskad::study {
namespace {

// A 10-reactor bubble column whose residence time decides the criterion
// about two times in three.
const FieldTexts kColumn = {"10", "2.6", "3.39", "0.4", "433", "2", "3", "305±30"};

struct MidpointIntegral {
    long double meets = 0;
    double medianMargin = 0;
};

// ts at the midpoints of `cells` equal cells of 275..335: the uniform
// distribution integrated by brute force.
MidpointIntegral integrateOverTs(const UncertainSpace& space, std::size_t cells)
{
    std::size_t meeting = 0;
    std::vector<double> margins;
    for (std::size_t k = 0; k < cells; ++k) {
        const long double ts = 275 + 60 * (k + 0.5L) / cells;
        const CriterionResult criterion = evaluateCriterion(space.sampleRun(std::vector<long double>{ts}));
        meeting += criterion.meets ? 1 : 0;
        margins.push_back(criterion.margin.value_or(-INFINITY));
    }
    const auto middle = margins.begin() + static_cast<std::ptrdiff_t>(cells / 2);
    std::nth_element(margins.begin(), middle, margins.end());
    return {static_cast<long double>(meeting) / cells, *middle};
}

struct MethodRow {
    const char* name;
    SamplingMethod method;
};

class UncertaintyAgainstIntegral : public testing::TestWithParam<MethodRow> {};

// The integral's probability lies in the study's Wilson interval, and the
// integral's median splits the study's margins as a median would: half of
// them below it, within the Wilson interval of that count.
TEST_P(UncertaintyAgainstIntegral, ProbabilityAndMedianAgree)
{
    const UncertainSpace space(ModelKind::bubble, kColumn, '.');
    const MidpointIntegral integral = integrateOverTs(space, 20000);
    std::size_t belowMedian = 0;
    UncertaintySettings settings;
    settings.samples = 4000;
    settings.method = GetParam().method;
    settings.jobs = 2;
    settings.sampleSink = [&](std::size_t, std::span<const long double>, const RunRecord& run) {
        belowMedian += evaluateCriterion(run).margin.value_or(-INFINITY) < integral.medianMargin ? 1 : 0;
    };
    const UncertaintyResult result = runUncertainty(space, settings);
    ASSERT_EQ(result.evaluations, 4000u);
    EXPECT_LE(result.meets.lower, integral.meets);
    EXPECT_GE(result.meets.upper, integral.meets);
    const Proportion half = wilsonInterval(belowMedian, result.evaluations);
    EXPECT_LE(half.lower, 0.5L);
    EXPECT_GE(half.upper, 0.5L);
    EXPECT_LE(result.margin->quantiles[1], integral.medianMargin);
    EXPECT_GE(result.margin->quantiles[3], integral.medianMargin);
}

INSTANTIATE_TEST_SUITE_P(Methods, UncertaintyAgainstIntegral,
                         testing::Values(MethodRow{"mc", SamplingMethod::mc}, MethodRow{"lhs", SamplingMethod::lhs},
                                         MethodRow{"sobol", SamplingMethod::sobol}),
                         [](const auto& info) { return std::string(info.param.name); });

// The study's figures do not depend on how many threads make the runs.
TEST(Uncertainty, OneThreadAndThreeAgree)
{
    const UncertainSpace space(ModelKind::bubble, {"10", "2.6", "3.39", "0.4±5%", "433±1", "2", "3", "normal(305;20)"},
                               '.');
    UncertaintySettings settings;
    settings.samples = 500;
    settings.indices = true;
    settings.quantities = {paneY1};
    UncertaintyResult one = runUncertainty(space, settings);
    settings.jobs = 3;
    UncertaintyResult three = runUncertainty(space, settings);
    EXPECT_EQ(one.meeting, three.meeting);
    EXPECT_EQ(one.margin->mean, three.margin->mean);
    EXPECT_EQ(one.quantities[0].second->quantiles, three.quantities[0].second->quantiles);
    const InputIndices& a = one.indices->outputs[1].inputs->at(2);
    const InputIndices& b = three.indices->outputs[1].inputs->at(2);
    EXPECT_EQ(a.total.value, b.total.value);
    EXPECT_EQ(a.first.lower, b.first.lower);
}

// Ishigami's function, a = 7, b = 0.1, on three uniform inputs on [-pi, pi].
GenericModel ishigami()
{
    const Distribution input{Distribution::Kind::uniform,
                             {-std::numbers::pi_v<long double>, std::numbers::pi_v<long double>, 0}};
    GenericModel model{{"x1", "x2", "x3"}, {input, input, input}, {"f"}, {}};
    model.evaluate = [](std::span<const double> inputs, std::span<double> outputs) {
        for (std::size_t row = 0; row < outputs.size(); ++row) {
            const long double x1 = inputs[3 * row], x2 = inputs[3 * row + 1], x3 = inputs[3 * row + 2];
            outputs[row] =
                double(std::sin(x1) + 7 * std::sin(x2) * std::sin(x2) + 0.1L * std::pow(x3, 4) * std::sin(x1));
        }
    };
    return model;
}

// The analytic indices lie in the bootstrap intervals, which are narrow.
TEST(SobolIndices, IshigamiMatchesItsAnalyticIndices)
{
    const long double pi4 = std::pow(std::numbers::pi_v<long double>, 4);
    const long double v1 = 0.5L * std::pow(1 + 0.1L * pi4 / 5, 2);
    const long double v2 = 49.0L / 8;
    const long double v13 = 0.01L * pi4 * pi4 * (1.0L / 18 - 1.0L / 50);
    const long double variance = v1 + v2 + v13;
    const std::array<long double, 3> first = {v1 / variance, v2 / variance, 0};
    const std::array<long double, 3> total = {(v1 + v13) / variance, v2 / variance, v13 / variance};

    const SobolIndices indices = estimateSobolIndices(ishigami(), 20000, 1);
    EXPECT_EQ(indices.evaluations, 100000u);
    ASSERT_TRUE(indices.outputs.at(0).inputs);
    for (std::size_t k = 0; k < 3; ++k) {
        const InputIndices& input = indices.outputs[0].inputs->at(k);
        SCOPED_TRACE(input.input);
        EXPECT_LE(input.first.lower, first[k]);
        EXPECT_GE(input.first.upper, first[k]);
        EXPECT_LE(input.total.lower, total[k]);
        EXPECT_GE(input.total.upper, total[k]);
        EXPECT_LT(input.first.upper - input.first.lower, 0.1);
        EXPECT_LT(input.total.upper - input.total.lower, 0.1);
    }
}

// An output that some rows do not give has no indices, and says how many.
TEST(SobolIndices, AnOutputMissingFromSomeRowsIsNotEstimated)
{
    GenericModel model = ishigami();
    const auto full = model.evaluate;
    model.evaluate = [full](std::span<const double> inputs, std::span<double> outputs) {
        full(inputs, outputs);
        outputs[7] = NAN;
    };
    const SobolIndices indices = estimateSobolIndices(model, 100, 1);
    EXPECT_FALSE(indices.outputs[0].inputs);
    EXPECT_EQ(indices.outputs[0].rowsWithout, 1u);
}

// 3 - x1 - x2 on two standard normal inputs falls below 0 with probability
// Phi(-3 / sqrt 2): FORM is exact for a linear limit, and subset sampling
// lands within three of its standard deviations.
TEST(RareEvent, LinearLimitOfTwoNormals)
{
    const Distribution normal{Distribution::Kind::normal, {0, 1, 0}};
    GenericModel model{{"x1", "x2"}, {normal, normal}, {"g"}, {}};
    model.evaluate = [](std::span<const double> inputs, std::span<double> outputs) {
        for (std::size_t row = 0; row < outputs.size(); ++row)
            outputs[row] = 3 - inputs[2 * row] - inputs[2 * row + 1];
    };
    const long double exact = 0.5L * std::erfc(3 / std::sqrt(2.0L) / std::sqrt(2.0L));
    const RareEventResult rare = estimateProbabilityBelowZero(model, 2000, 1);
    EXPECT_NEAR(rare.formProbability, exact, 1e-4 * exact);
    EXPECT_NEAR(rare.designPoint.at(0), 1.5, 1e-3);
    EXPECT_NEAR(rare.subsetProbability, exact, 3 * rare.subsetCoefficientOfVariation * exact);
    EXPECT_GT(rare.evaluations, 4000u);
}

} // namespace
} // namespace kaskad::study
