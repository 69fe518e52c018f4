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

std::string marginText(const std::optional<double>& margin)
{
    if (!margin)
        return {};
    char buffer[kNumberTextCapacity];
    return {buffer, writeNumberText(buffer, *margin, '.')};
}

// ",error_kind,error_message" cells of a run.
std::string csvErrorCells(const RunRecord& run)
{
    if (!run.error)
        return ",,";
    return ',' + csvCell(run.error->kind) + ',' + csvCell(run.error->message);
}

// The criterion cells of a point: one per bound, meets_criterion and
// criterion_margin.
std::string csvCriterionCells(const CriterionResult& criterion, std::size_t boundCount)
{
    std::string cells;
    for (std::size_t b = 0; b < boundCount; ++b)
        cells += std::string(",") +
                 csvBoolean(criterion.bounds.empty() ? std::nullopt : std::optional(bool(criterion.bounds[b])));
    cells += std::string(",") + csvBoolean(criterion.meets);
    return cells + ',' + marginText(criterion.margin);
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
    for (const FieldDescription& field : modelFields(plan.model()))
        columns.push_back("--" + std::string(field.name));
    columns.emplace_back("reactor");
    for (Pane pane : kStoreOrder)
        columns.emplace_back(quantityName(pane));
    columns.emplace_back("error_kind");
    columns.emplace_back("error_message");
    if (options.withCriterion()) {
        for (const CriterionBound& bound : criterionBounds(plan.model()))
            columns.emplace_back(bound.label);
        columns.emplace_back("meets_criterion");
        columns.emplace_back("criterion_margin");
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
    if (options_.format == OutputFormat::json)
        out_ << "{\"model\":\"" << modelName(plan_.model()) << "\",\"points\":[";
    else if (options_.header)
        out_ << csvHeader() << '\n';
}

std::string SweepWriter::csvHeader() const
{
    std::string header;
    for (const std::string& column : sweepCsvColumns(plan_, options_))
        (header += header.empty() ? "" : ",") += column;
    return header;
}

std::optional<FormattedPoint> SweepWriter::format(std::size_t index, const RunRecord& run) const
{
    FormattedPoint point;
    std::optional<CriterionResult> criterion;
    if (options_.criterion) {
        criterion = evaluateCriterion(run);
        if (options_.onlyMeeting && !criterion->meets)
            return std::nullopt;
        if (options_.best > 0 && !criterion->margin)
            return std::nullopt;
        point.margin = criterion->margin;
    }
    point.text = options_.format == OutputFormat::json ? jsonPoint(index, run, criterion)
                                                       : csvPoint(index, run, criterion);
    return point;
}

void SweepWriter::write(std::size_t index, std::optional<FormattedPoint>&& point)
{
    if (!point)
        return;
    if (options_.best == 0) {
        writeText(point->text);
        return;
    }
    if (best_.size() == options_.best && std::pair(-*point->margin, index) > best_.rbegin()->first)
        return;
    best_.emplace(std::pair(-*point->margin, index), std::move(point->text));
    if (best_.size() > options_.best)
        best_.erase(std::prev(best_.end()));
}

void SweepWriter::writeText(const std::string& text)
{
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? ",\n" : "\n");
    out_ << text;
    wrotePoint_ = true;
}

void SweepWriter::point(std::size_t index, const RunRecord& run) { write(index, format(index, run)); }

void SweepWriter::end()
{
    for (const auto& [key, text] : best_)
        writeText(text);
    best_.clear();
    if (options_.format == OutputFormat::json)
        out_ << (wrotePoint_ ? "\n]}\n" : "]}\n");
    out_.flush();
}

std::string SweepWriter::csvPoint(std::size_t index, const RunRecord& run,
                                  const std::optional<CriterionResult>& criterion) const
{
    std::string leading;
    for (const std::string& text : plan_.pointFields(index))
        leading += csvCell(text) + ',';
    std::string trailing = csvErrorCells(run);
    if (criterion)
        trailing += csvCriterionCells(*criterion, criterionBounds(plan_.model()).size());

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

std::string SweepWriter::jsonPoint(std::size_t index, const RunRecord& run,
                                   const std::optional<CriterionResult>& criterion) const
{
    std::string json = "{\"inputs\":";
    appendInputsJson(json, plan_.model(), plan_.pointFields(index));
    json += ",\"reactors\":[";
    bool first = true;
    for (const ReactorResult& reactor : writtenReactors(run, options_.outletOnly)) {
        if (!std::exchange(first, false))
            json += ',';
        appendReactorJson(json, reactor);
    }
    json += "],\"error\":";
    appendErrorJson(json, run);
    if (criterion) {
        json += ",\"criterion\":{";
        const auto bounds = criterionBounds(plan_.model());
        for (std::size_t b = 0; b < bounds.size(); ++b) {
            if (b > 0)
                json += ',';
            appendJsonString(json, bounds[b].label);
            json += criterion->bounds.empty() ? ":null" : criterion->bounds[b] ? ":true" : ":false";
        }
        json += "},\"meets_criterion\":";
        json += criterion->meets ? "true" : "false";
        json += ",\"criterion_margin\":";
        json += criterion->margin ? marginText(criterion->margin) : "null";
    }
    return json + '}';
}

} // namespace kaskad::cli
