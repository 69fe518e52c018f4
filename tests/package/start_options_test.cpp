// kaskad's own arguments and display check, and --version, --help and a
// missing display as the programs answer them when run.
#include "app/start_options.h"
#include "kaskad/version.h"
#include "process.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kaskad::app {
namespace {

struct DisplayCase {
    const char* name;
    DisplaySettings settings;
    bool refused;
};

class DisplayCheck : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayCheck, RefusesOnlyWhenNoDisplayCanBeOpened)
{
    const DisplayCase& c = GetParam();
    EXPECT_EQ(missingDisplayReason(c.settings).has_value(), c.refused);
}

INSTANTIATE_TEST_SUITE_P(Start, DisplayCheck,
                         ::testing::Values(
                             // Qt's default platform is X11 or Wayland: either display will do.
                             DisplayCase{"DefaultWithoutDisplay", {"", "", "", ""}, true},
                             DisplayCase{"DefaultOnX11", {"", ":0", "", ""}, false},
                             DisplayCase{"DefaultOnWayland", {"", "", "wayland-0", ""}, false},
                             DisplayCase{"EmptyListIsTheDefault", {";", "", "", ""}, true},
                             DisplayCase{"XcbWithoutDisplay", {"xcb", "", "", ""}, true},
                             DisplayCase{"XcbWithOptionsWithoutDisplay", {"xcb:dpi=96", "", "", ""}, true},
                             DisplayCase{"WaylandEglWithoutDisplay", {"wayland-egl", "", "", ""}, true},
                             DisplayCase{"WaylandThenXcbWithoutDisplay", {"wayland;xcb", "", "", ""}, true},
                             DisplayCase{"XcbOnX11", {"xcb", ":0", "", ""}, false},
                             // Platforms without a display server are Qt's to try.
                             DisplayCase{"Offscreen", {"offscreen", "", "", ""}, false},
                             DisplayCase{"Minimal", {"minimal", "", "", ""}, false},
                             DisplayCase{"XcbThenOffscreen", {"xcb;offscreen", "", "", ""}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RequestCase {
    const char* name;
    std::vector<std::string> arguments;
    StartRequest request;
};

class StartArguments : public ::testing::TestWithParam<RequestCase> {};

TEST_P(StartArguments, AskForWhatTheyName)
{
    const RequestCase& c = GetParam();
    std::vector<char*> argv;
    for (const std::string& argument : c.arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    EXPECT_EQ(readStartRequest(argv), c.request);
}

INSTANTIATE_TEST_SUITE_P(
    Start, StartArguments,
    ::testing::Values(RequestCase{"None", {}, StartRequest::openWindows},
                      RequestCase{"Help", {"--help"}, StartRequest::printHelp},
                      RequestCase{"ShortHelp", {"-h"}, StartRequest::printHelp},
                      RequestCase{"Version", {"--version"}, StartRequest::printVersion},
                      RequestCase{"ShortVersion", {"-v"}, StartRequest::printVersion},
                      RequestCase{"FirstOfTwoWins", {"--help", "--version"}, StartRequest::printHelp},
                      RequestCase{"AfterQtOptions", {"-platform", "offscreen", "-v"}, StartRequest::printVersion},
                      RequestCase{"QtOptionsOnly", {"-style", "fusion"}, StartRequest::openWindows}),
    [](const auto& info) { return std::string(info.param.name); });

// Qt's -platform and -display arguments outweigh the environment.
TEST(DisplaySettingsFromArguments, OutweighTheEnvironment)
{
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    std::array<std::string, 4> words{"-platform", "offscreen", "--display", ":1"};
    std::array<char*, 4> argv{words[0].data(), words[1].data(), words[2].data(), words[3].data()};

    EXPECT_EQ(displaySettings({argv.data(), 0}).platform, "xcb");
    EXPECT_EQ(displaySettings({argv.data(), 0}).x11Display, "");
    EXPECT_EQ(displaySettings({argv.data(), 2}).platform, "offscreen");
    EXPECT_EQ(displaySettings(argv).x11Display, ":1");
    // A trailing option without its value names nothing.
    EXPECT_EQ(displaySettings({argv.data(), 1}).platform, "xcb");
}

// What a program printed and how it ended.
using test_support::ProcessResult;
using test_support::runCommand;

std::string lastLine(std::string text)
{
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text.substr(text.rfind('\n') + 1); // npos + 1 is 0: the whole text
}

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
const std::string kKaskad = KASKAD_PATH;
const std::string kKaskadCli = KASKAD_CLI_PATH;
const std::string kOnVirtualDisplay = KASKAD_ON_VIRTUAL_DISPLAY " 640x480x24 ";

struct ProgramCase {
    const char* name;
    std::string command;
    int exitStatus;
    std::string outStart;                   // what standard output begins with
    std::optional<std::string> errLastLine; // the last line on standard error, when it matters
};

class ProgramRun : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramRun, PrintsAndExitsAsDocumented)
{
    const ProgramCase& c = GetParam();
    const ProcessResult run = runCommand(c.command);
    EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
    EXPECT_EQ(run.out.substr(0, c.outStart.size()), c.outStart);
    if (c.errLastLine) {
        EXPECT_EQ(lastLine(run.err), *c.errLastLine);
    }
}

const std::string kCliVersion = "kaskad-cli " KASKAD_VERSION "\n";
const std::string kNoDisplayMessage = "kaskad: no display to open the windows on: neither DISPLAY nor WAYLAND_DISPLAY "
                                      "is set (kaskad-cli computes without windows)";
const std::string kCannotOpen = "kaskad: cannot open the windows: ";
const std::string kWithoutWindows = " (kaskad-cli computes without windows)";

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramRun,
    ::testing::Values(
        ProgramCase{"CliVersion", kKaskadCli + " --version", 0, kCliVersion, ""},
        ProgramCase{"CliBubbleVersion", kKaskadCli + " bubble --version", 0, kCliVersion, ""},
        ProgramCase{"CliGasliftVersion", kKaskadCli + " gaslift --N 3 --version", 0, kCliVersion, ""},
        ProgramCase{"CliSweepVersion", kKaskadCli + " sweep --version", 0, kCliVersion, ""},
        ProgramCase{"CliSweepBubbleVersion", kKaskadCli + " sweep bubble --version", 0, kCliVersion, ""},
        ProgramCase{"CliSweepGasliftVersion", kKaskadCli + " sweep gaslift --version", 0, kCliVersion, ""},
        ProgramCase{"Version", kNoDisplay + kKaskad + " --version", 0, "kaskad " KASKAD_VERSION "\n", ""},
        ProgramCase{"ShortVersion", kNoDisplay + kKaskad + " -v", 0, "kaskad " KASKAD_VERSION "\n", ""},
        ProgramCase{"Help", kNoDisplay + kKaskad + " --help", 0, "Usage: kaskad [OPTION]...\n", ""},
        ProgramCase{"HelpToAFullDisk", kNoDisplay + kKaskad + " --help >/dev/full", 1, "",
                    "kaskad: standard output could not be written"},
        ProgramCase{"NoDisplay", kNoDisplay + kKaskad, 1, "", kNoDisplayMessage},
        ProgramCase{"NoDisplayForXcb", kNoDisplay + "QT_QPA_PLATFORM=xcb " + kKaskad, 1, "", kNoDisplayMessage},
        ProgramCase{"NoDisplayForWayland", kNoDisplay + "QT_QPA_PLATFORM=wayland " + kKaskad, 1, "", kNoDisplayMessage},
        ProgramCase{"UnknownArgument", kNoDisplay + "QT_QPA_PLATFORM=offscreen " + kKaskad + " --colour", 2, "",
                    "kaskad: unknown argument '--colour' (see kaskad --help)"},
        // Without a display the argument is still named first.
        ProgramCase{"UnknownArgumentWithoutDisplay", kNoDisplay + kKaskad + " -style fusion --bogus", 2, "",
                    "kaskad: unknown argument '--bogus' (see kaskad --help)"},
        ProgramCase{"UnknownWordWithoutDisplay", kNoDisplay + kKaskad + " -reverse bubble", 2, "",
                    "kaskad: unknown argument 'bubble' (see kaskad --help)"},
        ProgramCase{"QtOptionsWithoutDisplay", kNoDisplay + kKaskad + " -style=fusion --title T -reverse", 1, "",
                    kNoDisplayMessage},
        // Offscreen needs no display: the program starts and is still
        // running when timeout stops it (status 124).
        ProgramCase{"StartsOffscreen", kNoDisplay + "QT_QPA_PLATFORM=offscreen timeout 2 " + kKaskad, 124, "",
                    std::nullopt},
        ProgramCase{"StartsWithPlatformArgument", kNoDisplay + "timeout 2 " + kKaskad + " -platform offscreen", 124, "",
                    std::nullopt},
        // A display named but not answering, a platform Qt does not have or
        // one that fails as it starts: status 1 and why, never an abort.
        ProgramCase{"XDisplayNotAnswering", kNoDisplay + "DISPLAY=:4917 " + kKaskad, 1, "",
                    kCannotOpen + "X display ':4917' cannot be opened" + kWithoutWindows},
        // A display that takes the connection and never replies: after a
        // few seconds, the same answer, not a wait for good (timeout's 124).
        // The silent display takes the first free display number from 4900.
        ProgramCase{"XDisplayAcceptingButSilent",
                    R"sh(bash -c 'coproc SILENT { exec /usr/bin/python3 -c "import socket, time
for n in range(4900, 5000):
    s = socket.socket()
    try:
        s.bind((\"127.0.0.1\", 6000 + n))
        break
    except OSError:
        s.close()
s.listen(); print(n, flush=True); c = s.accept(); time.sleep(60)"; }
read -r -u "${SILENT[0]}" n; timeout 20 )sh" +
                        kNoDisplay + "DISPLAY=127.0.0.1:$n " + kKaskad +
                        R"sh( 2>&1 | sed "s/127.0.0.1:$n/127.0.0.1:N/" >&2; status=${PIPESTATUS[0]}
kill "$SILENT_PID"; exit $status')sh",
                    1, "", kCannotOpen + "X display '127.0.0.1:N' cannot be opened" + kWithoutWindows},
        ProgramCase{"XDisplayArgumentNotAnswering", kNoDisplay + "DISPLAY=:4917 " + kKaskad + " -display :4918", 1, "",
                    kCannotOpen + "X display ':4918' cannot be opened" + kWithoutWindows},
        ProgramCase{"WaylandDisplayNotAnswering", kNoDisplay + "WAYLAND_DISPLAY=/nonexistent/wayland-0 " + kKaskad, 1,
                    "", kCannotOpen + "Wayland display '/nonexistent/wayland-0' cannot be opened" + kWithoutWindows},
        ProgramCase{"UnknownPlatform", kNoDisplay + "QT_QPA_PLATFORM=nosuch " + kKaskad, 1, "",
                    kCannotOpen + "Qt has no platform plugin 'nosuch'" + kWithoutWindows},
        ProgramCase{"PlatformFailingAsItStarts", kNoDisplay + "QT_QPA_PLATFORM=linuxfb:fb=/nonexistent/fb0 " + kKaskad,
                    1, "",
                    "kaskad: the window system could not be started: Cannot create window: no screens available"},
        // A live X display (Xvfb) still opens the windows.
        ProgramCase{"StartsOnALiveXDisplay", kNoDisplay + kOnVirtualDisplay + "timeout 2 " + kKaskad, 124, "",
                    std::nullopt},
        // A fresh X server resets when its last client leaves: six programs
        // starting at once on one all open their windows (xargs: status 0).
        ProgramCase{"SeveralStartTogetherOnAFreshXDisplay",
                    kNoDisplay + kOnVirtualDisplay + "sh -c 'seq 6 | xargs -P 6 -I {} sh -c \"timeout 2 " + kKaskad +
                        " 2>/dev/null; test \\$? -eq 124\"'",
                    0, "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad::app
