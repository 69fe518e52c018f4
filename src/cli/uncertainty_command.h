// The uncertainty subcommands: "uncertainty bubble|gaslift".
#pragma once

#include "cli/subcommand.h"

namespace kaskad::cli {

// Adds "uncertainty" with its model subcommands to the program.
std::unique_ptr<Subcommand> addUncertaintyCommands(CLI::App& app);

} // namespace kaskad::cli
