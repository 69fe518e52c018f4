// The command line's subcommands and their options.
#pragma once

#include "cli/run_record.h"

#include <CLI/CLI.hpp>

#include <span>

namespace kaskad::cli {

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitCalculationFailed = 1;
inline constexpr int kExitUsage = 2;
// An output file or stream could not be written (a plot, a sweep's output).
inline constexpr int kExitOutputFailed = 3;

// An option naming an input field: --N, --y10, ...
struct FieldOption {
    const char* name;
    int field;  // LabeledEditN
    const char* help;
    bool required;
};

// The field options of a model, in the window's reading order.
std::span<const FieldOption> fieldOptions(ModelKind model);

// Parses the arguments and runs the chosen subcommand; returns the exit status.
int runCommandLine(int argc, char** argv);

} // namespace kaskad::cli
