// The uncertainty subcommands: "uncertainty bubble|gaslift".
#pragma once

#include <CLI/CLI.hpp>

#include <memory>

namespace kaskad::cli {

class StandardOutput;

class UncertaintyCommands {
public:
    // Adds "uncertainty" with its model subcommands to the program.
    explicit UncertaintyCommands(CLI::App& app);
    ~UncertaintyCommands();

    bool parsed() const;
    // Runs the parsed one; returns the exit status. Raises OutputError when
    // the output cannot be written.
    int run(StandardOutput& out);

private:
    struct Options;
    std::unique_ptr<Options> options_;
};

} // namespace kaskad::cli
