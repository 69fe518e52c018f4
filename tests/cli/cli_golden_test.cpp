// kaskad-cli sessions replayed from tests/golden: each file holds a command
// line, the exact text it must print, its exit status and its error output.
//
//   $ kaskad-cli bubble --N 1 ...      the arguments, as shell words
//   ...                                stdout, line for line
//   [exit 1]
//   [stderr] Floating point division by zero.
#include "cli_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Session {
    std::string arguments;
    std::string out;
    int exitStatus = 0;
    std::string err;
};

Session readGolden(const fs::path& file)
{
    std::ifstream in(file);
    Session session;
    std::string line;
    std::getline(in, line);
    const std::string prompt = "$ kaskad-cli ";
    EXPECT_EQ(line.rfind(prompt, 0), 0u) << file;
    session.arguments = line.substr(prompt.size());
    while (std::getline(in, line)) {
        if (line.rfind("[exit ", 0) == 0)
            session.exitStatus = std::stoi(line.substr(6));
        else if (line.rfind("[stderr] ", 0) == 0)
            session.err += line.substr(9) + '\n';
        else
            session.out += line + '\n';
    }
    return session;
}

Session runCli(const std::string& arguments)
{
    const kaskad::cli::test_support::CliResult result = kaskad::cli::test_support::runKaskadCli(arguments);
    return {arguments, result.out, result.exitStatus, result.err};
}

std::vector<fs::path> goldenFiles()
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(KASKAD_GOLDEN_DIR))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

class GoldenSession : public ::testing::TestWithParam<fs::path> {};

TEST_P(GoldenSession, PrintsExactlyTheRecordedText)
{
    const Session expected = readGolden(GetParam());
    const Session actual = runCli(expected.arguments);
    EXPECT_EQ(actual.out, expected.out);
    EXPECT_EQ(actual.exitStatus, expected.exitStatus);
    if (expected.exitStatus == 2)
        EXPECT_NE(actual.err.find(expected.err.substr(0, expected.err.find('\n'))), std::string::npos) << actual.err;
    else
        EXPECT_EQ(actual.err, expected.err);
}

INSTANTIATE_TEST_SUITE_P(Cli, GoldenSession, ::testing::ValuesIn(goldenFiles()), [](const auto& info) {
    std::string name = info.param.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(CliHelp, EverySubcommandDocumentsItsOptionsWithAnExample)
{
    for (const char* command : {"bubble", "gaslift"}) {
        const Session help = runCli(std::string(command) + " --help");
        EXPECT_EQ(help.exitStatus, 0);
        for (const char* option :
             {"--N", "--y10", "--y50", "--wg", "--t", "--dtr", "--ts", "--format", "--decimal-separator", "Example:"})
            EXPECT_NE(help.out.find(option), std::string::npos) << command << ' ' << option;
    }
}

} // namespace
