// Shards of a sweep: the cut of the points, and kaskad-cli's --shard and
// --no-header put back together.
#include "study/sweep_plan.h"
#include "cli_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kaskad::study {
namespace {

namespace test_support = cli::test_support;
using test_support::runKaskadCli;

struct ShardCutCase {
    const char* name;
    std::size_t points;
    Shard shard;
    PointRange expected;
};

class ShardCut : public ::testing::TestWithParam<ShardCutCase> {};

TEST_P(ShardCut, TakesItsContiguousPiece)
{
    const ShardCutCase& c = GetParam();
    EXPECT_EQ(shardRange(c.points, c.shard), c.expected);
}

const ShardCutCase kShardCutCases[] = {
    {"Whole", 10, {1, 1}, {0, 10}},
    {"FirstOfThreeTakesTheSmallerPiece", 10, {1, 3}, {0, 3}},
    {"SecondOfThree", 10, {2, 3}, {3, 6}},
    {"LastOfThreeEndsAtTheLastPoint", 10, {3, 3}, {6, 10}},
    {"MoreShardsThanPointsLeavesSomeEmpty", 2, {2, 5}, {0, 0}},
    {"MoreShardsThanPointsGivesEachPointOnce", 2, {3, 5}, {0, 1}},
    {"NoPoints", 0, {1, 4}, {0, 0}},
    {"LargestSweepLastShard", kMaxSweepPoints, {kMaxShards, kMaxShards}, {kMaxSweepPoints - 1, kMaxSweepPoints}},
};

INSTANTIATE_TEST_SUITE_P(Sweep, ShardCut, ::testing::ValuesIn(kShardCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every point falls in exactly one shard, and shard sizes differ by at most one.
TEST(ShardCut, ShardsInOrderCoverEveryPointOnce)
{
    for (std::size_t points : {0u, 1u, 7u, 100u, 101u})
        for (std::size_t count : {1u, 2u, 3u, 8u, 150u}) {
            std::size_t next = 0, smallest = points, largest = 0;
            for (std::size_t k = 1; k <= count; ++k) {
                const PointRange range = shardRange(points, {k, count});
                ASSERT_EQ(range.begin, next) << points << " points, shard " << k << '/' << count;
                next = range.end;
                smallest = std::min(smallest, range.size());
                largest = std::max(largest, range.size());
            }
            EXPECT_EQ(next, points) << points << " points, " << count << " shards";
            EXPECT_LE(largest - smallest, 1u) << points << " points, " << count << " shards";
        }
}

struct ShardTextCase {
    const char* name;
    const char* text;
    bool accepted;
};

class ShardText : public ::testing::TestWithParam<ShardTextCase> {};

TEST_P(ShardText, IsKOverN) { EXPECT_EQ(parseShard(GetParam().text).has_value(), GetParam().accepted); }

const ShardTextCase kShardTextCases[] = {
    {"FirstOfOne", "1/1", true}, {"LastOfMany", "12/12", true},
    {"ZeroIndex", "0/3", false}, {"IndexBeyondCount", "4/3", false},
    {"ZeroCount", "1/0", false}, {"NoSlash", "3", false},
    {"Blank", "1 /3", false},    {"Sign", "+1/3", false},
    {"Letters", "a/b", false},   {"TooManyShards", "1/10000001", false},
};

INSTANTIATE_TEST_SUITE_P(Sweep, ShardText, ::testing::ValuesIn(kShardTextCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ShardedSweepCase {
    const char* name;
    const char* arguments; // a sweep of 12 points
    std::size_t shardCount;
};

class ShardedSweep : public ::testing::TestWithParam<ShardedSweepCase> {};

// Shard 1 with the header and shards 2..N without, concatenated, are the
// unsharded output byte for byte, whatever N, failed points included.
TEST_P(ShardedSweep, HeaderAndShardsConcatenatedAreTheWholeSweep)
{
    const ShardedSweepCase& c = GetParam();
    const test_support::CliResult whole = runKaskadCli(std::string(c.arguments) + " --jobs 2");
    ASSERT_EQ(whole.exitStatus, 0) << whole.err;

    std::string joined;
    std::size_t shardsWithoutRows = 0;
    for (std::size_t k = 1; k <= c.shardCount; ++k) {
        const std::string shard = std::to_string(k) + "/" + std::to_string(c.shardCount);
        const test_support::CliResult piece =
            runKaskadCli(std::string(c.arguments) + " --jobs 2 --shard " + shard + (k > 1 ? " --no-header" : ""));
        ASSERT_EQ(piece.exitStatus, 0) << shard << ": " << piece.err;
        const bool holdsRows = piece.out.find('\n') != (k > 1 ? std::string::npos : piece.out.size() - 1);
        shardsWithoutRows += !holdsRows;
        joined += piece.out;
    }
    EXPECT_EQ(joined, whole.out);
    EXPECT_EQ(shardsWithoutRows, c.shardCount > 12 ? c.shardCount - 12 : 0);
}

constexpr const char* kBubbleTwelvePoints =
    "sweep bubble --N '3;30' --y10 3 --y50 2.5 --wg '0;0.03;0.05' --t '433;436' --dtr 2 --d 3 --ts 3600";
constexpr const char* kGasLiftTwelvePoints =
    "sweep gaslift --N 1:4:1 --y10 3 --y50 2 --wg 0.05 --t 440:450:5 --dtr 2 --ts 3600 --outlet --criterion";

const ShardedSweepCase kShardedSweepCases[] = {
    {"BubbleInTwo", kBubbleTwelvePoints, 2},
    {"BubbleInFive", kBubbleTwelvePoints, 5},
    {"BubbleInTwelve", kBubbleTwelvePoints, 12},
    {"BubbleInMoreShardsThanPoints", kBubbleTwelvePoints, 17},
    {"GasLiftCriterionInThree", kGasLiftTwelvePoints, 3},
    {"GasLiftCriterionInSeven", kGasLiftTwelvePoints, 7},
};

INSTANTIATE_TEST_SUITE_P(Sweep, ShardedSweep, ::testing::ValuesIn(kShardedSweepCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShardedSweep, JsonWithoutHeaderIsAUsageError)
{
    const test_support::CliResult result =
        runKaskadCli(std::string(kBubbleTwelvePoints) + " --format json --no-header");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("--no-header applies to CSV output only"), std::string::npos) << result.err;
}

TEST(ShardedSweep, AShardBeyondItsCountIsAUsageError)
{
    const test_support::CliResult result = runKaskadCli(std::string(kBubbleTwelvePoints) + " --shard 3/2");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("--shard"), std::string::npos) << result.err;
}

// A JSON shard is a document of its own points.
TEST(ShardedSweep, AJsonShardIsADocumentOfItsPoints)
{
    const test_support::CliResult result = runKaskadCli(
        "sweep bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t '433;435;437' --dtr 2 --d 3 --ts 3600 --outlet "
        "--format json --shard 3/3");
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(result.out.starts_with("{\"model\":\"bubble\",\"points\":[\n{\"inputs\":{\"N\":\"3\",\"y10\":\"3\","
                                       "\"y50\":\"2.5\",\"wg\":\"0.05\",\"t\":\"437\""))
        << result.out;
    EXPECT_EQ(result.out.find("\"433\""), std::string::npos);
}

// A plan of 10^9 points, beyond what one machine runs, runs in shards of 1000
// each: the last shard holds the last 1000 points, wg and t at their ends.
TEST(ShardedSweep, APlanTooLargeForOneMachineRunsInShards)
{
    const std::string billion = "sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.001:1:0.001 --t 1:1000:1 --dtr 2 "
                                "--d 3 --ts 1:1000:1 --outlet";
    const test_support::CliResult whole = runKaskadCli(billion);
    EXPECT_EQ(whole.exitStatus, 2);
    EXPECT_EQ(whole.out, "");
    EXPECT_TRUE(whole.err.starts_with(
        "the sweep has more than 10000000 points: cut it into parts of at most 10000000 points\n"))
        << whole.err;

    const test_support::CliResult shard = runKaskadCli(billion + " --shard 1000000/1000000 --no-header --jobs 2");
    ASSERT_EQ(shard.exitStatus, 0) << shard.err;
    EXPECT_EQ(std::count(shard.out.begin(), shard.out.end(), '\n'), 1000);
    EXPECT_TRUE(shard.out.starts_with("24,3,2.5,1,1000,2,3,1,")) << shard.out.substr(0, 80);
    EXPECT_NE(shard.out.find("\n24,3,2.5,1,1000,2,3,1000,"), std::string::npos);

    const test_support::CliResult tooLarge = runKaskadCli(billion + " --shard 1/99");
    EXPECT_EQ(tooLarge.exitStatus, 2);
    EXPECT_TRUE(tooLarge.err.starts_with("shard 1/99 of the sweep has more than 10000000 points")) << tooLarge.err;
}

} // namespace
} // namespace kaskad::study
