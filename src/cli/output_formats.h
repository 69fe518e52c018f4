// kaskad-cli's output formats: every subcommand's --format option, made from
// one table of the names it takes.
#pragma once

#include "formats/run_output.h"

#include <CLI/CLI.hpp>

namespace kaskad::cli {

// The subcommands that take a --format, as the bits of a format's takenBy.
enum FormatTakers : unsigned {
    kSingleRuns = 1u << 0, // bubble, gaslift
    kSweeps = 1u << 1,     // sweep bubble, sweep gaslift
    kAnswers = 1u << 2,    // optimize bubble|gaslift, solve bubble|gaslift
    kStatistics = 1u << 3, // uncertainty bubble|gaslift
};

// Adds --format to the command: the names of the formats `taker` takes, in
// the table's order, with their check and help, each name setting `format`;
// sets `format` to the default, the first of them.
void addFormatOption(CLI::App& command, FormatTakers taker, formats::OutputFormat& format);

} // namespace kaskad::cli
