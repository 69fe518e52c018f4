// A model run on plain strings, recorded reactor by reactor for the command
// line's output formats.
#pragma once

#include "model/model_window.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaskad::cli {

enum class ModelKind { bubble, gaslift };

std::string_view modelName(ModelKind model);

// A printed value, held inline: a pane's number takes at most 23 characters,
// so recording a run's hundreds of values allocates nothing for them.
class PrintedValue {
public:
    PrintedValue() = default;
    PrintedValue(std::string_view text);
    PrintedValue(const char* text) : PrintedValue(std::string_view(text)) {}

    std::string_view view() const { return {text_, size_}; }
    operator std::string_view() const { return view(); }
    friend bool operator==(const PrintedValue& a, std::string_view b) { return a.view() == b; }

private:
    char text_[31] = {};
    std::uint8_t size_ = 0;
};

// The values one reactor appended, in append order: the pane and the printed
// value with "." as decimal separator.
struct ReactorRecord {
    std::int32_t reactor = 0;
    std::vector<std::pair<int, PrintedValue>> values;

    // The printed value of a pane, or nullptr when the reactor has no line in it.
    const PrintedValue* valueOf(int pane) const;
};

struct ErrorRecord {
    std::string kind;     // "EZeroDivide", ...
    std::string message;  // as the report shows it, with its closing "."
};

struct RunRecord {
    ModelKind model = ModelKind::bubble;
    std::array<std::string, kPaneCount> panes;  // exactly as the window's panes
    std::vector<ReactorRecord> reactors;
    std::optional<ErrorRecord> error;
};

// The field texts of a run, LabeledEdit1..LabeledEdit8.
using FieldTexts = std::array<std::string, kFieldCount>;

// What a recording keeps: the panes' whole texts too, or only the values of
// each reactor (lighter, for sweeps of many runs).
enum class PaneTexts { kept, dropped };

// Runs the model on the field texts. A failure of the run is recorded, with
// everything appended before it; it is not thrown.
RunRecord runRecorded(ModelKind model, const FieldTexts& fields, DecimalSeparator separator,
                      PaneTexts paneTexts = PaneTexts::kept);

} // namespace kaskad::cli
