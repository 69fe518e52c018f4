// --format of every subcommand: its help names the formats it takes, its
// default first, as the manual page and the shell completion read them.
#include "cli_process.h"

#include <gtest/gtest.h>

namespace kaskad::cli {
namespace {

using test_support::runKaskadCli;

TEST(FormatOption, HelpNamesTheFormatsTakenDefaultFirst)
{
    const std::string runs = "  --format TEXT:{panes,csv,json}\n"
                             "                              output: panes (default), csv or json\n";
    const std::string answers = "  --format TEXT:{text,csv,json}\n"
                                "                              output: text (default), csv or json\n";
    const struct {
        const char* subcommand;
        std::string entry;
    } cases[] = {
        {"bubble", runs},
        {"gaslift", runs},
        {"sweep bubble", "  --format TEXT:{csv,json}    output: csv (default) or json\n"},
        {"sweep gaslift", "  --format TEXT:{csv,json}    output: csv (default) or json\n"},
        {"optimize bubble", answers},
        {"solve gaslift", answers},
    };
    for (const auto& c : cases) {
        const test_support::CliResult help = runKaskadCli(std::string(c.subcommand) + " --help");
        EXPECT_EQ(help.exitStatus, 0) << c.subcommand;
        EXPECT_NE(help.out.find(c.entry), std::string::npos) << c.subcommand << ":\n" << help.out;
    }
}

} // namespace
} // namespace kaskad::cli
