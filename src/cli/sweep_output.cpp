// CSV rows and JSON objects of a sweep's points.
#include "cli/sweep_output.h"

#include "cli/cli_errors.h"
#include "model/criterion.h"

namespace kaskad::cli {

namespace {

// A CSV cell, quoted when the text holds a comma, a quote or a line end.
std::string csvCell(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string cell = "\"";
    for (char c : text) {
        if (c == '"')
            cell += '"';
        cell += c;
    }
    return cell + '"';
}

const char* csvBoolean(std::optional<bool> value)
{
    if (!value)
        return "";
    return *value ? "true" : "false";
}

} // namespace

std::span<const ReactorResult> writtenReactors(const RunRecord& run, bool outletOnly)
{
    std::span<const ReactorResult> reactors = run.reactors;
    if (outletOnly && !reactors.empty())
        return reactors.last(1);
    return reactors;
}

std::vector<std::string> sweepCsvColumns(const SweepPlan& plan, const SweepOutputOptions& options)
{
    std::vector<std::string> columns;
    for (const SweepField& field : plan.sweptFields())
        columns.push_back("--" + field.name);
    columns.emplace_back("reactor");
    for (Pane pane : kStoreOrder)
        columns.emplace_back(quantityName(pane));
    columns.emplace_back("error_kind");
    columns.emplace_back("error_message");
    if (options.withCriterion()) {
        for (const CriterionBound& bound : criterionBounds(plan.model()))
            columns.emplace_back(bound.label);
        columns.emplace_back("meets_criterion");
    }
    return columns;
}

SweepWriter::SweepWriter(std::ostream& out, const SweepPlan& plan, SweepOutputOptions options)
    : out_(out), plan_(plan), options_(options)
{
    options_.criterion = options_.withCriterion();
    if (options_.format == OutputFormat::json && !options_.header)
        throw UsageError("--no-header applies to CSV output only: JSON is one document");
}

void SweepWriter::begin()
{
    if (options_.format == OutputFormat::json) {
        out_ << "{\"model\":\"" << modelName(plan_.model()) << "\",\"points\":[";
        return;
    }
    if (!options_.header)
        return;
    std::string header;
    for (const std::string& column : sweepCsvColumns(plan_, options_))
        (header += header.empty() ? "" : ",") += column;
    out_ << header << '\n';
}

std::optional<std::string> SweepWriter::format(std::size_t index, const RunRecord& run) const
{
    if (options_.onlyMeeting && !evaluateCriterion(run).meets)
        return std::nullopt;
    if (options_.format == OutputFormat::json)
        return jsonPoint(index, run);
    return csvPoint(index, run);
}

void SweepWriter::write(const std::optional<std::string>& formatted)
{
    if (!formatted)
        return;
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? ",\n" : "\n");
    out_ << *formatted;
    wrotePoint_ = true;
}

void SweepWriter::point(std::size_t index, const RunRecord& run) { write(format(index, run)); }

void SweepWriter::end()
{
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? "\n]}\n" : "]}\n");
    out_.flush();
}

std::string SweepWriter::csvPoint(std::size_t index, const RunRecord& run) const
{
    std::string leading;
    for (const std::string& text : plan_.sweptTexts(index))
        leading += csvCell(text) + ',';
    std::string trailing = ",";
    if (run.error)
        trailing += csvCell(run.error->kind) + ',' + csvCell(run.error->message);
    else
        trailing += ',';
    if (options_.criterion) {
        const CriterionResult criterion = evaluateCriterion(run);
        for (std::size_t b = 0; b < criterionBounds(plan_.model()).size(); ++b)
            trailing += std::string(",") + csvBoolean(criterion.bounds.empty() ? std::nullopt
                                                                                : std::optional(criterion.bounds[b]));
        trailing += std::string(",") + csvBoolean(criterion.meets);
    }

    std::string rows;
    const std::span<const ReactorResult> reactors = writtenReactors(run, options_.outletOnly);
    // A row is the leading cells, at most 12 values of 23 characters, the
    // trailing cells.
    rows.reserve((reactors.size() + 1) * (leading.size() + trailing.size() + 12 * 24 + 16));
    if (reactors.empty())
        rows += leading + std::string(kPaneCount, ',') + trailing + '\n';
    for (const ReactorResult& reactor : reactors) {
        rows += leading;
        appendCsvValues(rows, reactor);
        rows += trailing;
        rows += '\n';
    }
    return rows;
}

std::string SweepWriter::jsonPoint(std::size_t index, const RunRecord& run) const
{
    nlohmann::ordered_json point;
    nlohmann::ordered_json fields = nlohmann::ordered_json::object();
    const std::vector<std::string> texts = plan_.sweptTexts(index);
    for (std::size_t f = 0; f < texts.size(); ++f)
        fields[plan_.sweptFields()[f].name] = texts[f];
    point["fields"] = std::move(fields);
    point["reactors"] = nlohmann::ordered_json::array();
    for (const ReactorResult& reactor : writtenReactors(run, options_.outletOnly))
        point["reactors"].push_back(reactorJson(reactor));
    point["error"] = errorJson(run);
    if (options_.criterion) {
        const CriterionResult criterion = evaluateCriterion(run);
        nlohmann::ordered_json bounds = nlohmann::ordered_json::object();
        const auto all = criterionBounds(plan_.model());
        for (std::size_t b = 0; b < all.size(); ++b) {
            if (criterion.bounds.empty())
                bounds[std::string(all[b].label)] = nullptr;
            else
                bounds[std::string(all[b].label)] = bool(criterion.bounds[b]);
        }
        point["criterion"] = std::move(bounds);
        point["meets_criterion"] = criterion.meets;
    }
    return dumpJson(point);
}

} // namespace kaskad::cli
