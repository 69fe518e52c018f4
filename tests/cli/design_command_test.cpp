// kaskad-cli optimize and solve as a program: a stop by SIGINT answers with
// the best found so far, and every reported answer runs plainly to its digits.
#include "cli_process.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <unistd.h>

namespace kaskad::cli {
namespace {

using test_support::runKaskadCli;
using test_support::runProgram;

const std::string kBox =
    "bubble --N 10:24 --y10 2.6:3.6 --y50 2.7:3.5 --wg 0.05:0.4 --t 433 --dtr 2 --d 3 --ts 300:1800";

TEST(CliOptimize, SigintAnswersWithTheBestSoFar)
{
    // Each evaluation runs 256 points of a tolerance box: the search lasts
    // seconds, so the signal finds it running.
    const auto stopped = runProgram("timeout", "--preserve-status -s INT 1 " KASKAD_CLI_PATH " optimize " + kBox +
                                                   " --tolerance t=±1 --robust 0.9 --max-evals 10000000 --format json");
    EXPECT_EQ(stopped.exitStatus, 130) << stopped.err;
    const nlohmann::json answer = nlohmann::json::parse(stopped.out);
    EXPECT_TRUE(answer["stopped"].get<bool>());
    EXPECT_EQ(answer["by_N"].size(), 15u);
}

// A process limit that allows no thread: the work runs on the main thread,
// says so, and writes what it would with threads. (The leak checker of a
// sanitizer build needs a thread of its own at exit: it is off here.)
TEST(CliThreads, WorkGoesOnWhereNoThreadStarts)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another user under a process limit";
    const std::string sweep = " sweep bubble --N 3 --y10 3 --y50 2.5 --wg 0.01:0.06:0.01 --t 433 --dtr 2 --d 3 "
                              "--ts 3600 --outlet";
    const auto limited = runProgram("setpriv", "--reuid=65534 --regid=65534 --clear-groups bash -c 'ulimit -u 1; "
                                               "ASAN_OPTIONS=detect_leaks=0 exec " KASKAD_CLI_PATH +
                                                   sweep + " --jobs 8'");
    EXPECT_EQ(limited.exitStatus, 0) << limited.err;
    EXPECT_NE(limited.err.find("0 of 7 threads could be started"), std::string::npos) << limited.err;
    EXPECT_EQ(limited.out, runKaskadCli(sweep + " --jobs 1").out);
}

// Memory that runs out is reported with its own status, not an abort.
TEST(CliThreads, MemoryExhaustedIsReported)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#endif
    const auto limited = runProgram("bash", "-c 'ulimit -v 60000; exec " KASKAD_CLI_PATH
                                            " sweep bubble --N 3 --y10 3 --y50 2.5 --wg 0.000001:1:0.000001 --t 433"
                                            " --dtr 2 --d 3 --ts 3600 --outlet'");
    EXPECT_EQ(limited.exitStatus, 5);
    EXPECT_EQ(limited.err, "kaskad-cli: memory exhausted\n");
}

TEST(CliSolve, SigintEndsTheScanWithItsStatus)
{
    const auto stopped = runProgram("timeout", "--preserve-status -s INT 1 " KASKAD_CLI_PATH
                                               " solve bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3"
                                               " --ts 100:3000 --target y2=9 --scan 1000000 --format json");
    EXPECT_EQ(stopped.exitStatus, 130) << stopped.err;
    EXPECT_TRUE(nlohmann::json::parse(stopped.out)["stopped"].get<bool>());
}

// The best answer's texts, run as a plain bubble run, print the reported outlet.
TEST(CliOptimize, TheBestAnswerRunsPlainlyToTheReportedDigits)
{
    const auto optimized = runKaskadCli("optimize " + kBox + " --format json");
    ASSERT_EQ(optimized.exitStatus, 0) << optimized.err;
    const nlohmann::json best = nlohmann::json::parse(optimized.out)["best"];
    std::string arguments = "bubble --format json";
    for (const auto& [name, text] : best["fields"].items())
        arguments += " --" + name + " " + text.get<std::string>();
    const nlohmann::json plain = nlohmann::json::parse(runKaskadCli(arguments).out);
    EXPECT_EQ(plain["reactors"].back().dump(), best["outlet"].dump());
}

} // namespace
} // namespace kaskad::cli

namespace kaskad::cli {
namespace {

const std::string kReadmeBest = "bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 433 --dtr 2 --d 3 --ts 305";

TEST(CliSensitivity, RanksTheTolerancedFieldsAndRefusesOthers)
{
    const auto ranked = test_support::runKaskadCli("sensitivity " + kReadmeBest +
                                                   " --tolerance t=±1 --tolerance wg=+-5% --format json");
    ASSERT_EQ(ranked.exitStatus, 0) << ranked.err;
    const nlohmann::json answer = nlohmann::json::parse(ranked.out);
    EXPECT_EQ(answer["ranking"], nlohmann::json::parse(R"(["wg","t","y50","y10","ts","dtr","d"])"));
    EXPECT_EQ(answer["fields"]["wg"]["tolerance"], "±5%");
    EXPECT_EQ(answer["margin"].dump(), "0.0403924918174744");

    const struct {
        const char* options;
        const char* message;
    } refused[] = {
        {" --tolerance N=±1", "--N: the bubble design has no field N that a study can change"},
        {" --tolerance t=1", "--t: '1' is no tolerance: write ±D or ±P%"},
    };
    for (const auto& r : refused) {
        const auto result = test_support::runKaskadCli("sensitivity " + kReadmeBest + r.options);
        EXPECT_EQ(result.exitStatus, 2) << r.options;
        EXPECT_EQ(result.err.substr(0, result.err.find('\n')), r.message);
    }
}

} // namespace
} // namespace kaskad::cli
