// The design studies: texts of searched values, bounds and targets, the
// optimiser's answers and the solver's roots, each checked against plain runs.
#include "study/optimize.h"
#include "study/solve.h"
#include "study/study_error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stop_token>

namespace kaskad::study {
namespace {

// The README's box of the criterion search, as intervals.
const FieldTexts kBestExampleBox = {"10:24", "2.6:3.6", "2.7:3.5", "0.05:0.4", "433", "2", "3", "300:1800"};

DesignProblem problemOf(const FieldTexts& texts, Objective::Kind kind = Objective::Kind::margin,
                        std::string_view objective = "margin", bool meetCriterion = false,
                        std::vector<std::string> bounds = {})
{
    DesignSpace space(ModelKind::bubble, texts, kFieldCount);
    Objective parsed = Objective::parse(kind, objective, space);
    std::vector<QuantityBound> parsedBounds;
    for (const std::string& bound : bounds)
        parsedBounds.push_back(parseQuantityBound(bound));
    return {std::move(space), std::move(parsed), meetCriterion, std::move(parsedBounds), {}, std::nullopt};
}

OptimizeResult optimizeWith(const DesignProblem& problem, unsigned jobs, std::size_t evaluations = 2000, int digits = 4)
{
    OptimizeSettings settings;
    settings.jobs = jobs;
    settings.maxEvaluations = evaluations;
    settings.digits = digits;
    return optimize(problem, settings);
}

std::string pane(const RunRecord& run, Pane p) { return run.reactors.back().text(p, '.'); }

TEST(DesignTexts, RoundedDecimalsAndTheirNeighbours)
{
    struct Row {
        long double value;
        int digits;
        std::int64_t step;
        const char* text;
    } rows[] = {
        {0.123456L, 4, 0, "0.1235"}, {0.123456L, 4, 1, "0.1236"}, {1234.5L, 4, 0, "1234"},
        {1235.5L, 4, 0, "1236"},     {0.4L, 4, -1, "0.3999"},     {9.9996L, 4, 0, "10"},
        {2.5e-6L, 2, 0, "2.5E-6"},   {-3.14159L, 3, 0, "-3.14"},  {0.0001L, 1, -1, "0"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DecimalText::rounded(row.value, row.digits).step(row.step).text(), row.text)
            << row.value << " to " << row.digits;
}

TEST(DesignTexts, AValueWithinTheRoundingOfAnEndOrOfZeroIsThatEndOrZero)
{
    struct Row {
        long double from, to, value;
        const char* text;
    } rows[] = {
        {-2, 2, 1.735e-18L, "0"},           {-2, 2, -4.9e-4L, "0"},           {-2, 2, 5.1e-4L, "0.00051"},
        {0.05L, 0.4L, 0.05000004L, "0.05"}, {0.05L, 0.4L, 0.3999999L, "0.4"}, {300, 1800, 1234.56L, "1235"},
        {1, 2, 1.5e-18L, "1.5E-18"},
    };
    for (const Row& row : rows) {
        IntervalField field;
        field.from = row.from;
        field.to = row.to;
        EXPECT_EQ(DecimalText::roundedWithin(field, row.value, 4).text(), row.text) << row.value;
    }
}

TEST(DesignTexts, ShortestTextOfTheStoredValue)
{
    EXPECT_EQ(storedValueText(0.05L, FieldStorage::single), "0.05");
    EXPECT_EQ(storedValueText(2285.10229L, FieldStorage::single), "2285.1023");
    EXPECT_EQ(storedValueText(0.1L, FieldStorage::wide), "0.1");
    EXPECT_EQ(storedValueText(1.0L / 3, FieldStorage::wide), "0.3333333333333333");
}

TEST(DesignInputs, MalformedStudiesAreStudyErrors)
{
    const auto space = [](FieldTexts texts) { return DesignSpace(ModelKind::bubble, texts, kFieldCount); };
    FieldTexts box = kBestExampleBox;
    const std::vector<std::function<void()>> cases = {
        [&] {
            box[fieldWg] = "0.05:0.4:0.1";
            space(box);
        },
        [&] {
            box[fieldWg] = "0.4:0.05";
            space(box);
        },
        [&] {
            box[fieldWg] = "0.05;0.4";
            space(box);
        },
        [&] {
            box[fieldN] = "0:24";
            space(box);
        },
        [&] {
            box[fieldWg] = "0.05:1e39";
            space(box);
        },
        [&] {
            box[fieldDiameter] = "0:1e309";
            space(box);
        },
        [&] {
            box[fieldDtr] = "2,5";
            space(box);
        },
        [&] {
            box[fieldT] = "1e39";
            space(box);
        },
        [&] {
            box[fieldN] = "x";
            space(box);
        },
        [] { parseQuantityBound("GB=>0"); },
        [] { parseQuantityBound("all:Q>=0"); },
        [] { parseQuantityBound("y1<=abc"); },
        [] { Target::parse("y1<0.02"); },
        [] { Objective::parse(Objective::Kind::maximize, "d", DesignSpace(ModelKind::bubble, kBestExampleBox, 8)); },
        [] {
            Objective::parse(Objective::Kind::minimize, "margin", DesignSpace(ModelKind::bubble, kBestExampleBox, 8));
        },
    };
    for (std::size_t k = 0; k < cases.size(); ++k) {
        box = kBestExampleBox;
        EXPECT_THROW(cases[k](), StudyError) << "case " << k;
    }
}

TEST(DesignInputs, BoundsOnTheOutletAndOnEveryReactor)
{
    const QuantityBound strict = parseQuantityBound("all:P>0");
    EXPECT_TRUE(strict.everyReactor);
    EXPECT_FALSE(strict.met(0));
    EXPECT_TRUE(strict.met(1e-30L));
    const QuantityBound outlet = parseQuantityBound("y1<=0.02");
    EXPECT_FALSE(outlet.everyReactor);
    EXPECT_TRUE(outlet.met(0.02L));
    EXPECT_FALSE(outlet.met(0.0200001L));
}

// A reactor does not depend on N: a run of N reactors is the first N of a
// longer one, which lets one run assess every reactor count.
TEST(DesignRuns, AShorterRunIsThePrefixOfALongerOne)
{
    for (const ModelKind model : {ModelKind::bubble, ModelKind::gaslift}) {
        FieldTexts texts = {"24", "3", "2.5", "0.05", "440", "2", "3", "3600"};
        const RunRecord longer = runRecorded(model, texts, '.');
        texts[fieldN] = "9";
        const RunRecord shorter = runRecorded(model, texts, '.');
        ASSERT_EQ(shorter.reactors.size(), 9u);
        for (std::size_t r = 0; r < 9; ++r)
            for (Pane p : kStoreOrder)
                EXPECT_EQ(shorter.reactors[r].value(p), longer.reactors[r].value(p)) << modelName(model) << r;
    }
}

// The README's criterion search finds 0.0263 on its grid; the box holds
// margins above 0.0395, and the answers reproduce in plain runs.
TEST(Optimizer, FindsALargeMarginAndItsPlainRunAgrees)
{
    const DesignProblem problem = problemOf(kBestExampleBox);
    const OptimizeResult result = optimizeWith(problem, 2);
    EXPECT_LE(result.evaluations, 2000u);
    const DesignAnswer& best = result.bestAnswer();
    ASSERT_TRUE(best.meets);
    EXPECT_GE(*best.assessment.margin, 0.0395);
    ASSERT_TRUE(result.smallestMeeting.has_value());
    EXPECT_EQ(result.byReactors.size(), 15u);
    for (const DesignAnswer& answer : result.byReactors) {
        const RunRecord plain = runRecorded(ModelKind::bubble, answer.texts(), '.');
        ASSERT_TRUE(plain.ok());
        EXPECT_EQ(static_cast<std::int32_t>(plain.reactors.size()), answer.reactors);
        EXPECT_EQ(pane(plain, paneY3), pane(answer.run, paneY3));
        EXPECT_EQ(evaluateCriterion(plain).margin, answer.assessment.margin);
    }
}

TEST(Optimizer, TheSameAnswersForEveryNumberOfJobs)
{
    FieldTexts box = kBestExampleBox;
    box[fieldN] = "12:15";
    const DesignProblem problem = problemOf(box);
    const OptimizeResult one = optimizeWith(problem, 1, 600);
    const OptimizeResult three = optimizeWith(problem, 3, 600);
    EXPECT_EQ(one.evaluations, three.evaluations);
    for (std::size_t n = 0; n < one.byReactors.size(); ++n)
        EXPECT_EQ(one.byReactors[n].texts(), three.byReactors[n].texts());
}

// Where nothing meets the criterion, the closest point is as close as an
// exhaustive grid with fifteen times the evaluations finds.
TEST(Optimizer, UnmetCriterionAnswersAsCloseAsAFifteenfoldGrid)
{
    const FieldTexts box = {"3:4", "2.6:3.6", "2.7:3.5", "0.05:0.4", "433", "2", "3", "300:1800"};
    const DesignProblem problem = problemOf(box);
    const OptimizeResult result = optimizeWith(problem, 2, 400);
    ASSERT_FALSE(result.anyMeets());
    // 15 x 10 x 10 x 4 = 6000 runs of the longer count, each assessing both.
    double gridBest = -1e9;
    std::size_t runs = 0;
    for (int a = 0; a < 15; ++a)
        for (int b = 0; b < 10; ++b)
            for (int c = 0; c < 10; ++c)
                for (int e = 0; e < 4; ++e) {
                    const FieldTexts point = {"4",
                                              std::to_string(2.6 + a / 14.0),
                                              std::to_string(2.7 + 0.8 * b / 9),
                                              std::to_string(0.05 + 0.35 * c / 9),
                                              "433",
                                              "2",
                                              "3",
                                              std::to_string(300 + 500 * e)};
                    const RunRecord run = runRecorded(ModelKind::bubble, point, '.');
                    ++runs;
                    for (std::int32_t n = 3; n <= 4; ++n)
                        if (const Assessment assessed = assess(problem, run, n, {}); assessed.computed)
                            gridBest = std::max(gridBest, *assessed.margin);
                }
    EXPECT_GE(*result.bestAnswer().assessment.margin, gridBest) << runs << " grid runs";
}

// The least ts that keeps y1<=0.02 is 2285.1023 (the solver's root): four
// digits round it to 2285, which breaks the bound, so the answer moves one
// unit to 2286; three digits round it to 2290, which keeps it.
TEST(Optimizer, RoundingThatBreaksAConstraintMovesToTheNearestTextThatKeepsIt)
{
    const FieldTexts box = {"12", "3", "2.5", "0.05", "433", "2", "3", "300:3000"};
    const DesignProblem problem = problemOf(box, Objective::Kind::minimize, "ts", false, {"y1<=0.02"});
    for (const auto& [digits, ts] : {std::pair(4, "2286"), std::pair(3, "2290")}) {
        const OptimizeResult result = optimizeWith(problem, 2, 300, digits);
        const DesignAnswer& best = result.bestAnswer();
        EXPECT_TRUE(best.meets) << digits;
        EXPECT_EQ(best.texts()[fieldTs], ts);
        EXPECT_EQ(best.limiting, "y1<=0.02");
    }
}

// Each count's answer is at least as good as the texts one unit of the last
// digit away in any field, and, within 1e-4, as the neighbouring counts'
// answers run at its own count: no count dips below its neighbours.
TEST(Optimizer, NoAnswerLosesToANeighbouringTextOrToANeighbouringCountsAnswer)
{
    FieldTexts box = kBestExampleBox;
    box[fieldN] = "1:24";
    const DesignProblem problem = problemOf(box);
    const OptimizeResult result = optimizeWith(problem, 2);
    const auto assessed = [&](FieldTexts texts, std::int32_t reactors) {
        texts[fieldN] = std::to_string(reactors);
        return assess(problem, runRecorded(ModelKind::bubble, texts, '.'), reactors, {});
    };
    for (const DesignAnswer& answer : result.byReactors) {
        const long double margin = *answer.assessment.margin;
        for (const IntervalField& field : problem.space.intervals())
            for (const std::int64_t units : {-1, 1}) {
                FieldTexts moved = answer.texts();
                const long double value = TextToNumber(moved[field.field], '.');
                moved[field.field] = DecimalText::rounded(value, 4).step(units).text();
                const long double movedValue = TextToNumber(moved[field.field], '.');
                if (movedValue >= field.from && movedValue <= field.to) {
                    EXPECT_LE(*assessed(moved, answer.reactors).margin, margin)
                        << "N " << answer.reactors << ' ' << field.name << ' ' << moved[field.field];
                }
            }
        for (const DesignAnswer& other : result.byReactors)
            if (std::abs(other.reactors - answer.reactors) == 1) {
                EXPECT_LE(*assessed(other.texts(), answer.reactors).margin, margin + 1e-4L)
                    << "N " << other.reactors << "'s answer at N " << answer.reactors;
            }
    }
}

// The largest budget does not make the search run on, or its memory grow:
// DIRECT-L's share is bounded and the local rounds end when they converge.
// A stop after a million evaluations would end a search that ran on.
TEST(Optimizer, TheLargestBudgetEndsWhereTheSearchConverges)
{
    const DesignProblem problem = problemOf(kBestExampleBox);
    std::stop_source stop;
    OptimizeSettings settings;
    settings.jobs = 2;
    settings.maxEvaluations = 100'000'000;
    settings.stop = stop.get_token();
    settings.progress = [&](std::size_t done) {
        if (done > 1'000'000)
            stop.request_stop();
    };
    const OptimizeResult result = optimize(problem, settings);
    EXPECT_FALSE(result.stopped);
    EXPECT_LT(result.evaluations, 1'000'000u);
}

struct OptimizerStopCase {
    const char* name;
    std::optional<std::size_t> stopAfter; // the evaluations made when the stop is asked for; none: never
    std::size_t maxEvaluations;
};

class OptimizerStop : public ::testing::TestWithParam<OptimizerStopCase> {};

// Stopped before or during the search, the optimiser still answers for every
// reactor count, well within its budget, and says it was stopped; never
// stopped, it says so too.
TEST_P(OptimizerStop, AnswersAndSaysWhetherItWasStopped)
{
    const OptimizerStopCase& c = GetParam();
    const DesignProblem problem = problemOf(kBestExampleBox);
    std::stop_source stop;
    OptimizeSettings settings;
    settings.jobs = 2;
    settings.maxEvaluations = c.maxEvaluations;
    settings.stop = stop.get_token();
    settings.progress = [&](std::size_t done) {
        if (c.stopAfter && done >= *c.stopAfter)
            stop.request_stop();
    };
    if (c.stopAfter == 0u)
        stop.request_stop();
    const OptimizeResult result = optimize(problem, settings);
    EXPECT_EQ(result.stopped, c.stopAfter.has_value());
    EXPECT_EQ(result.byReactors.size(), 15u);
    if (c.stopAfter) {
        EXPECT_LT(result.evaluations, c.maxEvaluations / 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Design, OptimizerStop,
                         ::testing::Values(OptimizerStopCase{"BeforeTheSearch", 0, 1'000'000},
                                           OptimizerStopCase{"DuringTheSearch", 200, 1'000'000},
                                           OptimizerStopCase{"Never", std::nullopt, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Solver, FindsEveryCrossingWithinOneStoredUnit)
{
    // y2 rises to about 2.2165 near ts = 4800 and falls again.
    const DesignSpace space(ModelKind::bubble, {"3", "3", "2.5", "0.05", "433", "2", "3", "3000:8000"}, 1);
    const SolveResult result = solve(space, Target::parse("y2=2.21"), {});
    ASSERT_EQ(result.roots.size(), 2u);
    for (const SolvedPoint& root : result.roots) {
        const float ts = std::stof(root.fieldText);
        for (const float neighbour : {std::nextafter(ts, 0.0f), std::nextafter(ts, 1e9f)}) {
            FieldTexts texts = root.texts();
            texts[fieldTs] = storedValueText(neighbour, FieldStorage::single);
            const double there = runRecorded(ModelKind::bubble, texts, '.').reactors.back().value(paneY2);
            // The target lies between the root and one neighbour, and the root is nearer.
            EXPECT_LE(std::fabs(root.value - 2.21), std::fabs(there - 2.21)) << root.fieldText;
        }
    }
    EXPECT_EQ(result.roots[0].fieldText, "4257.634");
    EXPECT_EQ(result.roots[1].fieldText, "5311.777");

    const SolveResult none = solve(space, Target::parse("y2=2.3"), {});
    EXPECT_TRUE(none.roots.empty());
    ASSERT_TRUE(none.closest.has_value());
    EXPECT_EQ(none.closest->fieldText, "4750");
}

// Asked to stop as it reports the fifth scan point, the solver runs no more:
// it has run four (ts = 3000 to 3075 by 25) and answers with their closest,
// the last, as y2 still rises there; never asked to stop, it answers as
// without a stop.
TEST(Solver, StopsWhenAsked)
{
    const DesignSpace space(ModelKind::bubble, {"3", "3", "2.5", "0.05", "433", "2", "3", "3000:8000"}, 1);
    std::stop_source stop;
    SolveSettings settings;
    settings.stop = stop.get_token();
    settings.progress = [&stop](std::size_t done) {
        if (done == 4)
            stop.request_stop();
    };
    const SolveResult stopped = solve(space, Target::parse("y2=2.3"), settings);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.evaluations, 4u);
    ASSERT_TRUE(stopped.closest.has_value());
    EXPECT_EQ(stopped.closest->fieldText, "3075");

    settings = {};
    const SolveResult whole = solve(space, Target::parse("y2=2.21"), settings);
    EXPECT_FALSE(whole.stopped);
    ASSERT_EQ(whole.roots.size(), 2u);
    EXPECT_EQ(whole.roots[1].fieldText, "5311.777");
}

// A point the search makes from values runs as the texts that read as those
// values would.
TEST(DesignSpaceRuns, APointOfValuesRunsAsItsTexts)
{
    const DesignSpace space(ModelKind::bubble, {"5", "3", "2.5", "0.05", "433", "2", "3", "300:3600"}, 1);
    const long double ts = 1234.5678L;
    const std::string text = storedValueText(ts, FieldStorage::single);
    const RunRecord ofValues = space.pointRun(std::span<const long double>(&ts, 1), 5);
    const RunRecord ofTexts =
        runRecorded(ModelKind::bubble, space.pointTexts(std::span<const std::string>(&text, 1), 5), '.');
    ASSERT_TRUE(ofValues.ok());
    for (const Pane p : kStoreOrder)
        EXPECT_EQ(ofValues.paneText(p, '.'), ofTexts.paneText(p, '.')) << quantityName(p);
}

} // namespace
} // namespace kaskad::study
