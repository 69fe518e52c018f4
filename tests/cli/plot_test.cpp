// Profile plots written by kaskad-cli: valid files of the asked size with
// every series.
#include "cli_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <future>
#include <thread>

#include <sys/stat.h>

namespace kaskad::cli {
namespace {

namespace fs = std::filesystem;
using test_support::runKaskadCli;

std::string fileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

fs::path plotPath(const char* extension)
{
    return fs::temp_directory_path() / ("kaskad-plot-test-" + std::to_string(::getpid()) + extension);
}

// The texts drawn, in drawing order, each element's text joined to the next:
// a title may be drawn in several runs ("y1 - " and "П - ксилол").
std::string drawnText(const std::string& svg)
{
    static const std::regex textElement("<text[^>]*>([^<]*)</text>");
    std::string text;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), textElement); it != std::sregex_iterator(); ++it)
        text += (*it)[1].str() + (it->suffix().str().starts_with("\n<text") ? "" : "|");
    return text;
}

TEST(ProfilePlot, SvgHasTheSizeAskedAndEveryPaneTitle)
{
    const fs::path svg = plotPath(".svg");
    const test_support::CliResult run =
        runKaskadCli("bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv --plot " +
                     svg.string() + " --plot-size 640x480");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string text = fileText(svg);
    fs::remove(svg);
    ASSERT_TRUE(text.starts_with("<?xml")) << text.substr(0, 100);
    // 640 x 480 CSS pixels at 96 per inch.
    EXPECT_NE(text.find("<svg width=\"169.333mm\" height=\"127mm\"\n viewBox=\"0 0 640 480\""), std::string::npos)
        << text.substr(0, 300);
    EXPECT_TRUE(text.ends_with("</svg>\n"));
    const std::string drawn = drawnText(text);
    for (const char* title : {"y1 - П - ксилол", "y2 - ПТ - кислота", "y3 - ТФК", "y4 - ММ эфир ТФК", "y5 - П - эфир",
                              "y6 - Вода", "Температура в реакторе", "Давление в реакторе", "Реактор"})
        EXPECT_NE(drawn.find(std::string("|") + title + "|"), std::string::npos) << title << " in " << drawn;
    // One line per series: six concentrations, temperature, pressure.
    std::size_t lines = 0;
    for (std::size_t at = 0;
         (at = text.find("<polyline fill=\"none\" vector-effect=\"none\" points=\"", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_GE(lines, 8u);
}

// The caption names the model and every field text; the concentration axis
// starts at 0 and its labels carry no needless decimals.
TEST(ProfilePlot, SvgIsCaptionedAndLabelledForAReport)
{
    const fs::path svg = plotPath(".svg");
    const test_support::CliResult run =
        runKaskadCli("gaslift --N 12 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format csv --plot " +
                     svg.string() + " --plot-size 600x400");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::string drawn = drawnText(fileText(svg));
    fs::remove(svg);
    EXPECT_NE(drawn.find("Тевир Газлифтовый: N=12, y10=3, y50=2, wg=0.05, t=450, dtr=2, db=, ts=3600|"),
              std::string::npos)
        << drawn;
    EXPECT_NE(drawn.find("|0|1|2|3|4|5|"), std::string::npos) << drawn;
    EXPECT_EQ(drawn.find("|1.0|"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("|1|2|3|4|5|6|7|8|9|10|11|12|"), std::string::npos) << drawn;
}

// A plot into a named pipe goes through the pipe, which stays a pipe: a
// device or a pipe is never replaced by a renamed file.
TEST(ProfilePlot, APipeIsWrittenThroughNotReplaced)
{
    const fs::path pipe = plotPath("-pipe.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::packaged_task<std::string()> read([pipe] { return fileText(pipe); });
    std::future<std::string> readText = read.get_future();
    std::thread reader(std::move(read));
    const test_support::CliResult run =
        runKaskadCli("bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv --plot " +
                     pipe.string());
    // A pipe replaced by a file leaves the reader waiting for ever.
    if (readText.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        reader.detach();
        FAIL() << "nothing was written into the pipe";
    }
    reader.join();
    const std::string received = readText.get();
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(received.starts_with("\x89PNG")) << received.substr(0, 8);
    fs::remove(pipe);
}

// A name so long that no temporary name fits beside it stands for a folder
// that takes no new file (root may write into any folder): a new plot is
// written in place, but an existing one is never truncated in place (the
// disk might not hold the new one): it is left whole. A name too long for
// the file itself fails both ways, and the message says so.
TEST(ProfilePlot, WrittenInPlaceWhereNoTemporaryFileFits)
{
    const fs::path folder = fs::temp_directory_path();
    const fs::path longest = folder / (std::string(251, 'p') + ".svg");
    const std::string run =
        "bubble --N 3 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv --plot ";
    const test_support::CliResult written = runKaskadCli(run + longest.string());
    EXPECT_EQ(written.exitStatus, 0) << written.err;
    EXPECT_TRUE(fileText(longest).starts_with("<?xml"));
    std::ofstream(longest) << "the old plot";
    const test_support::CliResult kept = runKaskadCli(run + longest.string());
    EXPECT_EQ(kept.exitStatus, 3);
    EXPECT_NE(kept.err.find("no temporary file could be made beside it (File name too long); it was left as it was"),
              std::string::npos)
        << kept.err;
    EXPECT_EQ(fileText(longest), "the old plot");
    fs::remove(longest);
    const test_support::CliResult neither = runKaskadCli(run + (folder / (std::string(260, 'p') + ".svg")).string());
    EXPECT_EQ(neither.exitStatus, 3);
    EXPECT_NE(neither.err.find("no temporary file could be made beside it (File name too long) and it could not be "
                               "written in place (File name too long)"),
              std::string::npos)
        << neither.err;
}

// The sensitivity's tornado chart names every field with its tolerance; a
// file that cannot be written is reported after the answer.
TEST(TornadoPlot, SvgNamesEveryFieldWithItsTolerance)
{
    const fs::path svg = plotPath("-tornado.svg");
    const std::string sensitivity = "sensitivity bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 433 --dtr 2 --d 3 "
                                    "--ts 305 --tolerance t=±1 --tolerance wg=±5% --format csv --plot ";
    const test_support::CliResult run = runKaskadCli(sensitivity + svg.string() + " --plot-size 800x500");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::string text = fileText(svg);
    fs::remove(svg);
    EXPECT_NE(text.find("viewBox=\"0 0 800 500\""), std::string::npos) << text.substr(0, 300);
    EXPECT_NE(text.find("<title>Чувствительность запаса по критерию</title>"), std::string::npos);
    const std::string drawn = drawnText(text);
    for (const char* label :
         {"wg ±5%", "t ±1", "y10 (±1%)", "y50 (±1%)", "dtr (±1%)", "d (±1%)", "ts (±1%)", "Запас по критерию"})
        EXPECT_NE(drawn.find(std::string("|") + label + "|"), std::string::npos) << label << " in " << drawn;

    const test_support::CliResult unwritable = runKaskadCli(sensitivity + "/nonexistent-dir/t.png");
    EXPECT_EQ(unwritable.exitStatus, 3);
    EXPECT_EQ(unwritable.out, runKaskadCli(sensitivity.substr(0, sensitivity.size() - 8)).out);
    EXPECT_EQ(unwritable.err, "cannot write plot file '/nonexistent-dir/t.png': No such file or directory\n");
}

std::uint32_t bigEndian(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

TEST(ProfilePlot, PngHasTheSizeAsked)
{
    const fs::path png = plotPath(".png");
    const test_support::CliResult run =
        runKaskadCli("gaslift --N 30 --y10 3 --y50 2 --wg 0.05 --t 450 --dtr 2 --ts 3600 --format csv --plot " +
                     png.string() + " --plot-size 800x500");
    // The run fails after some reactors: the plot shows those.
    EXPECT_EQ(run.exitStatus, 1);
    const std::string bytes = fileText(png);
    fs::remove(png);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian(bytes, 16), 800u);
    EXPECT_EQ(bigEndian(bytes, 20), 500u);
}

struct PlotUsage {
    const char* name;
    const char* options;
    int exitStatus;
    const char* err;
};

void PrintTo(const PlotUsage& row, std::ostream* out) { *out << row.name; }

class ProfilePlotUsage : public ::testing::TestWithParam<PlotUsage> {};

TEST_P(ProfilePlotUsage, IsRefused)
{
    const test_support::CliResult run = runKaskadCli(
        std::string("bubble --N 2 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv ") +
        GetParam().options);
    EXPECT_EQ(run.exitStatus, GetParam().exitStatus);
    EXPECT_NE(run.err.find(GetParam().err), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ProfilePlotUsage,
    ::testing::Values(PlotUsage{"PdfFile", "--plot profile.pdf", 2, "the plot file must end in .svg or .png"},
                      PlotUsage{"SizeTooSmall", "--plot p.svg --plot-size 50x50", 2, "must be WIDTHxHEIGHT"},
                      PlotUsage{"SizeWithoutHeight", "--plot p.svg --plot-size 1200", 2, "must be WIDTHxHEIGHT"},
                      PlotUsage{"UnwritableFile", "--plot /nonexistent-dir/p.svg", 3,
                                "cannot write plot file '/nonexistent-dir/p.svg'"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad::cli
