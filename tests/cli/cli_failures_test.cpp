// kaskad-cli as a shell sees it: writes that fail, readers that go away,
// signals that stop a sweep, and the locale that must not change how
// numbers are read.
#include "cli_process.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kaskad::cli {
namespace {

using test_support::runKaskadCli;

const std::string kBubbleFields = "--N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600";
// A million points: long enough that a sweep which ignored its failures
// would take minutes.
const std::string kLongSweep =
    "sweep bubble --N 1:1000:1 --y10 3 --y50 2.5 --wg 0.05 --t 433:1432:1 --dtr 2 --d 3 --ts 3600";

using ShellResult = kaskad::test_support::ProcessResult;

// Runs a shell script with KASKAD_CLI set to the program.
ShellResult runShell(const std::string& script)
{
    return kaskad::test_support::runCommand("KASKAD_CLI=" + std::string(KASKAD_CLI_PATH) + " LC_ALL=C bash -c '" +
                                            script + "'");
}

TEST(CliWriteFailure, EndsWithAMessageAndStatusThree)
{
    for (const std::string& arguments :
         std::vector<std::string>{"bubble " + kBubbleFields, "bubble " + kBubbleFields + " --format csv",
                                  "gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format json",
                                  kLongSweep, kLongSweep + " --format json", "bubble --help"}) {
        const test_support::CliResult result = runKaskadCli(arguments + " > /dev/full");
        EXPECT_EQ(result.exitStatus, 3) << arguments;
        EXPECT_NE(result.err.find("could not be written"), std::string::npos) << arguments << ": " << result.err;
    }
    // The run's own error is still reported.
    const test_support::CliResult failed =
        runKaskadCli("bubble --N 3 --y10 3 --y50 2.5 --wg 0 --t 433 --dtr 2 --d 3 --ts 3600 --format csv > /dev/full");
    EXPECT_EQ(failed.exitStatus, 3);
    EXPECT_EQ(failed.err, "Floating point division by zero.\nkaskad-cli: the run stopped in reactor 1\n"
                          "kaskad-cli: the output could not be written: No space left on device\n");
}

// SIGPIPE left at its default ends the program quietly; ignored, the broken
// pipe is a failed write like any other.
TEST(CliWriteFailure, AReaderThatGoesAway)
{
    const ShellResult quiet =
        runShell("$KASKAD_CLI " + kLongSweep + " 2>&1 | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}");
    EXPECT_EQ(quiet.out, "141\n");
    const ShellResult ignored = runShell("trap \"\" PIPE; $KASKAD_CLI " + kLongSweep +
                                         " 2>err | head -c 10 >/dev/null; echo ${PIPESTATUS[0]}; cat err; rm err");
    EXPECT_EQ(ignored.out, "3\nkaskad-cli: the output could not be written: Broken pipe\n");
}

// Every row a stopped sweep wrote is whole, the JSON document is closed, and
// the status tells the signal. Job control keeps the shell from starting the
// sweep with SIGINT ignored, as a script's "cmd &" is.
TEST(CliSweepSignal, StopsWithWholeRows)
{
    for (const auto& [signal, status] : {std::pair{"INT", "130"}, std::pair{"TERM", "143"}, std::pair{"HUP", "129"}}) {
        const ShellResult csv =
            runShell("set -m; $KASKAD_CLI " + kLongSweep + " > out.csv & sleep 0.5; kill -" + signal +
                     " $!; wait $!; echo $?; awk -F, \"{print NF}\" out.csv | sort -u; "
                     "tail -c 1 out.csv | od -c | head -1; rm out.csv");
        EXPECT_EQ(csv.out, std::string(status) + "\n23\n0000000  \\n\n") << signal;
        const ShellResult json =
            runShell("set -m; $KASKAD_CLI " + kLongSweep + " --format json > out.json & sleep 0.5; kill -" + signal +
                     " $!; wait $!; echo $?");
        EXPECT_EQ(json.out, std::string(status) + "\n") << signal;
        std::ifstream written("out.json");
        const nlohmann::json document = nlohmann::json::parse(written, nullptr, false);
        EXPECT_FALSE(document.is_discarded()) << signal;
        EXPECT_GT(document["points"].size(), 0u) << signal;
        std::filesystem::remove("out.json");
    }
}

// A signal while a study or a plot waits on a FIFO gives the signal's status.
TEST(CliSweepSignal, EndsAWaitOnAFifo)
{
    const char* const waits[] = {"sweep --study fifo", "bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 "
                                                       "--d 3 --ts 3600 --plot fifo.svg"};
    for (const char* wait : waits) {
        const ShellResult run =
            runShell(std::string("rm -f fifo fifo.svg; mkfifo fifo fifo.svg; set -m; $KASKAD_CLI ") + wait +
                     " >/dev/null 2>&1 & sleep 0.5; kill -TERM $!; wait $!; echo $?; "
                     "rm fifo fifo.svg");
        EXPECT_EQ(run.out, "143\n") << wait;
    }
}

// A sweep of 40,000 points of 24 reactors: half a second on two cores.
const std::string kMidSweep =
    "sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 400:599:1 --dtr 2 --d 3 --ts 1000:20900:100";

// A sweep whose parent ignores SIGHUP, as nohup does, runs to its end.
TEST(CliSweepSignal, IgnoredAtStartStaysIgnored)
{
    const ShellResult run = runShell(
        "nohup $KASKAD_CLI " + kMidSweep +
        " --outlet > nohup.csv 2>/dev/null & "
        "for i in $(seq 1000); do [ -s nohup.csv ] && break; sleep 0.02; done; kill -HUP $!; wait $!; echo $?; "
        "wc -l < nohup.csv; rm nohup.csv");
    EXPECT_EQ(run.out, "0\n40001\n");
}

struct SpawnResult {
    int exitStatus = -1;
    long maxResidentKilobytes = 0;
};

// A signal sent to kaskad-cli `after` its start. Held blocked from the start
// when `blockedFromStart`, so that it waits for the program's handlers rather
// than meeting the dynamic loader; ignored by the parent, as nohup does, when
// `ignoredByParent`.
struct SignalSent {
    int number = 0;
    std::chrono::microseconds after{0};
    bool blockedFromStart = false;
    bool ignoredByParent = false;
};

// The test's environment for kaskad-cli. Under AddressSanitizer, freed memory
// waits in a quarantine that would count as the program's own: none is kept,
// so memory is the program's.
std::vector<std::string> childEnvironment()
{
    std::vector<std::string> environment;
    bool sanitizerOptions = false;
    for (char** variable = environ; *variable; ++variable) {
        environment.emplace_back(*variable);
        if (environment.back().starts_with("ASAN_OPTIONS=")) {
            environment.back() += ":quarantine_size_mb=0";
            sanitizerOptions = true;
        }
    }
    if (!sanitizerOptions)
        environment.emplace_back("ASAN_OPTIONS=quarantine_size_mb=0");
    return environment;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts kaskad-cli ARGUMENTS with its output in a file; the signal's
// disposition and mask as `signal` asks.
pid_t startCli(std::vector<std::string> arguments, const std::string& output, const SignalSent& signal)
{
    arguments.insert(arguments.begin(), KASKAD_CLI_PATH);
    std::vector<std::string> environment = childEnvironment();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t blocked;
    sigemptyset(&blocked);
    if (signal.blockedFromStart)
        sigaddset(&blocked, signal.number);
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    // A signal ignored here stays ignored across exec.
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    if (signal.ignoredByParent)
        sigaction(signal.number, &ignore, &previous);
    pid_t pid = 0;
    if (::posix_spawn(&pid, KASKAD_CLI_PATH, &actions, &attributes, pointersTo(arguments).data(),
                      pointersTo(environment).data()) != 0)
        pid = -1;
    if (signal.ignoredByParent)
        sigaction(signal.number, &previous, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Runs kaskad-cli ARGUMENTS with its output in a file, sending `signal` when
// it names one.
SpawnResult spawnCli(const std::vector<std::string>& arguments, const std::string& output,
                     const SignalSent& signal = {})
{
    SpawnResult result;
    const pid_t pid = startCli(arguments, output, signal);
    if (pid <= 0)
        return result;
    if (signal.number != 0) {
        std::this_thread::sleep_for(signal.after);
        ::kill(pid, signal.number);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.maxResidentKilobytes = usage.ru_maxrss;
    return result;
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), {}};
}

// A signal that came before the program could note it still stops the sweep
// with its document closed.
TEST(CliSweepSignal, ASignalBeforeTheFirstPointLeavesAClosedDocument)
{
    const std::string output = "early.json";
    const SpawnResult run = spawnCli(words(kMidSweep + " --format json"), output, {SIGTERM, {}, true, false});
    EXPECT_EQ(run.exitStatus, 143);
    std::ifstream written(output);
    EXPECT_FALSE(nlohmann::json::parse(written, nullptr, false).is_discarded());
    std::filesystem::remove(output);
}

// A sweep of 5,000 points, a tenth of a second or more: a signal within its
// first 60 ms comes while it runs.
// On one thread, long enough (a fifth of a second here) that the latest
// signal, at 60 ms, still finds it running.
const std::string kShortSweep =
    "sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 400:499:1 --dtr 2 --d 3 --ts 1000:20900:100 --outlet --jobs 1";
constexpr std::size_t kShortSweepPoints = 20'000;

struct SignalCase {
    std::string name;
    std::string format;
    SignalSent signal;
};

// SIGINT, SIGTERM and SIGHUP to CSV and JSON sweeps, early (within 2 ms of the
// start) and later (2 to 60 ms), handled or ignored by the parent: moments
// drawn from a fixed seed, the same in every run. A handled signal is held
// blocked from the start, so that one sent while the dynamic loader runs waits
// for the program's handlers instead of ending it before main.
std::vector<SignalCase> signalCases()
{
    std::mt19937 moments(17);
    std::uniform_int_distribution<int> earlyMicroseconds(0, 2'000), laterMicroseconds(2'000, 60'000);
    std::vector<SignalCase> cases;
    for (const auto& [number, name] : {std::pair{SIGINT, "INT"}, std::pair{SIGTERM, "TERM"}, std::pair{SIGHUP, "HUP"}})
        for (const std::string format : {"csv", "json"})
            for (const bool early : {true, false})
                for (const bool ignored : {false, true}) {
                    const std::chrono::microseconds after(early ? earlyMicroseconds(moments)
                                                                : laterMicroseconds(moments));
                    cases.push_back({std::string(name) + "_" + format + (early ? "_Early" : "_Later") +
                                         (ignored ? "_Ignored" : "_Handled"),
                                     format,
                                     {number, after, !ignored, ignored}});
                }
    return cases;
}

// The fields of a CSV line, commas between quotes not counted.
std::size_t csvFieldCount(std::string_view line)
{
    std::size_t fields = 1;
    bool quoted = false;
    for (const char c : line) {
        quoted = quoted != (c == '"');
        fields += !quoted && c == ',';
    }
    return fields;
}

// The rows after the header, each checked whole: ended by a line end, with as
// many fields as the header.
std::size_t wholeCsvRows(const std::string& text)
{
    if (text.empty() || text.back() != '\n') {
        ADD_FAILURE() << "the CSV does not end with a line end: ..."
                      << text.substr(text.size() - std::min<std::size_t>(text.size(), 80));
        return 0;
    }
    std::istringstream lines(text);
    std::string header, row;
    std::getline(lines, header);
    std::size_t rows = 0;
    for (; std::getline(lines, row); ++rows)
        EXPECT_EQ(csvFieldCount(row), csvFieldCount(header)) << "row " << rows + 1 << ": " << row;
    return rows;
}

// The points of a closed, parseable JSON document.
std::size_t closedJsonPoints(const std::string& text)
{
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.contains("points")) {
        ADD_FAILURE() << "not a closed sweep document: ..."
                      << text.substr(text.size() - std::min<std::size_t>(text.size(), 80));
        return 0;
    }
    return document["points"].size();
}

class CliSweepSignalMoments : public ::testing::TestWithParam<SignalCase> {};

// A handled signal stops the sweep with whole output and the status
// 128 + signal; an ignored one changes nothing.
TEST_P(CliSweepSignalMoments, LeaveWholeOutputAndTheStatus)
{
    const SignalCase& c = GetParam();
    const std::string output = "signal-" + c.name + "." + c.format;
    const SpawnResult run = spawnCli(words(kShortSweep + " --format " + c.format), output, c.signal);
    std::ifstream file(output);
    const std::string written(std::istreambuf_iterator<char>(file), {});
    std::filesystem::remove(output);
    const bool ignored = c.signal.ignoredByParent;
    EXPECT_EQ(run.exitStatus, ignored ? 0 : 128 + c.signal.number)
        << "signal after " << c.signal.after.count() << " us";
    const std::size_t points = c.format == "csv" ? wholeCsvRows(written) : closedJsonPoints(written);
    if (ignored) {
        EXPECT_EQ(points, kShortSweepPoints);
    }
}

INSTANTIATE_TEST_SUITE_P(EachSignalFormatAndMoment, CliSweepSignalMoments, ::testing::ValuesIn(signalCases()),
                         [](const ::testing::TestParamInfo<SignalCase>& info) { return info.param.name; });

const std::string kSolveScan = "solve bubble --N 12 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 100:3000 "
                               "--target y1=0.02 --scan 20000 --format json";

class CliSolveSignalMoments : public ::testing::TestWithParam<SignalCase> {};

// The same moments to a solver's scan: a handled signal ends it with a closed
// document that says it stopped and the status 128 + signal; an ignored one
// changes nothing.
TEST_P(CliSolveSignalMoments, LeaveAClosedAnswerAndTheStatus)
{
    const SignalCase& c = GetParam();
    const std::string output = "solve-signal-" + c.name + ".json";
    const SpawnResult run = spawnCli(words(kSolveScan), output, c.signal);
    std::ifstream file(output);
    const nlohmann::json answer =
        nlohmann::json::parse(std::string(std::istreambuf_iterator<char>(file), {}), nullptr, false);
    std::filesystem::remove(output);
    const bool ignored = c.signal.ignoredByParent;
    EXPECT_EQ(run.exitStatus, ignored ? 0 : 128 + c.signal.number)
        << "signal after " << c.signal.after.count() << " us";
    ASSERT_FALSE(answer.is_discarded()) << "not a closed document";
    EXPECT_EQ(answer["stopped"].get<bool>(), !ignored);
    if (ignored) {
        EXPECT_EQ(answer["roots"].size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(EachSignalAndMoment, CliSolveSignalMoments, ::testing::ValuesIn([] {
                             std::vector<SignalCase> cases;
                             for (const SignalCase& c : signalCases())
                                 if (c.format == "json")
                                     cases.push_back(c);
                             return cases;
                         }()),
                         [](const ::testing::TestParamInfo<SignalCase>& info) { return info.param.name; });

// --best keeps K margins, not K points' text: its memory does not grow with
// the points.
TEST(CliSweepBest, MemoryDoesNotGrowWithThePoints)
{
    const SpawnResult one = spawnCli(words(kMidSweep + " --best 1"), "best.csv");
    const SpawnResult all = spawnCli(words(kMidSweep + " --best 1000000"), "best.csv");
    EXPECT_EQ(one.exitStatus, 0);
    EXPECT_EQ(all.exitStatus, 0);
    EXPECT_LT(all.maxResidentKilobytes - one.maxResidentKilobytes, 64 * 1024)
        << one.maxResidentKilobytes << " kB for one, " << all.maxResidentKilobytes << " kB for all";
    std::ifstream rows("best.csv");
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(rows), {}, '\n'), 1 + 40'000 * 24);
    std::filesystem::remove("best.csv");
}

// Numbers are read with "." whatever the locale, unless asked for the locale's.
TEST(CliSeparator, PointByDefaultWhateverTheLocale)
{
    if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
        GTEST_SKIP() << "the ru_RU.UTF-8 locale is not installed";
    std::setlocale(LC_ALL, "C");
    const std::string run = "$KASKAD_CLI bubble --N 1 --y10 3 --y50 2";
    const ShellResult point =
        runShell("LC_ALL=ru_RU.UTF-8 " + run +
                 ".5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv | tail -1 | cut -d, -f2");
    EXPECT_EQ(point.out, "1.55393481254578\n");
    const ShellResult comma =
        runShell("LC_ALL=ru_RU.UTF-8 " + run +
                 ",5 --wg 0,05 --t 433 --dtr 2 --d 3 --ts 3600 --decimal-separator locale | sed -n 2p");
    EXPECT_EQ(comma.out, "Реактор1   1,55393481254578\n");
}

} // namespace
} // namespace kaskad::cli
