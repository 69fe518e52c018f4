// Running the kaskad-cli program from a test and capturing what it prints.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kaskad::cli::test_support {

struct CliResult {
    std::string out;
    std::string err;
    int exitStatus = -1;
};

// Runs "PROGRAM ARGUMENTS" through the shell in the C locale, with the
// environment assignments ENVIRONMENT ("NAME=VALUE ...") besides.
inline CliResult runProgram(const std::string& program, const std::string& arguments,
                            const std::string& environment = "")
{
    namespace fs = std::filesystem;
    static int calls = 0;
    const fs::path errFile =
        fs::temp_directory_path() / ("kaskad-cli-test-" + std::to_string(::getpid()) + "-" + std::to_string(++calls));
    const std::string command =
        "LC_ALL=C " + environment + " " + program + " " + arguments + " 2>" + errFile.string();
    CliResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    fs::remove(errFile);
    return result;
}

// Runs "kaskad-cli ARGUMENTS" of the build tree, as runProgram does.
inline CliResult runKaskadCli(const std::string& arguments, const std::string& environment = "")
{
    return runProgram(KASKAD_CLI_PATH, arguments, environment);
}

} // namespace kaskad::cli::test_support
