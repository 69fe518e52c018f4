// Recording a run's result lines.
#include "cli/run_record.h"

#include "model/bubble_column.h"
#include "model/gas_lift.h"
#include "numeric/errors.h"

#include <cstring>
#include <stdexcept>

namespace kaskad::cli {

namespace {

// A window whose panes are strings, and which also takes each result line
// apart into reactor number and value.
class RecordingWindow : public ModelWindow {
public:
    RecordingWindow(const FieldTexts& fields, DecimalSeparator separator, PaneTexts paneTexts, RunRecord& record)
        : fields_(fields), separator_(separator), paneTexts_(paneTexts), record_(record)
    {
    }

    std::string fieldText(int field) const override { return fields_.at(field - 1); }

    // Text that is not a result line has no value to record.
    void appendToPane(int pane, std::string_view text) override
    {
        if (paneTexts_ == PaneTexts::kept)
            record_.panes.at(pane - 1) += text;
    }

    void appendResultLine(int pane, std::int32_t reactor, std::string_view line, std::size_t valueStart) override
    {
        appendToPane(pane, line);
        std::string_view value = line.substr(valueStart);
        if (value.ends_with("\r\n"))
            value.remove_suffix(2);
        recordValue(pane, reactor, value);
    }

private:
    // The value, with "." for the locale's separator, joins its reactor's.
    void recordValue(int pane, std::int32_t reactor, std::string_view value)
    {
        PrintedValue printed(value);
        const std::size_t sep = separator_.text() == "." ? std::string_view::npos : value.find(separator_.text());
        if (sep != std::string_view::npos) {
            char buffer[sizeof(PrintedValue)];
            const std::size_t after = sep + separator_.text().size();
            std::memcpy(buffer, value.data(), sep);
            buffer[sep] = '.';
            std::memcpy(buffer + sep + 1, value.data() + after, value.size() - after);
            printed = PrintedValue(std::string_view(buffer, value.size() - after + sep + 1));
        }

        if (record_.reactors.empty() || record_.reactors.back().reactor != reactor) {
            if (record_.reactors.empty())
                record_.reactors.reserve(32);
            record_.reactors.push_back({reactor, {}});
            record_.reactors.back().values.reserve(kPaneCount);
        }
        record_.reactors.back().values.emplace_back(pane, std::move(printed));
    }

    const FieldTexts& fields_;
    DecimalSeparator separator_;
    PaneTexts paneTexts_;
    RunRecord& record_;
};

} // namespace

std::string_view modelName(ModelKind model)
{
    return model == ModelKind::bubble ? "bubble" : "gaslift";
}

PrintedValue::PrintedValue(std::string_view text)
{
    if (text.size() > sizeof text_)
        throw std::length_error("a printed value longer than a number's text");
    std::memcpy(text_, text.data(), text.size());
    size_ = static_cast<std::uint8_t>(text.size());
}

const PrintedValue* ReactorRecord::valueOf(int pane) const
{
    for (const auto& [p, value] : values)
        if (p == pane)
            return &value;
    return nullptr;
}

RunRecord runRecorded(ModelKind model, const FieldTexts& fields, DecimalSeparator separator,
                      PaneTexts paneTexts)
{
    RunRecord record;
    record.model = model;
    RecordingWindow window(fields, separator, paneTexts, record);
    try {
        if (model == ModelKind::bubble) {
            runBubbleColumn(window, separator);
        } else {
            // The state a freshly created gas-lift window holds.
            const GasLiftWindowState windowState{Single(0.0f)};
            runGasLift(windowState, window, separator);
        }
    } catch (const Exception& error) {
        record.error = ErrorRecord{error.kindName(), reportText(error)};
    }
    return record;
}

} // namespace kaskad::cli
