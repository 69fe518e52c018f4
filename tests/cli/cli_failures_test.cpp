// kaskad-cli as a shell sees it: writes that fail, readers that go away,
// signals that stop a sweep, and the locale that must not change how
// numbers are read.
#include "cli_process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kaskad::cli {
namespace {

using test_support::runKaskadCli;

const std::string kBubbleFields = "--N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600";
// A million points: long enough that a sweep which ignored its failures
// would take minutes.
const std::string kLongSweep =
    "sweep bubble --N 1:1000:1 --y10 3 --y50 2.5 --wg 0.05 --t 433:1432:1 --dtr 2 --d 3 --ts 3600";

struct ShellResult {
    std::string out;
    int exitStatus = -1;
};

// Runs a shell script with KASKAD_CLI set to the program.
ShellResult runShell(const std::string& script)
{
    const std::string command = "KASKAD_CLI=" + std::string(KASKAD_CLI_PATH) + " LC_ALL=C bash -c '" + script + "'";
    ShellResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(CliWriteFailure, EndsWithAMessageAndStatusThree)
{
    for (const std::string& arguments : std::vector<std::string>{
             "bubble " + kBubbleFields, "bubble " + kBubbleFields + " --format csv",
          "gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format json",
          kLongSweep, kLongSweep + " --format json", "bubble --help"}) {
        const test_support::CliResult result = runKaskadCli(arguments + " > /dev/full");
        EXPECT_EQ(result.exitStatus, 3) << arguments;
        EXPECT_NE(result.err.find("could not be written"), std::string::npos) << arguments << ": " << result.err;
    }
}

// SIGPIPE left at its default ends the program quietly; ignored, the broken
// pipe is a failed write like any other.
TEST(CliWriteFailure, AReaderThatGoesAway)
{
    const ShellResult quiet = runShell("$KASKAD_CLI " + kLongSweep + " 2>&1 | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}");
    EXPECT_EQ(quiet.out, "141\n");
    const ShellResult ignored =
        runShell("trap \"\" PIPE; $KASKAD_CLI " + kLongSweep + " 2>err | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}; cat err; rm err");
    EXPECT_EQ(ignored.out, "3\nkaskad-cli: the output could not be written: Broken pipe\n");
}

// Every row a stopped sweep wrote is whole, the JSON document is closed, and
// the status tells the signal.
TEST(CliSweepSignal, StopsWithWholeRows)
{
    for (const auto& [signal, status] : {std::pair{"INT", "130"}, std::pair{"TERM", "143"}, std::pair{"HUP", "129"}}) {
        const ShellResult csv = runShell("$KASKAD_CLI " + kLongSweep + " > out.csv & sleep 0.5; kill -" + signal +
                                         " $!; wait $!; echo $?; awk -F, \"{print NF}\" out.csv | sort -u; "
                                         "tail -c 1 out.csv | od -c | head -1; rm out.csv");
        EXPECT_EQ(csv.out, std::string(status) + "\n23\n0000000  \\n\n") << signal;
        const ShellResult json = runShell("$KASKAD_CLI " + kLongSweep + " --format json > out.json & sleep 0.5; kill -" +
                                          signal + " $!; wait $!; echo $?");
        EXPECT_EQ(json.out, std::string(status) + "\n") << signal;
        std::ifstream written("out.json");
        const nlohmann::json document = nlohmann::json::parse(written, nullptr, false);
        EXPECT_FALSE(document.is_discarded()) << signal;
        EXPECT_GT(document["points"].size(), 0u) << signal;
        std::filesystem::remove("out.json");
    }
}

// Numbers are read with "." whatever the locale, unless asked for the locale's.
TEST(CliSeparator, PointByDefaultWhateverTheLocale)
{
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
        GTEST_SKIP() << "the ru_RU.UTF-8 locale is not installed";
    std::setlocale(LC_ALL, "C");
    const std::string run = "$KASKAD_CLI bubble --N 1 --y10 3 --y50 2";
    const ShellResult point = runShell("LC_ALL=ru_RU.UTF-8 " + run + ".5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv | tail -1 | cut -d, -f2");
    EXPECT_EQ(point.out, "1.55393481254578\n");
    const ShellResult comma = runShell("LC_ALL=ru_RU.UTF-8 " + run + ",5 --wg 0,05 --t 433 --dtr 2 --d 3 --ts 3600 --decimal-separator locale | sed -n 2p");
    EXPECT_EQ(comma.out, "Реактор1   1,55393481254578\n");
}

} // namespace
} // namespace kaskad::cli
