// kaskad-cli uncertainty as a program: the same output on one thread and on
// two, its usage errors, the samples file against the report, and OpenTURNS
// loaded by no other command.
#include "cli_process.h"
#include "numeric/number_text.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>

namespace kaskad::cli {
namespace {

using test_support::runKaskadCli;

const std::string kColumn =
    "uncertainty bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4±5% --t 433±1 --dtr 2 --d 3 --ts 'normal(305;20)'";

TEST(CliUncertainty, OneJobAndTwoPrintTheSame)
{
    const std::string study = kColumn + " --samples 300 --quantity y1 --indices --method mc --seed 7";
    const auto one = runKaskadCli(study + " --jobs 1");
    const auto two = runKaskadCli(study + " --jobs 2");
    ASSERT_EQ(one.exitStatus, 0) << one.err;
    EXPECT_EQ(one.out, two.out);
    EXPECT_NE(one.out.find("Sobol' indices (1500 more runs"), std::string::npos) << one.out;
}

struct UsageRow {
    const char* name;
    std::string arguments;
    int status;
    const char* message; // the first line of standard error
};

class CliUncertaintyUsage : public testing::TestWithParam<UsageRow> {};

TEST_P(CliUncertaintyUsage, IsRefused)
{
    const auto refused = runKaskadCli(GetParam().arguments);
    EXPECT_EQ(refused.exitStatus, GetParam().status);
    EXPECT_EQ(refused.err.substr(0, refused.err.find('\n')), GetParam().message);
    EXPECT_EQ(refused.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CliUncertaintyUsage,
    testing::Values(
        UsageRow{"ReactorsAsADistribution",
                 "uncertainty bubble --N 10±1 --y10 2.6 --y50 3.39 --wg 0.4 --t 433±1 --dtr 2 --d 3 --ts 305", 2,
                 "--N: the number of reactors is a whole number; it cannot be uncertain"},
        UsageRow{"NormalWithOneNumber",
                 "uncertainty bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 'normal(433)' --dtr 2 --d 3 --ts 305", 2,
                 "--t: 'normal(433)' needs 2 numbers"},
        UsageRow{"NoUncertainField",
                 "uncertainty gaslift --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 433 --dtr 2 --ts 305", 2,
                 "no field is given as a distribution: give one as V±D, V±P%, uniform(A;B), normal(MU;SIGMA) or "
                 "triangular(A;M;B)"},
        UsageRow{"UnknownQuantity", kColumn + " --quantity y9", 2, "--quantity: no outlet quantity is named 'y9'"},
        UsageRow{"SamplesFileInAMissingFolder", kColumn + " --samples 3 --samples-out /nonexistent/s.csv", 3,
                 "kaskad-cli: cannot write the samples to /nonexistent/s.csv: No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every sample is a row of the sweep's outlet columns, and the rows that
// meet the criterion are those the probability counts.
TEST(CliUncertainty, SamplesFileHoldsTheRowsTheReportCounts)
{
    const std::filesystem::path path = std::filesystem::path(testing::TempDir()) / "uncertainty_samples.csv";
    const auto study = runKaskadCli(kColumn + " --samples 40 --format json --samples-out " + path.string());
    ASSERT_EQ(study.exitStatus, 0) << study.err;
    const nlohmann::json report = nlohmann::json::parse(study.out);
    const auto sweep = runKaskadCli("sweep bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 433 --dtr 2 --d 3 "
                                    "--ts 305 --outlet --criterion");
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line + '\n', sweep.out.substr(0, sweep.out.find('\n') + 1));
    std::size_t rows = 0, meeting = 0;
    while (std::getline(file, line)) {
        ++rows;
        // The row ends in outlet_meets_criterion, outlet_criterion_margin.
        meeting += line.substr(0, line.rfind(',')).ends_with(",true") ? 1 : 0;
    }
    EXPECT_EQ(rows, report["evaluations"].get<std::size_t>());
    const std::size_t value = study.out.find("\"value\":") + 8;
    EXPECT_EQ(study.out.substr(value, study.out.find(',', value) - value),
              std::string(NumberToText(static_cast<long double>(meeting) / 40, '.')));
    std::filesystem::remove(path);
}

// Only the uncertainty command loads its module, and with it OpenTURNS.
TEST(CliUncertainty, OnlyTheUncertaintyCommandLoadsOpenTurns)
{
    const auto run =
        runKaskadCli("bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600", "LD_DEBUG=files");
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.err.find("libOT"), std::string::npos);
    const auto study = runKaskadCli(kColumn + " --samples 10", "LD_DEBUG=files");
    ASSERT_EQ(study.exitStatus, 0);
    EXPECT_NE(study.err.find("kaskad-uncertainty.so"), std::string::npos);
    EXPECT_NE(study.err.find("libOT"), std::string::npos);
}

} // namespace
} // namespace kaskad::cli
