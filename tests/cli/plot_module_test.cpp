// The plot module loaded on demand: no Qt in a run without a plot, a clear
// report when the module is missing or foreign, and errors from the module
// raised as OutputError in the caller.
#include "cli/cli_errors.h"
#include "cli/plot/plot_module_abi.h"
#include "cli/plot/profile_plot.h"
#include "cli_process.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <exception>
#include <filesystem>
#include <fstream>

namespace kaskad::cli {
namespace {

namespace fs = std::filesystem;
using test_support::CliResult;
using test_support::runKaskadCli;

constexpr const char* kBubbleRun = "bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600";

fs::path scratchPath(const std::string& name)
{
    return fs::temp_directory_path() / ("kaskad-plot-module-test-" + std::to_string(::getpid()) + "-" + name);
}

// The shared libraries the dynamic loader reports for a run, as LD_DEBUG=libs
// prints them.
std::size_t qtLibraryLines(const std::string& loaderReport)
{
    std::size_t count = 0;
    for (std::size_t at = 0; (at = loaderReport.find("libQt6", at)) != std::string::npos; ++at)
        ++count;
    return count;
}

struct QtLoadingCase {
    const char* name;
    const char* arguments;
    bool plots; // --plot FILE.svg added
};

void PrintTo(const QtLoadingCase& row, std::ostream* out) { *out << row.name; }

class QtLoading : public ::testing::TestWithParam<QtLoadingCase> {};

TEST_P(QtLoading, OnlyForAPlot)
{
    const QtLoadingCase& row = GetParam();
    const fs::path plot = scratchPath(std::string(row.name) + ".svg");
    const CliResult run =
        runKaskadCli(std::string(row.arguments) + (row.plots ? " --plot " + plot.string() : ""), "LD_DEBUG=libs");
    fs::remove(plot);
    EXPECT_EQ(run.exitStatus, 0) << run.err.substr(run.err.size() - std::min<std::size_t>(run.err.size(), 500));
    if (row.plots)
        EXPECT_GT(qtLibraryLines(run.err), 0u);
    else
        EXPECT_EQ(qtLibraryLines(run.err), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, QtLoading,
    ::testing::Values(QtLoadingCase{"BubbleCsv",
                                    "bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 "
                                    "--format csv",
                                    false},
                      QtLoadingCase{"GasLiftPanes", "gaslift --N 3 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600",
                                    false},
                      QtLoadingCase{"SweepBubble",
                                    "sweep bubble --N 2:4:1 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 "
                                    "--ts 3600 --criterion",
                                    false},
                      QtLoadingCase{"Help", "bubble --help", false},
                      QtLoadingCase{"BubbleSvgPlot",
                                    "bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 "
                                    "--format csv",
                                    true}),
    [](const auto& info) { return std::string(info.param.name); });

// A copy of kaskad-cli in a directory of its own, whose module is whatever a
// test puts where the program looks for it.
class RelocatedCli {
public:
    RelocatedCli() : root_(scratchPath("tree"))
    {
        fs::create_directories(root_ / "bin");
        fs::copy_file(KASKAD_CLI_PATH, program());
        fs::create_directories(module().parent_path());
    }
    ~RelocatedCli() { fs::remove_all(root_); }
    RelocatedCli(const RelocatedCli&) = delete;
    RelocatedCli& operator=(const RelocatedCli&) = delete;

    fs::path program() const { return root_ / "bin" / "kaskad-cli"; }
    fs::path module() const
    {
        return (root_ / "bin" / KASKAD_PLOT_MODULE_DIR / kKaskadPlotModuleFile).lexically_normal();
    }
    fs::path plot() const { return root_ / "profile.svg"; }

private:
    fs::path root_;
};

// The file of the C++ library this test runs with: a shared library that is
// not the plot module.
fs::path standardLibraryFile()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&std::terminate), &info) == 0 || info.dli_fname == nullptr)
        throw std::runtime_error("the C++ library's file is unknown");
    return info.dli_fname;
}

struct BrokenModuleCase {
    const char* name;
    void (*install)(const fs::path& module);
    const char* report; // the error's words before the module's path
    const char* reason; // and the loader's reason after it
};

void PrintTo(const BrokenModuleCase& row, std::ostream* out) { *out << row.name; }

class BrokenModule : public ::testing::TestWithParam<BrokenModuleCase> {};

TEST_P(BrokenModule, IsReportedWithItsPathAndReason)
{
    const RelocatedCli cli;
    GetParam().install(cli.module());
    const CliResult run = test_support::runProgram(
        cli.program().string(), std::string(kBubbleRun) + " --format csv --plot " + cli.plot().string());
    const CliResult withoutPlot = runKaskadCli(std::string(kBubbleRun) + " --format csv");
    EXPECT_EQ(run.exitStatus, 3);
    EXPECT_EQ(run.out, withoutPlot.out);
    EXPECT_TRUE(run.err.starts_with(GetParam().report + cli.module().string() + ": ")) << run.err;
    EXPECT_NE(run.err.find(GetParam().reason), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(cli.plot()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, BrokenModule,
    ::testing::Values(
        BrokenModuleCase{"Missing", [](const fs::path&) {}, "cannot load the plot module ",
                         "cannot open shared object file: No such file or directory"},
        BrokenModuleCase{"NotAnObjectFile",
                         [](const fs::path& module) { std::ofstream(module) << std::string(200, '#') << '\n'; },
                         "cannot load the plot module ", "invalid ELF header"},
        BrokenModuleCase{"WithoutEntryPoint",
                         [](const fs::path& module) { fs::create_symlink(standardLibraryFile(), module); },
                         "cannot use the plot module ", "undefined symbol: kaskad_write_profile_plot_v3"}),
    [](const auto& info) { return std::string(info.param.name); });

// writeProfilePlot called from a program other than kaskad-cli, loading the
// same module.
CascadeProfile twoReactors()
{
    CascadeProfile profile;
    for (int pane = 1; pane <= kPaneCount; ++pane)
        profile[Pane(pane)] = {{1, pane}, {2, pane - 0.5}};
    return profile;
}

TEST(ProfilePlotInProcess, DrawsTheFileAsked)
{
    const fs::path svg = scratchPath("in-process.svg");
    writeProfilePlot(twoReactors(), "caption", svg.string(), PlotSize{300, 200});
    std::ifstream in(svg);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    fs::remove(svg);
    EXPECT_TRUE(text.starts_with("<?xml")) << text.substr(0, 100);
    EXPECT_NE(text.find("viewBox=\"0 0 300 200\""), std::string::npos) << text.substr(0, 300);
}

struct PlotFailureCase {
    const char* name;
    const char* path;
    const char* message;
};

void PrintTo(const PlotFailureCase& row, std::ostream* out) { *out << row.name; }

class ProfilePlotFailure : public ::testing::TestWithParam<PlotFailureCase> {};

TEST_P(ProfilePlotFailure, IsAnOutputError)
{
    try {
        writeProfilePlot(twoReactors(), "caption", GetParam().path, PlotSize{});
        FAIL() << "no error";
    } catch (const OutputError& error) {
        EXPECT_EQ(error.message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    InProcess, ProfilePlotFailure,
    ::testing::Values(PlotFailureCase{"PdfFile", "profile.pdf", "plot file 'profile.pdf' must end in .svg or .png"},
                      PlotFailureCase{"UnwritableSvg", "/nonexistent-dir/p.svg",
                                      "cannot write plot file '/nonexistent-dir/p.svg': No such file or directory"},
                      PlotFailureCase{"UnwritablePng", "/nonexistent-dir/p.png",
                                      "cannot write plot file '/nonexistent-dir/p.png': No such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad::cli
