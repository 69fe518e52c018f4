// Running the kaskad-cli program from a test and capturing what it prints.
#pragma once

#include "process.h"

#include <string>

namespace kaskad::cli::test_support {

using CliResult = kaskad::test_support::ProcessResult;

// Runs "PROGRAM ARGUMENTS" through the shell in the C locale, with the
// environment assignments ENVIRONMENT ("NAME=VALUE ...") besides.
inline CliResult runProgram(const std::string& program, const std::string& arguments,
                            const std::string& environment = "")
{
    return kaskad::test_support::runCommand("LC_ALL=C " + environment + " " + program + " " + arguments);
}

// Runs "kaskad-cli ARGUMENTS" of the build tree, as runProgram does.
inline CliResult runKaskadCli(const std::string& arguments, const std::string& environment = "")
{
    return runProgram(KASKAD_CLI_PATH, arguments, environment);
}

} // namespace kaskad::cli::test_support
