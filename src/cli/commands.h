// The command line's subcommands and their options.
#pragma once

#include "model/run_record.h"

#include <CLI/CLI.hpp>

#include <string>

namespace kaskad::cli {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitCalculationFailed = 1;
inline constexpr int kExitUsage = 2;
// An output file or stream could not be written (a plot, a sweep's output).
inline constexpr int kExitOutputFailed = 3;

// Accepts the digits of a whole number from least to most; says which of
// the two a text fails: not such a number, or out of the range.
CLI::Validator wholeNumberIn(std::uint64_t least, std::uint64_t most);

// Parses the arguments and runs the chosen subcommand; returns the exit status.
int runCommandLine(int argc, char** argv);

} // namespace kaskad::cli
