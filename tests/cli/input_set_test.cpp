// "--input-set FILE" for runs, optimize and solve: the set's fields run as
// the same fields given by options, options given beside it replacing its
// fields.
#include "cli_process.h"
#include "formats/input_set.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kaskad::cli {
namespace {

using test_support::CliResult;
using test_support::runKaskadCli;

// A set saved with the comma as separator, as a Russian desktop saves it.
const FieldTexts kBubbleSet = {"12", "3", "2,5", "0,05", "433", "2", "3", "3600"};
const std::string kBubbleOptions = "--N 12 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600";

std::string writtenSet(ModelKind model, const FieldTexts& fields, const char* name)
{
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path) << formats::inputSetJson(model, fields, ',');
    return path.string();
}

TEST(CliInputSet, RunsAsTheSameFieldsGivenByOptions)
{
    const std::string set = writtenSet(ModelKind::bubble, kBubbleSet, "bubble.kaskad.json");
    const struct {
        std::string fromSet;
        std::string fromOptions;
    } cases[] = {
        {"bubble --input-set " + set, "bubble " + kBubbleOptions},
        {"bubble --input-set=" + set + " --decimal-separator , --format csv",
         "bubble --N 12 --y10 3 --y50 2,5 --wg 0,05 --t 433 --dtr 2 --d 3 --ts 3600 --decimal-separator , "
         "--format csv"},
        {"bubble --input-set " + set + " --t 440 --format json",
         "bubble --N 12 --y10 3 --y50 2.5 --wg 0.05 --t 440 --dtr 2 --d 3 --ts 3600 --format json"},
        {"optimize bubble --input-set " + set + " --wg 0.03:0.07 --max-evals 60 --jobs 1",
         "optimize bubble --N 12 --y10 3 --y50 2.5 --wg 0.03:0.07 --t 433 --dtr 2 --d 3 --ts 3600 --max-evals 60 "
         "--jobs 1"},
        {"solve bubble --input-set " + set + " --ts 100:3000 --target y1=0.02",
         "solve bubble --N 12 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 100:3000 --target y1=0.02"},
    };
    for (const auto& c : cases) {
        const CliResult fromSet = runKaskadCli(c.fromSet);
        const CliResult fromOptions = runKaskadCli(c.fromOptions);
        EXPECT_EQ(fromSet.exitStatus, fromOptions.exitStatus) << c.fromSet << fromSet.err;
        EXPECT_GT(fromSet.out.size(), 40u) << c.fromSet;
        EXPECT_EQ(fromSet.out, fromOptions.out) << c.fromSet;
        EXPECT_EQ(fromSet.err, fromOptions.err) << c.fromSet;
    }
}

TEST(CliInputSet, ASetThatCannotBeRunIsAUsageError)
{
    const std::string gaslift = writtenSet(ModelKind::gaslift, kBubbleSet, "gaslift.kaskad.json");
    const std::string broken = (std::filesystem::path(::testing::TempDir()) / "broken.kaskad.json").string();
    std::ofstream(broken) << "{\"kaskad-input-set\": 1";
    const std::string folder = ::testing::TempDir();
    const struct {
        std::string arguments;
        std::string err;
    } cases[] = {
        {"bubble --input-set " + gaslift, "the input set " + gaslift + " cannot be read: "},
        {"gaslift --input-set " + broken, "the input set " + broken + " cannot be read: "},
        {"optimize bubble --input-set /nonexistent/x.kaskad.json --wg 0.03:0.07",
         "cannot read the input set /nonexistent/x.kaskad.json: No such file or directory\n"},
        {"solve bubble --input-set " + folder + " --ts 1:2 --target y1=1",
         "cannot read the input set " + folder + ": Is a directory\n"},
        {"optimize bubble --N 3 --y10 3 --wg 0.03:0.07", "--y50 is required\n"},
    };
    for (const auto& c : cases) {
        const CliResult result = runKaskadCli(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.arguments;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << c.arguments << '\n' << result.err;
        EXPECT_TRUE(result.err.ends_with("Run with --help for more information.\n")) << result.err;
    }
}

} // namespace
} // namespace kaskad::cli
