// Distributions and tolerances read from field texts, sampled values stored
// as typed ones, and the derivatives of a design's outlet.
#include "model/criterion.h"
#include "study/optimize.h"
#include "study/sensitivity.h"
#include "study/study_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <stdexcept>
#include <stop_token>

namespace kaskad::study {
namespace {

struct DistributionCase {
    const char* text;
    char separator;
    const char* read; // as Distribution::text writes it, or the error's message
};

TEST(Tolerance, DistributionTextsReadAsWritten)
{
    const DistributionCase cases[] = {
        {"433±1", '.', "uniform(432;434)"},
        {"433+-1", '.', "uniform(432;434)"},
        {"0.4±5%", '.', "uniform(0.38;0.42)"},
        {"-2±50%", '.', "uniform(-3;-1)"},
        {"uniform(0.05,0.4)", '.', "uniform(0.05;0.4)"},
        {"normal(433;0.5)", '.', "normal(433;0.5)"},
        {"normal(433;0,5)", ',', "normal(433;0.5)"},
        {"triangular(300,305,320)", '.', "triangular(300;305;320)"},
        {"433±0", '.', "--t: '433±0' needs a tolerance above 0"},
        {"0±5%", '.', "--t: '0±5%' spans no values: V is 0 or the tolerance too small"},
        {"433±x", '.', "--t: '433±x' holds 'x', which is not a number"},
        {"uniform(2,1)", '.', "--t: 'uniform(2,1)' needs A < B"},
        {"normal(433,-1)", '.', "--t: 'normal(433,-1)' needs SIGMA > 0"},
        {"triangular(1,4,3)", '.', "--t: 'triangular(1,4,3)' needs A <= M <= B and A < B"},
        {"normal(433,0.5", '.', "--t: 'normal(433,0.5' must end in ')'"},
        {"uniform(1,2,3)", '.', "--t: 'uniform(1,2,3)' needs 2 numbers"},
        {"gamma(1,2)", '.',
         "--t: 'gamma(1,2)' is not a number, V±D, V±P%, uniform(A,B), normal(MU,SIGMA) or triangular(A,M,B)"},
    };
    for (const DistributionCase& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(isDistributionText(c.text));
        try {
            EXPECT_EQ(parseDistribution("t", c.text, c.separator).text(), c.read);
        } catch (const StudyError& error) {
            EXPECT_EQ(error.message(), c.read);
        }
    }
    EXPECT_FALSE(isDistributionText("433"));
    EXPECT_FALSE(isDistributionText("-1.5E-3"));
}

TEST(Tolerance, FieldTolerancesRead)
{
    EXPECT_EQ(parseFieldTolerance("wg=±5%", '.').tolerance.halfWidth(0.4L), 0.02L);
    EXPECT_EQ(parseFieldTolerance("t=+-1,5", ',').tolerance.text(), "±1.5");
    for (const char* bad : {"t", "=±1", "t=1", "t=1±1"})
        EXPECT_THROW(parseFieldTolerance(bad, '.'), StudyError) << bad;
}

const FieldTexts kReadmeBest = {"10", "2.6", "3.39", "0.4", "433", "2", "3", "305"};

// A drawn value runs exactly as the text written for it: the run sees what
// a typed field stores.
TEST(UncertainSpace, SamplesRunAsTheirTexts)
{
    FieldTexts texts = kReadmeBest;
    texts[fieldT] = "433±1";
    texts[fieldTs] = "normal(305,10)";
    const UncertainSpace space(ModelKind::bubble, texts, '.');
    ASSERT_EQ(space.uncertain().size(), 2u);
    EXPECT_EQ(space.nominal().texts()[fieldTs], "305");
    const long double sample[] = {432.123456789123L, 298.76543219876L};
    const FieldTexts sampleTexts = space.sampleTexts(sample);
    EXPECT_EQ(sampleTexts[fieldT], "432.12344");
    const RunRecord drawn = space.sampleRun(sample);
    const RunRecord typed = runRecorded(ModelKind::bubble, sampleTexts, '.');
    ASSERT_TRUE(drawn.ok());
    for (const Pane pane : kStoreOrder)
        EXPECT_EQ(drawn.reactors.back().value(pane), typed.reactors.back().value(pane)) << quantityName(pane);
}

TEST(UncertainSpace, RefusesAnUncertainOrFractionalReactorCount)
{
    FieldTexts texts = kReadmeBest;
    for (const char* n : {"10±1", "10.5", "0"}) {
        texts[fieldN] = n;
        EXPECT_THROW(UncertainSpace(ModelKind::bubble, texts, '.'), StudyError) << n;
    }
}

const SensitivityResult sensitivityAt(const FieldTexts& texts, const std::map<std::string, Tolerance>& tolerances = {})
{
    return sensitivity(FieldPoint(ModelKind::bubble, texts, '.'), tolerances);
}

const FieldSensitivity& fieldNamed(const SensitivityResult& result, std::string_view name)
{
    for (const FieldSensitivity& field : result.fields)
        if (field.field.name == name)
            return field;
    throw std::logic_error("no such field");
}

// Away from the criterion's kinks the two steps agree closely; d, which no
// bound depends on, has no slope at all.
TEST(Sensitivity, SmoothMarginsHaveSmallErrors)
{
    const SensitivityResult result = sensitivityAt({"12", "3", "2.5", "0.05", "433", "2", "3", "1200"});
    ASSERT_EQ(result.fields.size(), 7u);
    EXPECT_EQ(result.evaluations, 1 + 7 * 6u);
    for (const char* name : {"y10", "y50", "wg", "ts"}) {
        const FieldSensitivity& field = fieldNamed(result, name);
        ASSERT_TRUE(field.margin) << name;
        EXPECT_LT(field.margin->error, 0.01L * std::fabs(field.margin->derivative)) << name;
    }
    EXPECT_EQ(fieldNamed(result, "d").margin->derivative, 0);
}

// The README's best design sits where two bounds of the criterion meet: the
// margin has a kink there, which the error must show. A toleranced field
// ranks first whatever its effect.
TEST(Sensitivity, ErrorsShowTheKinkOfTheMargin)
{
    const SensitivityResult result = sensitivityAt(kReadmeBest, {{"t", Tolerance{1, false}}});
    for (const char* name : {"wg", "y50"})
        EXPECT_GT(fieldNamed(result, name).margin->error, std::fabs(fieldNamed(result, name).margin->derivative))
            << name;
    EXPECT_EQ(result.fields[result.ranking.front()].field.name, "t");
    EXPECT_THROW(sensitivityAt(kReadmeBest, {{"N", Tolerance{1, false}}}), StudyError);
    std::stop_source stop;
    stop.request_stop();
    const SensitivityResult stopped =
        sensitivity(FieldPoint(ModelKind::bubble, kReadmeBest, '.'), {}, stop.get_token());
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.evaluations, 1u);
    EXPECT_TRUE(stopped.fields.empty());
}

// No point of the answer's tolerance box, on a grid of 9 values a field,
// has a smaller margin than the worst case the answer reports.
TEST(RobustOptimize, NoPointOfTheBoxIsWorseThanReported)
{
    DesignSpace space(ModelKind::bubble, {"10", "2.6:3.6", "3.39", "0.05:0.4", "433", "2", "3", "300:1800"},
                      kFieldCount);
    std::vector<ToleratedField> tolerances;
    for (const char* text : {"t=±1", "wg=±5%", "ts=±10"})
        tolerances.push_back(toleratedField(space, parseFieldTolerance(text, '.')));
    const DesignProblem problem{std::move(space), Objective{}, false, {}, std::move(tolerances), std::nullopt};
    OptimizeSettings settings;
    settings.maxEvaluations = 400;
    const DesignAnswer answer = optimize(problem, settings).bestAnswer();
    ASSERT_TRUE(answer.assessment.margin && answer.nominal && answer.nominal->margin);
    const double reported = *answer.assessment.margin;
    EXPECT_LT(reported, *answer.nominal->margin);

    const FieldPoint point(ModelKind::bubble, answer.texts(), '.');
    const std::vector<VaryingField> fields = {point.field("t"), point.field("wg"), point.field("ts")};
    std::vector<long double> half;
    for (const ToleratedField& tolerated : problem.tolerances)
        half.push_back(tolerated.tolerance.halfWidth(point.value(tolerated.field)));
    double least = reported + 1;
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j)
            for (int k = 0; k < 9; ++k) {
                const long double values[] = {point.value(fieldT) + half[0] * (i - 4) / 4,
                                              point.value(fieldWg) + half[1] * (j - 4) / 4,
                                              point.value(fieldTs) + half[2] * (k - 4) / 4};
                least = std::min(least, *evaluateCriterion(point.runWith(fields, values)).margin);
            }
    EXPECT_GE(least, reported - 1e-6 * std::fabs(reported));
}

// The share of the box that meets the criterion, as the search estimates it
// on its fixed sample, against a midpoint integration over the box.
TEST(RobustOptimize, TheShareMetAgreesWithTheBox)
{
    DesignSpace space(ModelKind::bubble, {"11", "2.6", "3.39", "0.2:0.4", "433", "2", "3", "300:400"}, kFieldCount);
    std::vector<ToleratedField> tolerances;
    for (const char* text : {"t=±1", "wg=±5%", "ts=±10"})
        tolerances.push_back(toleratedField(space, parseFieldTolerance(text, '.')));
    const DesignProblem problem{std::move(space), Objective{}, false, {}, std::move(tolerances), 0.9};
    OptimizeSettings settings;
    settings.maxEvaluations = 150;
    const DesignAnswer answer = optimize(problem, settings).bestAnswer();
    ASSERT_TRUE(answer.assessment.meetShare);

    const FieldPoint point(ModelKind::bubble, answer.texts(), '.');
    const std::vector<VaryingField> fields = {point.field("t"), point.field("wg"), point.field("ts")};
    const long double half[] = {1, 0.05L * point.value(fieldWg), 10};
    int meeting = 0;
    constexpr int kCells = 10;
    for (int i = 0; i < kCells; ++i)
        for (int j = 0; j < kCells; ++j)
            for (int k = 0; k < kCells; ++k) {
                const auto at = [](int cell) { return (2 * cell + 1 - kCells) / static_cast<long double>(kCells); };
                const long double values[] = {point.value(fieldT) + half[0] * at(i),
                                              point.value(fieldWg) + half[1] * at(j),
                                              point.value(fieldTs) + half[2] * at(k)};
                meeting += evaluateCriterion(point.runWith(fields, values)).meets ? 1 : 0;
            }
    EXPECT_NEAR(*answer.assessment.meetShare, meeting / 1000.0, 0.05);
}

} // namespace
} // namespace kaskad::study
