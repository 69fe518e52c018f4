// Writing a recorded run as panes, CSV or JSON.
#include "cli/output.h"

namespace kaskad::cli {

namespace {

std::string withUnixLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

} // namespace

void writePanes(std::ostream& out, const RunRecord& run)
{
    for (int p = 0; p < kPaneCount; ++p)
        out << kPaneTitles[p] << '\n' << withUnixLineEnds(run.panes[p]);
}

void writeCsv(std::ostream& out, const RunRecord& run)
{
    out << "reactor";
    for (int pane : kCsvPaneOrder)
        out << ',' << kPaneQuantities[pane - 1];
    out << '\n';
    for (const ReactorRecord& reactor : run.reactors) {
        std::string row = std::to_string(reactor.reactor);
        appendCsvValues(row, reactor);
        out << row << '\n';
    }
}

void appendCsvValues(std::string& row, const ReactorRecord& reactor)
{
    std::array<const PrintedValue*, kPaneCount + 1> byPane{};
    for (const auto& [pane, value] : reactor.values)
        byPane[static_cast<std::size_t>(pane)] = &value;
    for (int pane : kCsvPaneOrder) {
        row += ',';
        if (const PrintedValue* value = byPane[static_cast<std::size_t>(pane)])
            row += value->view();
    }
}

nlohmann::ordered_json reactorJson(const ReactorRecord& reactor)
{
    nlohmann::ordered_json object;
    object["reactor"] = reactor.reactor;
    for (const auto& [pane, value] : reactor.values)
        object[std::string(kPaneQuantities[pane - 1])] = std::string(value.view());
    return object;
}

void writeJson(std::ostream& out, const RunRecord& run)
{
    nlohmann::ordered_json json;
    json["model"] = modelName(run.model);
    json["reactors"] = nlohmann::ordered_json::array();
    for (const ReactorRecord& reactor : run.reactors)
        json["reactors"].push_back(reactorJson(reactor));
    if (run.error)
        json["error"] = {{"kind", run.error->kind}, {"message", run.error->message}};
    else
        json["error"] = nullptr;
    // A field text need not be valid UTF-8; the message that quotes it is
    // written with replacement characters rather than failing.
    out << json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

void writeRun(std::ostream& out, const RunRecord& run, OutputFormat format)
{
    switch (format) {
    case OutputFormat::panes:
        writePanes(out, run);
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
