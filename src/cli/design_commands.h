// The design subcommands: "optimize bubble|gaslift" and "solve bubble|gaslift".
#pragma once

#include <CLI/CLI.hpp>

#include <memory>

namespace kaskad::cli {

// Exit status when no input set meets the constraints, or no root is found.
inline constexpr int kExitTargetNotMet = 4;

class StandardOutput;

class DesignCommands {
public:
    // Adds "optimize" and "solve" with their model subcommands to the program.
    explicit DesignCommands(CLI::App& app);
    ~DesignCommands();

    // Whether one of them was parsed.
    bool parsed() const;
    // Runs the parsed one; returns the exit status. Raises OutputError when
    // the output cannot be written.
    int run(StandardOutput& out);

private:
    struct Options;
    std::unique_ptr<Options> options_;
};

} // namespace kaskad::cli
