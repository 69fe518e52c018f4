// The sweep subcommands' help and their progress bar.
#include "cli/progress.h"
#include "cli_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

namespace kaskad::cli {
namespace {

// A clock the test moves by hand.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    ProgressBar::Clock function()
    {
        return [this] { return now; };
    }
};

TEST(ProgressBar, StaysSilentForTwoSecondsThenDrawsAtMostTenTimesASecond)
{
    using std::chrono::milliseconds;
    ManualClock clock;
    std::ostringstream out;
    ProgressBar bar(out, 10, true, clock.function());
    clock.now += milliseconds(1999);
    bar.update(1);
    EXPECT_EQ(out.str(), "");
    clock.now += milliseconds(1);
    bar.update(5);
    const std::string first = "\r[####################....................] 5/10 points";
    EXPECT_EQ(out.str(), first);
    clock.now += milliseconds(99);
    bar.update(6);
    EXPECT_EQ(out.str(), first);
    clock.now += milliseconds(1);
    bar.update(10);
    EXPECT_EQ(out.str(), first + "\r[########################################] 10/10 points");
    bar.finish();
    EXPECT_TRUE(out.str().ends_with("\r\x1b[K"));

    std::ostringstream off;
    ProgressBar disabled(off, 10, false, clock.function());
    clock.now += std::chrono::seconds(10);
    disabled.update(3);
    disabled.finish();
    EXPECT_EQ(off.str(), "");
}

TEST(SweepHelp, EverySweepSubcommandDocumentsItsOptionsWithAnExample)
{
    for (const char* command : {"sweep bubble", "sweep gaslift"}) {
        const test_support::CliResult help = test_support::runKaskadCli(std::string(command) + " --help");
        EXPECT_EQ(help.exitStatus, 0);
        for (const char* option :
             {"--N", "--y10", "--y50", "--wg", "--t", "--dtr", "--ts", "--format", "--outlet", "--criterion",
              "--only-meeting", "--jobs", "--decimal-separator", "FROM:TO:STEP", "Example:\n  kaskad-cli sweep"})
            EXPECT_NE(help.out.find(option), std::string::npos) << command << ' ' << option;
    }
    for (const char* command : {"sweep", "bubble", "gaslift"}) {
        const test_support::CliResult help = test_support::runKaskadCli(std::string(command) + " --help");
        EXPECT_NE(help.out.find("Example:\n  kaskad-cli"), std::string::npos) << command;
    }
    EXPECT_NE(test_support::runKaskadCli("bubble --help").out.find("--plot-size"), std::string::npos);
}

} // namespace
} // namespace kaskad::cli
