// A group of kaskad-cli's subcommands that keeps its own options: added to the
// program once, asked after parsing whether the command line chose it, run.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>

namespace kaskad::cli {

class StandardOutput;

class Subcommand {
public:
    virtual ~Subcommand() = default;

    // Whether the command line chose one of the group's subcommands.
    virtual bool parsed() const = 0;
    // Runs the parsed one; returns the exit status. Raises OutputError when
    // the output cannot be written.
    virtual int run(StandardOutput& out) = 0;
};

} // namespace kaskad::cli
