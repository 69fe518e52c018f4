// The subcommand "sensitivity bubble|gaslift": how the outlet of one design
// answers small changes of each field.
#pragma once

#include "cli/subcommand.h"

namespace kaskad::cli {

// Adds "sensitivity" with its design subcommands to the program.
std::unique_ptr<Subcommand> addSensitivityCommand(CLI::App& app);

} // namespace kaskad::cli
