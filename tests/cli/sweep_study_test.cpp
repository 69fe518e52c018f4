// "kaskad-cli sweep --study FILE": the study's fields run as the same sweep
// given by options, options given beside it replacing its fields.
#include "cli_process.h"
#include "formats/study_definition.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kaskad::cli {
namespace {

using test_support::CliResult;
using test_support::runKaskadCli;

// A study saved with the comma as separator, as a Russian desktop saves it.
const formats::StudyDefinition kStudy = {ModelKind::bubble,
                                         {"20:24:2", "3", "2,5", "0,03:0,07:0,02", "430;433", "2", "3", "3600"}};
const std::string kSameOptions =
    "--N 20:24:2 --y10 3 --y50 2.5 --wg 0.03:0.07:0.02 --t '430;433' --dtr 2 --d 3 --ts 3600";

std::string writtenStudy(const formats::StudyDefinition& study, const char* name)
{
    const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path) << formats::studyJson(study, ',');
    return path.string();
}

TEST(SweepStudy, RunsAsTheSameSweepGivenByOptions)
{
    const std::string path = writtenStudy(kStudy, "bubble.kaskad-study.json");
    const struct {
        std::string study;
        std::string options;
    } cases[] = {
        {"sweep --study " + path + " --outlet --criterion", "sweep bubble " + kSameOptions + " --outlet --criterion"},
        {"sweep --study=" + path + " --format json", "sweep bubble " + kSameOptions + " --format json"},
        {"sweep bubble --study " + path + " --t 440 --jobs 3",
         "sweep bubble --N 20:24:2 --y10 3 --y50 2.5 --wg 0.03:0.07:0.02 --t 440 --dtr 2 --d 3 --ts 3600"},
    };
    for (const auto& c : cases) {
        const CliResult fromStudy = runKaskadCli(c.study);
        const CliResult fromOptions = runKaskadCli(c.options);
        EXPECT_EQ(fromStudy.exitStatus, 0) << c.study << fromStudy.err;
        EXPECT_GT(fromStudy.out.size(), 1000u) << c.study;
        EXPECT_EQ(fromStudy.out, fromOptions.out) << c.study;
    }
}

// A pipe gives its bytes once: the study is read once, to find the model
// and for the fields alike.
TEST(SweepStudy, ReadsTheStudyFromAPipeOnce)
{
    const std::string path = writtenStudy(kStudy, "piped.kaskad-study.json");
    const CliResult fromPipe = kaskad::test_support::runCommand(
        "cat " + path + " | LC_ALL=C " KASKAD_CLI_PATH " sweep --study /dev/stdin --outlet --criterion");
    const CliResult fromOptions = runKaskadCli("sweep bubble " + kSameOptions + " --outlet --criterion");
    EXPECT_EQ(fromPipe.exitStatus, 0) << fromPipe.err;
    EXPECT_EQ(fromPipe.out, fromOptions.out);
}

TEST(SweepStudy, AStudyThatCannotBeRunIsAUsageError)
{
    const std::string gaslift = writtenStudy({ModelKind::gaslift, kStudy.values}, "gaslift.kaskad-study.json");
    const std::string broken = (std::filesystem::path(::testing::TempDir()) / "broken.kaskad-study.json").string();
    std::ofstream(broken) << "{\"kaskad-study\": 1";
    const std::string large = (std::filesystem::path(::testing::TempDir()) / "large.kaskad-study.json").string();
    std::ofstream(large) << std::string(70000, ' ');
    const std::string folder = ::testing::TempDir();
    const struct {
        std::string arguments;
        std::string err;
    } cases[] = {
        {"sweep bubble --study " + gaslift, "the study " + gaslift + " is of the gaslift model\n"},
        {"sweep --study " + broken, "the study " + broken + " cannot be read: это не JSON (строка 1, позиция 19)\n"},
        {"sweep --study /nonexistent/x.kaskad-study.json",
         "cannot read the study /nonexistent/x.kaskad-study.json: No such file or directory\n"},
        {"sweep bubble --study " + folder, "cannot read the study " + folder + ": Is a directory\n"},
        {"sweep --study " + large, "the study " + large + " is larger than a study can be\n"},
        {"sweep bubble --N 3 --y10 3", "--y50 is required\n"},
    };
    for (const auto& c : cases) {
        const CliResult result = runKaskadCli(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.arguments;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, c.err + "Run with --help for more information.\n") << c.arguments;
    }
}

} // namespace
} // namespace kaskad::cli
