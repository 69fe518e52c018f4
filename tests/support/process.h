// Running a command from a test through the shell, and what it printed.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kaskad::test_support {

struct ProcessResult {
    std::string out;
    std::string err;
    int exitStatus = -1; // -1 when a signal ended it
};

// Runs `command` through the shell: its standard output and standard error
// kept apart (through a file of this process's own).
inline ProcessResult runCommand(const std::string& command)
{
    namespace fs = std::filesystem;
    static int calls = 0;
    const fs::path errFile =
        fs::temp_directory_path() / ("kaskad-test-" + std::to_string(::getpid()) + "-" + std::to_string(++calls));
    FILE* pipe = ::popen(("{ " + command + "; } 2>" + errFile.string()).c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    ProcessResult result;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
        result.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    fs::remove(errFile);
    return result;
}

} // namespace kaskad::test_support
