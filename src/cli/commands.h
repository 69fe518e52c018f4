// The command line's subcommands and their options.
#pragma once

#include "cli/plot/profile_plot.h"
#include "model/run_record.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace kaskad::cli {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitCalculationFailed = 1;
inline constexpr int kExitUsage = 2;
// An output file or stream could not be written (a plot, a sweep's output).
inline constexpr int kExitOutputFailed = 3;
// The memory ran out: what was written before is whole. (4 is the design
// commands' "target not met".)
inline constexpr int kExitOutOfMemory = 5;

// Accepts the digits of a whole number from least to most; says which of
// the two a text fails: not such a number, or out of the range.
CLI::Validator wholeNumberIn(std::uint64_t least, std::uint64_t most);

// A subcommand's --plot and --plot-size.
struct PlotOptions {
    std::string path; // empty: no plot
    PlotSize size;
};

// Adds --plot FILE (help: "also draw `what` into FILE.svg or FILE.png") and
// --plot-size WxH to the command, with their checks.
void addPlotOptions(CLI::App& command, PlotOptions& options, const std::string& what);

// Runs `write`; an OutputError it raises is reported on stderr and gives the
// output failure status.
int writeReportedPlot(const std::function<void()>& write);

// Parses the arguments and runs the chosen subcommand; returns the exit status.
int runCommandLine(int argc, char** argv);

} // namespace kaskad::cli
