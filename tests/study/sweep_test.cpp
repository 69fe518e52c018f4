// Sweeps against single runs, whatever the number of threads; the runner,
// the plan's limits and the sweep writer.
#include "cli_process.h"
#include "formats/sweep_output.h"
#include "model/criterion.h"
#include "study/runner.h"
#include "study/study_error.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <stop_token>

namespace kaskad::study {
namespace {

using formats::OutputFormat;
using formats::SweepWriter;
namespace test_support = cli::test_support;
using test_support::runKaskadCli;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::string> cells(const std::string& row)
{
    std::vector<std::string> result;
    std::istringstream in(row);
    for (std::string cell; std::getline(in, cell, ',');)
        result.push_back(cell);
    if (!row.empty() && row.back() == ',')
        result.emplace_back();
    return result;
}

struct SweepCase {
    const char* name;
    const char* model;
    const char* fixedFields;               // the options common to every point
    std::vector<std::string> sweptOptions; // two swept options, slower first
    std::vector<std::string> firstValues, secondValues;
};

class SweepAgainstSingleRuns : public ::testing::TestWithParam<SweepCase> {};

// The leading cells of a sweep row: every field's text in the window's
// order, from the fixed options and the swept values.
std::string fieldCells(const SweepCase& c, std::map<std::string, std::string> texts)
{
    std::istringstream fixed(c.fixedFields);
    for (std::string option, text; fixed >> option >> text;)
        texts[option] = text;
    std::string cells;
    for (const FieldDescription& field :
         modelFields(std::string(c.model) == "bubble" ? ModelKind::bubble : ModelKind::gaslift))
        cells += texts["--" + std::string(field.name)] + ",";
    return cells;
}

// Every row of a 3x3 sweep is, digit for digit, the row of the single run of
// the same field texts; the points come in order, the second field fastest.
TEST_P(SweepAgainstSingleRuns, RowsEqualTheSingleRuns)
{
    const SweepCase& c = GetParam();
    const auto join = [](const std::vector<std::string>& values) {
        std::string text;
        for (const std::string& v : values)
            text += (text.empty() ? "" : ";") + v;
        return text;
    };
    const test_support::CliResult sweep =
        runKaskadCli(std::string("sweep ") + c.model + " " + c.fixedFields + " " + c.sweptOptions[0] + " '" +
                     join(c.firstValues) + "' " + c.sweptOptions[1] + " '" + join(c.secondValues) + "' --jobs 2");
    ASSERT_EQ(sweep.exitStatus, 0) << sweep.err;
    std::vector<std::string> sweepRows = lines(sweep.out);
    ASSERT_FALSE(sweepRows.empty());
    sweepRows.erase(sweepRows.begin());

    std::size_t row = 0;
    for (const std::string& first : c.firstValues)
        for (const std::string& second : c.secondValues) {
            const test_support::CliResult single =
                runKaskadCli(std::string(c.model) + " " + c.fixedFields + " " + c.sweptOptions[0] + " " + first + " " +
                             c.sweptOptions[1] + " " + second + " --format csv");
            ASSERT_EQ(single.exitStatus, 0) << single.err;
            const std::vector<std::string> singleRows = lines(single.out);
            for (std::size_t r = 1; r < singleRows.size(); ++r, ++row) {
                ASSERT_LT(row, sweepRows.size());
                const std::string expected =
                    fieldCells(c, {{c.sweptOptions[0], first}, {c.sweptOptions[1], second}}) + singleRows[r] + ",,";
                EXPECT_EQ(sweepRows[row], expected) << first << ' ' << second;
            }
        }
    EXPECT_EQ(row, sweepRows.size());
}

INSTANTIATE_TEST_SUITE_P(Cli, SweepAgainstSingleRuns,
                         ::testing::Values(SweepCase{"bubble",
                                                     "bubble",
                                                     "--N 4 --y10 3 --y50 2.5 --dtr 2 --d 3 --ts 3600",
                                                     {"--wg", "--t"},
                                                     {"0.04", "0.05", "0.06"},
                                                     {"433", "440", "447"}},
                                           SweepCase{"gaslift",
                                                     "gaslift",
                                                     "--N 5 --y10 3 --y50 2 --wg 0.05 --dtr 2",
                                                     {"--t", "--ts"},
                                                     {"440", "445", "450"},
                                                     {"1800", "3600", "5400"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// Failing points and the criterion, in both formats: one to four threads
// print the same bytes.
TEST(SweepJobs, DoNotChangeTheOutput)
{
    for (const char* format : {"csv", "json"}) {
        const std::string arguments = std::string("sweep bubble --N '2;30' --y10 3 --y50 2.5 --wg '0;0.05;0.06' "
                                                  "--t 433:437:2 --dtr 2 --d 3 --ts 3600 --criterion --format ") +
                                      format;
        const test_support::CliResult one = runKaskadCli(arguments + " --jobs 1");
        ASSERT_EQ(one.exitStatus, 0) << one.err;
        EXPECT_NE(one.out.find("EZeroDivide"), std::string::npos);
        EXPECT_NE(one.out.find("EInvalidOp"), std::string::npos);
        for (const char* jobs : {"2", "3", "4", "7"}) {
            const test_support::CliResult many = runKaskadCli(arguments + " --jobs " + jobs);
            EXPECT_EQ(many.exitStatus, 0);
            EXPECT_EQ(many.out, one.out) << format << " --jobs " << jobs;
            EXPECT_EQ(many.err, "");
        }
    }
}

TEST(SweepRun, StopsAndPassesOnAnErrorOfItsSink)
{
    FieldTexts fields = {"1:200:1", "3", "2.5", "0.05", "433", "2", "3", "3600"};
    const SweepPlan plan(ModelKind::bubble, fields, '.');
    std::size_t delivered = 0;
    EXPECT_THROW(runSweep(plan, allPoints(plan), 2,
                          [&](std::size_t index, const RunRecord&) {
                              if (index == 5)
                                  throw std::runtime_error("disk full");
                              ++delivered;
                          }),
                 std::runtime_error);
    EXPECT_EQ(delivered, 5u);
}

TEST(SweepRun, DeliversEveryPointInOrder)
{
    FieldTexts fields = {"1:3:1", "3", "2.5", "0.05;0", "433", "2", "3", "3600"};
    const SweepPlan plan(ModelKind::bubble, fields, '.');
    std::vector<std::string> seen;
    runSweep(plan, allPoints(plan), 3, [&](std::size_t index, const RunRecord& run) {
        seen.push_back(std::to_string(index) + ":" + std::to_string(run.reactors.size()) +
                       (run.error ? run.error->kind : ""));
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"0:1", "1:0EZeroDivide", "2:2", "3:0EZeroDivide", "4:3", "5:0EZeroDivide"}));
}

struct StoppedSweepCase {
    const char* name;
    OutputFormat format;
    unsigned jobs;
    std::size_t stopAt; // the points written when the stop is asked for; 0: asked before the sweep
};

class StoppedSweep : public ::testing::TestWithParam<StoppedSweepCase> {};

// Asked to stop, the sweep driver begins no more points: it writes those
// begun and closes the output, which is then exactly the output of the
// points it says it ran, written one by one. On one thread no point is begun
// after the stop.
TEST_P(StoppedSweep, WritesThePointsBegunWholeAndClosesTheOutput)
{
    const StoppedSweepCase& c = GetParam();
    const SweepPlan plan(ModelKind::bubble, {"1:40:1", "3", "2.5", "0.05", "400:449:1", "2", "3", "3600"}, '.');
    const formats::SweepOutputOptions options{c.format, {.outletOnly = true, .criterion = true}};
    std::stop_source stop;
    if (c.stopAt == 0)
        stop.request_stop();
    std::ostringstream stopped;
    SweepWriter writer(stopped, plan, options);
    const std::size_t run = formats::writeSweep(
        writer, allPoints(plan), {.jobs = c.jobs, .stop = stop.get_token(), .progress = [&](std::size_t done) {
                                      if (done == c.stopAt)
                                          stop.request_stop();
                                  }});
    EXPECT_GE(run, c.stopAt);
    EXPECT_LT(run, plan.pointCount());
    if (c.jobs == 1) {
        EXPECT_EQ(run, c.stopAt);
    }
    std::ostringstream expected;
    SweepWriter oneByOne(expected, plan, options);
    oneByOne.begin();
    for (std::size_t index = 0; index < run; ++index)
        oneByOne.point(index, runPoint(plan, index));
    oneByOne.end();
    EXPECT_EQ(stopped.str(), expected.str());
}

INSTANTIATE_TEST_SUITE_P(Sweep, StoppedSweep,
                         ::testing::Values(StoppedSweepCase{"CsvBeforeTheFirstPoint", OutputFormat::csv, 3, 0},
                                           StoppedSweepCase{"JsonBeforeTheFirstPoint", OutputFormat::json, 3, 0},
                                           StoppedSweepCase{"CsvOnOneThread", OutputFormat::csv, 1, 7},
                                           StoppedSweepCase{"JsonOnOneThread", OutputFormat::json, 1, 7},
                                           StoppedSweepCase{"CsvOnThreeThreads", OutputFormat::csv, 3, 7},
                                           StoppedSweepCase{"JsonOnThreeThreads", OutputFormat::json, 3, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

// A run as text, each stored value by its bits and the error whole: two runs
// print the same digits when their texts are equal.
std::string recordText(const RunRecord& run)
{
    std::ostringstream text;
    text << std::hexfloat;
    for (const ReactorResult& reactor : run.reactors) {
        text << reactor.reactor() << ':';
        for (Pane pane : kStoreOrder)
            if (reactor.has(pane))
                text << ' ' << reactor.value(pane);
        text << '\n';
    }
    if (run.error)
        text << run.error->kind << ' ' << run.error->message << " at " << run.error->reactor << '/'
             << run.error->lastPane << '\n';
    return text.str();
}

struct SweepOverNCase {
    const char* name;
    ModelKind model;
    FieldTexts fields;
};

class SweepOverN : public ::testing::TestWithParam<SweepOverNCase> {};

// The points that differ only in N share one longer run: each point's run is
// still the single run of its texts, reactors and error alike, for counts on
// either side of the reactor where a run fails, on one thread or several,
// handed over whole or seen as a view into the longer run.
TEST_P(SweepOverN, EachPointIsItsSingleRun)
{
    const SweepPlan plan(GetParam().model, GetParam().fields, '.');
    std::vector<std::string> single;
    std::int32_t latestFailure = 0;
    for (std::size_t index = 0; index < plan.pointCount(); ++index) {
        const RunRecord run = runRecorded(plan.model(), plan.pointFields(index), '.');
        single.push_back(recordText(run));
        latestFailure = std::max(latestFailure, run.error ? run.error->reactor : 0);
    }
    ASSERT_GT(latestFailure, 3) << "no run fails between the counts swept";
    for (const unsigned jobs : {1u, 2u, 7u}) {
        std::vector<std::string> swept;
        runSweep(plan, allPoints(plan), jobs, [&](std::size_t index, const RunRecord& run) {
            ASSERT_EQ(index, swept.size());
            swept.push_back(recordText(run));
        });
        EXPECT_EQ(swept, single) << "--jobs " << jobs;
        std::vector<std::string> viewed;
        runSweepProducing<std::string>(
            plan, allPoints(plan), jobs, [](std::size_t, RunView run) { return recordText(ownedRun(run)); },
            [&](std::size_t, std::string&& text) { viewed.push_back(std::move(text)); });
        EXPECT_EQ(viewed, single) << "seen as views, --jobs " << jobs;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, SweepOverN,
    ::testing::Values(SweepOverNCase{"bubble",
                                     ModelKind::bubble,
                                     {"30;3;25;24;0;26;1E19;x", "3", "2.5", "0.05;0", "433;436", "2", "3", "3600"}},
                      SweepOverNCase{"gaslift",
                                     ModelKind::gaslift,
                                     {"40;2;25;0.4;24", "3", "2", "0.05", "450;490", "2", "", "3600"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Two made-up points, the first meeting the criterion, the second not.
TEST(SweepWriter, OnlyMeetingKeepsThePointsThatMeetTheCriterion)
{
    FieldTexts fields = {"1", "3", "2", "0.05", "440;450", "2", "", "3600"};
    const SweepPlan plan(ModelKind::gaslift, fields, '.');
    RunRecord meets;
    meets.model = ModelKind::gaslift;
    meets.reactors.emplace_back(1);
    for (const auto& [pane, value] :
         {std::pair{paneY1, 0.01f}, {paneY2, 1.5f}, {paneY3, 0.9f}, {paneY4, 1.1f}, {paneY5, 2.0f}})
        meets.reactors[0].store(pane, value);
    RunRecord fails = meets;
    fails.reactors[0].store(paneY1, 0.03f);

    std::ostringstream out;
    SweepWriter writer(out, plan, {OutputFormat::csv, {.onlyMeeting = true}});
    writer.begin();
    writer.point(0, meets);
    writer.point(1, fails);
    writer.end();
    EXPECT_EQ(out.str(),
              "--N,--y10,--y50,--wg,--t,--dtr,--db,--ts,reactor,y1,y2,y3,y4,y5,y6,GB,WB,ALFA,ALPE,t,P,error_kind,"
              "error_message,outlet_y1<=0.02,outlet_y2>=1.47,outlet_y3<=0.91,outlet_y4>=1.06,outlet_1.67<=y5<=2.33,"
              "outlet_meets_criterion,outlet_criterion_margin\n"
              "1,3,2,0.05,440,2,,3600,1,0.00999999977648258,1.5,0.899999976158142,1.10000002384186,2,,,,,,,,,,"
              "true,true,true,true,true,true,0.0100000002235174\n");
}

TEST(SweepWriter, QuotesCellsThatHoldCommas)
{
    FieldTexts fields = {"1", "3", "2,5;3", "0.05", "440", "2", "", "3600"};
    const SweepPlan plan(ModelKind::gaslift, fields, '.');
    RunRecord failed;
    failed.model = ModelKind::gaslift;
    failed.error = RunError{"EConvertError", "'2,5' is not a valid floating point value.", 0, 0};
    std::ostringstream out;
    SweepWriter writer(out, plan, {});
    writer.begin();
    writer.point(0, failed);
    writer.end();
    EXPECT_EQ(lines(out.str()).at(1),
              "1,3,\"2,5\",0.05,440,2,,3600,,,,,,,,,,,,,,EConvertError,\"'2,5' is not a valid floating point value.\"");
    EXPECT_EQ(cells(lines(out.str()).at(0)).size(), 23u);
}

TEST(SweepPlan, RejectsASeparatorThatSplitsRanges)
{
    FieldTexts fields = {"1", "3", "2", "0.05", "440", "2", "", "3600"};
    EXPECT_THROW(SweepPlan(ModelKind::gaslift, fields, DecimalSeparator(':')).pointCount(), StudyError);
}

struct PointLimitCase {
    const char* name;
    FieldTexts fields;
    PointRange points;     // {0, 0}: the whole plan
    const char* what;      // how the points are named in the message
    const char* rejection; // "" when they may run
};

class PointLimit : public ::testing::TestWithParam<PointLimitCase> {};

// The limit is on the points run, the plan's own cap far above it.
TEST_P(PointLimit, AppliesToThePointsRun)
{
    const PointLimitCase& c = GetParam();
    std::string message;
    try {
        const SweepPlan plan(ModelKind::bubble, c.fields, '.');
        checkPointsToRun(plan, c.points == PointRange{} ? allPoints(plan) : c.points, c.what);
    } catch (const StudyError& error) {
        message = error.message();
    }
    EXPECT_EQ(message, c.rejection);
}

// 1000 x 1000 x 1000 and 1000 x 1000 x 1000 x 1000 x 10000 points.
const FieldTexts kBillionPoints = {"24", "3", "2.5", "0.001:1:0.001", "1:1000:1", "2", "3", "1:1000:1"};
const FieldTexts kTenToTheSixteenPoints = {"1:1000:1", "1:1000:1", "2.5", "0.001:1:0.001",
                                           "1:1000:1", "2",        "3",   "1:10000:1"};

INSTANTIATE_TEST_SUITE_P(
    Sweep, PointLimit,
    ::testing::Values(
        PointLimitCase{"WholePlanOverTheLimit",
                       kBillionPoints,
                       {},
                       "",
                       "the sweep has more than 10000000 points: cut it into parts of at most 10000000 points"},
        PointLimitCase{
            "ShardWithinTheLimit", kBillionPoints, {999'999'000, 1'000'000'000}, "shard 1000000/1000000", ""},
        PointLimitCase{"ShardOverTheLimit",
                       kBillionPoints,
                       {0, 10'000'001},
                       "shard 1/99",
                       "shard 1/99 of the sweep has more than 10000000 points: cut it into more pieces"},
        PointLimitCase{"PointsBeyondThePlan",
                       kBillionPoints,
                       {5, 1'000'000'001},
                       "the chunk",
                       "the points must lie within the sweep's 1000000000"},
        PointLimitCase{
            "PlanOverItsCap", kTenToTheSixteenPoints, {}, "", "the sweep has more than 1000000000000000 points"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SweepRun, RunsNoPointOfARangeOverTheLimit)
{
    const SweepPlan plan(ModelKind::bubble, kBillionPoints, '.');
    bool ran = false;
    EXPECT_THROW(runSweep(plan, {0, kMaxSweepPoints + 1}, 1, [&](std::size_t, const RunRecord&) { ran = true; }),
                 StudyError);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace kaskad::study
