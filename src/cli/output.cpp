// Writing a recorded run as panes, CSV or JSON.
#include "cli/output.h"

#include <charconv>

namespace kaskad::cli {

namespace {

// The pane's result lines with "\n" for each "\r\n".
std::string withUnixLineEnds(std::string text)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            text[kept++] = text[i];
    text.resize(kept);
    return text;
}

} // namespace

void writePanes(std::ostream& out, const RunRecord& run, DecimalSeparator separator)
{
    for (int p = 1; p <= kPaneCount; ++p)
        out << kPaneTitles[p - 1] << '\n' << withUnixLineEnds(run.paneText(Pane(p), separator));
}

std::string csvValuesHeader()
{
    std::string header = "reactor";
    for (Pane pane : kStoreOrder)
        (header += ',') += quantityName(pane);
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

nlohmann::ordered_json reactorJson(const ReactorResult& reactor)
{
    nlohmann::ordered_json object;
    object["reactor"] = reactor.reactor();
    for (Pane pane : kStoreOrder)
        if (reactor.has(pane))
            object[std::string(quantityName(pane))] = reactor.text(pane, '.');
    return object;
}

nlohmann::ordered_json errorJson(const RunRecord& run)
{
    if (!run.error)
        return nullptr;
    return {{"kind", run.error->kind}, {"message", run.error->message}};
}

std::string dumpJson(const nlohmann::ordered_json& json)
{
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void writeJson(std::ostream& out, const RunRecord& run)
{
    nlohmann::ordered_json json;
    json["model"] = modelName(run.model);
    json["reactors"] = nlohmann::ordered_json::array();
    for (const ReactorResult& reactor : run.reactors)
        json["reactors"].push_back(reactorJson(reactor));
    json["error"] = errorJson(run);
    out << dumpJson(json) << '\n';
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
    }
}

} // namespace kaskad::cli
