// The design subcommands: "optimize bubble|gaslift" and "solve bubble|gaslift".
#pragma once

#include "cli/subcommand.h"

namespace kaskad::cli {

// Exit status when no input set meets the constraints, or no root is found.
inline constexpr int kExitTargetNotMet = 4;

// Adds "optimize" and "solve" with their model subcommands to the program.
std::unique_ptr<Subcommand> addDesignCommands(CLI::App& app);

} // namespace kaskad::cli
