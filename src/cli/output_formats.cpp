// The table of output formats: each one's name, the writers' value, what it
// prints and the subcommands that take it; the --format options made from it.
#include "cli/output_formats.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::cli {

namespace {

struct OutputFormatRow {
    std::string_view name; // what --format takes
    formats::OutputFormat format;
    std::string_view description;
    unsigned takenBy; // FormatTakers bits
};

// In the order --format lists them; the first a subcommand takes is its
// default.
constexpr std::array<OutputFormatRow, 4> kOutputFormats = {{
    {"panes", formats::OutputFormat::panes, "the twelve panes, each after its title, as the window shows them",
     kSingleRuns},
    {"text", formats::OutputFormat::text,
     "for a person: the answers' table, the best answer and its command; the statistics' tables",
     kAnswers | kStatistics},
    {"csv", formats::OutputFormat::csv, "a header line, then a row per reactor, point or answer",
     kSingleRuns | kSweeps | kAnswers},
    {"json", formats::OutputFormat::json, "one document whose numbers carry exactly the printed digits",
     kSingleRuns | kSweeps | kAnswers | kStatistics},
}};

std::vector<const OutputFormatRow*> formatsTakenBy(FormatTakers taker)
{
    std::vector<const OutputFormatRow*> rows;
    for (const OutputFormatRow& row : kOutputFormats)
        if ((row.takenBy & taker) != 0)
            rows.push_back(&row);
    return rows;
}

// "output: panes (default), csv or json".
std::string formatHelp(const std::vector<const OutputFormatRow*>& rows)
{
    std::string help = "output: " + std::string(rows.front()->name) + " (default)";
    for (std::size_t r = 1; r < rows.size(); ++r)
        help += (r + 1 == rows.size() ? " or " : ", ") + std::string(rows[r]->name);
    return help;
}

} // namespace

void addFormatOption(CLI::App& command, FormatTakers taker, formats::OutputFormat& format)
{
    const std::vector<const OutputFormatRow*> rows = formatsTakenBy(taker);
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const OutputFormatRow* row : rows)
        names.emplace_back(row->name);
    format = rows.front()->format;
    command
        .add_option_function<std::string>(
            "--format",
            [&format, rows](const std::string& name) {
                for (const OutputFormatRow* row : rows)
                    if (row->name == name)
                        format = row->format;
            },
            formatHelp(rows))
        ->check(CLI::IsMember(names));
}

} // namespace kaskad::cli
