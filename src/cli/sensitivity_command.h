// The subcommand "sensitivity bubble|gaslift": how the outlet of one design
// answers small changes of each field.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>

namespace kaskad::cli {

class StandardOutput;

class SensitivityCommand {
public:
    // Adds "sensitivity" with its design subcommands to the program.
    explicit SensitivityCommand(CLI::App& app);
    ~SensitivityCommand();

    bool parsed() const;
    // Runs it; returns the exit status. Raises OutputError when the output
    // cannot be written.
    int run(StandardOutput& out);

private:
    struct Options;
    std::unique_ptr<Options> options_;
};

} // namespace kaskad::cli
