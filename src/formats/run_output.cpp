// Writing a recorded run as panes, CSV or JSON.
#include "formats/run_output.h"

#include "numeric/utf8.h"
#include "study/point_rows.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <stdexcept>

namespace kaskad::formats {

void writePanes(std::ostream& out, const RunRecord& run, DecimalSeparator separator)
{
    for (int p = 1; p <= kPaneCount; ++p)
        out << kPaneTitles[Pane(p)] << '\n' << run.paneText(Pane(p), separator, "\n");
}

std::string csvValuesHeader()
{
    std::string header;
    for (const study::Column& column : study::reactorColumns())
        (header += header.empty() ? "" : ",") += column.name;
    return header;
}

void writeCsv(std::ostream& out, const RunRecord& run)
{
    out << csvValuesHeader() << '\n';
    std::string row;
    for (const ReactorResult& reactor : run.reactors) {
        row.clear();
        appendCsvValues(row, reactor);
        out << row << '\n';
    }
}

void appendCsvValues(std::string& row, const ReactorResult& reactor)
{
    char buffer[11 + kPaneCount * (1 + kNumberTextCapacity)];
    char* end = std::to_chars(buffer, buffer + 11, reactor.reactor()).ptr;
    for (Pane pane : kStoreOrder) {
        *end++ = ',';
        if (reactor.has(pane))
            end = writeNumberText(end, reactor.value(pane), '.');
    }
    row.append(buffer, end);
}

void appendJsonString(std::string& json, std::string_view text)
{
    // Ill-formed bytes become U+FFFD first, so the dump never meets any.
    json += nlohmann::json(withValidUtf8(text)).dump();
}

void appendReactorJson(std::string& json, const ReactorResult& reactor)
{
    char buffer[kNumberTextCapacity];
    json += "{\"reactor\":";
    json += std::to_string(reactor.reactor());
    for (Pane pane : kStoreOrder) {
        if (!reactor.has(pane))
            continue;
        ((json += ",\"") += quantityName(pane)) += "\":";
        json.append(buffer, writeNumberText(buffer, reactor.value(pane), '.'));
    }
    json += '}';
}

void appendInputsJson(std::string& json, ModelKind model, const FieldTexts& fields)
{
    json += '{';
    for (const FieldDescription& field : modelFields(model)) {
        if (field.field != fieldN)
            json += ',';
        appendJsonString(json, field.name);
        json += ':';
        appendJsonString(json, fields[field.field]);
    }
    json += '}';
}

void appendErrorJson(std::string& json, RunView run)
{
    if (!run.error) {
        json += "null";
        return;
    }
    json += "{\"kind\":";
    appendJsonString(json, run.error->kind);
    json += ",\"message\":";
    appendJsonString(json, run.error->message);
    // The reactor being computed; none while the fields were read.
    json += ",\"reactor\":" + (run.error->reactor > 0 ? std::to_string(run.error->reactor) : "null") + '}';
}

void writeJson(std::ostream& out, const RunRecord& run)
{
    std::string json = "{\"model\":";
    appendJsonString(json, modelName(run.model));
    json += ",\"inputs\":";
    appendInputsJson(json, run.model, run.texts());
    json += ",\"reactors\":[";
    for (const ReactorResult& reactor : run.reactors) {
        if (&reactor != &run.reactors.front())
            json += ',';
        appendReactorJson(json, reactor);
    }
    json += "],\"error\":";
    appendErrorJson(json, run);
    out << json << "}\n";
}

void writeRun(std::ostream& out, const RunRecord& run, OutputFormat format, DecimalSeparator separator)
{
    switch (format) {
    case OutputFormat::panes:
        writePanes(out, run, separator);
        break;
    case OutputFormat::csv:
        writeCsv(out, run);
        break;
    case OutputFormat::json:
        writeJson(out, run);
        break;
    case OutputFormat::text:
        throw std::invalid_argument("a run is written as panes, CSV or JSON");
    }
}

} // namespace kaskad::formats
