// The uncertainty study's result as text and as JSON, every number with the
// general format's 15 significant digits.
#include "formats/uncertainty_output.h"

#include "formats/design_output.h"

#include <string>
#include <vector>

namespace kaskad::formats {

namespace {

using study::IndexEstimate;
using study::OutputIndices;
using study::Summary;
using study::UncertaintyResult;

std::string number(long double value) { return std::string(NumberToText(value, '.')); }

std::string quoted(std::string_view text) { return '"' + std::string(text) + '"'; }

std::string levelName(double level) { return number(level); }

// The summaries' rows: the margin first, then the quantities asked for.
std::vector<std::pair<std::string, const std::optional<Summary>*>> summaryRows(const UncertaintyResult& result)
{
    std::vector<std::pair<std::string, const std::optional<Summary>*>> rows{{"margin", &result.margin}};
    for (const auto& [pane, summary] : result.quantities)
        rows.emplace_back(std::string(quantityName(pane)), &summary);
    return rows;
}

std::string intervalText(long double lower, long double upper)
{
    return "[" + number(lower) + ", " + number(upper) + "]";
}

void writeSummaryTable(std::ostream& out, const UncertaintyResult& result)
{
    std::vector<std::vector<std::string>> rows{{"quantity", "runs", "mean", "std"}};
    for (const double level : study::kQuantileLevels)
        rows.front().push_back("q" + levelName(level));
    for (const auto& [name, summary] : summaryRows(result)) {
        std::vector<std::string>& row = rows.emplace_back(std::vector<std::string>{name});
        if (!*summary) {
            row.insert(row.end(), {"0", "-", "-"});
            continue;
        }
        row.insert(row.end(),
                   {std::to_string((*summary)->count), number((*summary)->mean), number((*summary)->deviation)});
        for (const double quantile : (*summary)->quantiles)
            row.push_back(number(quantile));
    }
    writeTable(out, rows);
}

void writeIndicesText(std::ostream& out, const study::SobolIndices& indices)
{
    out << "\nSobol' indices (" << indices.evaluations << " more runs, 95 % bootstrap intervals):\n";
    for (const OutputIndices& output : indices.outputs) {
        if (!output.inputs) {
            out << "  " << output.output << ": not estimated, " << output.rowsWithout << " runs gave no value\n";
            continue;
        }
        std::vector<std::vector<std::string>> rows{{output.output, "first", "interval", "total", "interval"}};
        for (const study::InputIndices& input : *output.inputs)
            rows.push_back({input.input, number(input.first.value), intervalText(input.first.lower, input.first.upper),
                            number(input.total.value), intervalText(input.total.lower, input.total.upper)});
        writeTable(out, rows);
    }
}

void writeRareText(std::ostream& out, const study::RareEventResult& rare, const std::vector<std::string>& fieldNames)
{
    out << "\nProbability of missing the criterion (" << rare.evaluations << " more runs):\n"
        << "  FORM             " << number(rare.formProbability) << "  (reliability index "
        << number(rare.reliabilityIndex) << ")\n"
        << "  subset sampling  " << number(rare.subsetProbability) << "  (coefficient of variation "
        << number(rare.subsetCoefficientOfVariation) << ")\n"
        << "  design point    ";
    for (std::size_t k = 0; k < rare.designPoint.size() && k < fieldNames.size(); ++k)
        out << ' ' << fieldNames[k] << '=' << number(rare.designPoint[k]);
    out << '\n';
}

void writeText(std::ostream& out, const UncertaintyRequest& request, const UncertaintyResult& result)
{
    out << modelName(request.model) << ", N = " << request.reactors << ": " << request.samples << ' '
        << study::samplingMethodName(request.method) << " samples, seed " << request.seed << '\n';
    if (result.stopped)
        out << "stopped: the figures below cover the runs made\n";
    out << "runs: " << result.evaluations << ", failed: " << result.failedRuns << '\n'
        << "P(meets criterion) = " << number(result.meets.value) << "  95 % Wilson interval "
        << intervalText(result.meets.lower, result.meets.upper) << "\n\n";
    writeSummaryTable(out, result);
    if (result.indices)
        writeIndicesText(out, *result.indices);
    if (result.rare)
        writeRareText(out, *result.rare, result.fields);
}

std::string summaryJson(const std::optional<Summary>& summary)
{
    if (!summary)
        return "null";
    std::string json = "{\"runs\":" + std::to_string(summary->count) + ",\"mean\":" + number(summary->mean) +
                       ",\"std\":" + number(summary->deviation) + ",\"quantiles\":{";
    for (std::size_t k = 0; k < study::kQuantileLevels.size(); ++k)
        json += (k > 0 ? "," : "") + quoted(levelName(study::kQuantileLevels[k])) + ":" + number(summary->quantiles[k]);
    return json + "}}";
}

std::string estimateJson(std::string_view name, const IndexEstimate& estimate)
{
    return quoted(name) + ":" + number(estimate.value) + "," + quoted(std::string(name) + "_ci95") + ":[" +
           number(estimate.lower) + "," + number(estimate.upper) + "]";
}

std::string indicesJson(const study::SobolIndices& indices)
{
    std::string json = "{";
    for (const OutputIndices& output : indices.outputs) {
        json += (&output != &indices.outputs.front() ? "," : "") + quoted(output.output) + ":";
        if (!output.inputs) {
            json += "null";
            continue;
        }
        json += "{";
        for (std::size_t k = 0; k < output.inputs->size(); ++k) {
            const study::InputIndices& input = (*output.inputs)[k];
            json += (k > 0 ? "," : "") + quoted(input.input) + ":{" + estimateJson("first", input.first) + "," +
                    estimateJson("total", input.total) + "}";
        }
        json += "}";
    }
    return json + "}";
}

std::string rareJson(const study::RareEventResult& rare, const std::vector<std::string>& fieldNames)
{
    std::string json = "{\"evaluations\":" + std::to_string(rare.evaluations) +
                       ",\"form\":{\"probability\":" + number(rare.formProbability) +
                       ",\"reliability_index\":" + number(rare.reliabilityIndex) + ",\"design_point\":{";
    for (std::size_t k = 0; k < rare.designPoint.size() && k < fieldNames.size(); ++k)
        json += (k > 0 ? "," : "") + quoted(fieldNames[k]) + ":" + number(rare.designPoint[k]);
    return json + "}},\"subset\":{\"probability\":" + number(rare.subsetProbability) +
           ",\"coefficient_of_variation\":" + number(rare.subsetCoefficientOfVariation) + "}}";
}

void writeJson(std::ostream& out, const UncertaintyRequest& request, const UncertaintyResult& result)
{
    std::string json = "{\"model\":" + quoted(modelName(request.model)) + ",\"N\":" + std::to_string(request.reactors) +
                       ",\"method\":" + quoted(study::samplingMethodName(request.method)) +
                       ",\"samples\":" + std::to_string(request.samples) + ",\"seed\":" + std::to_string(request.seed) +
                       ",\"stopped\":" + (result.stopped ? "true" : "false") +
                       ",\"evaluations\":" + std::to_string(result.evaluations) +
                       ",\"failed_runs\":" + std::to_string(result.failedRuns) +
                       ",\"probability_meets\":{\"value\":" + number(result.meets.value) + ",\"ci95\":[" +
                       number(result.meets.lower) + "," + number(result.meets.upper) + "]},\"quantities\":{";
    const auto rows = summaryRows(result);
    for (std::size_t k = 0; k < rows.size(); ++k)
        json += (k > 0 ? "," : "") + quoted(rows[k].first) + ":" + summaryJson(*rows[k].second);
    json += "},\"indices\":" + (result.indices ? indicesJson(*result.indices) : "null");
    json += ",\"index_evaluations\":" + (result.indices ? std::to_string(result.indices->evaluations) : "0");
    json += ",\"rare\":" + (result.rare ? rareJson(*result.rare, result.fields) : "null");
    out << json << "}\n";
}

} // namespace

void writeUncertaintyResult(std::ostream& out, const UncertaintyRequest& request, const UncertaintyResult& result,
                            OutputFormat format)
{
    if (format == OutputFormat::json)
        writeJson(out, request, result);
    else
        writeText(out, request, result);
}

} // namespace kaskad::formats
