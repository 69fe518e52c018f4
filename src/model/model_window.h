// What a calculation sees of its window: the texts of the input fields and
// the output panes it appends to.
#pragma once

#include "numeric/number_text.h"
#include "numeric/result_line.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kaskad {

class ModelWindow {
public:
    virtual ~ModelWindow() = default;
    // The whole text of input field LabeledEditN, N = 1..8.
    virtual std::string fieldText(int field) const = 0;
    // Adds text at the end of output pane TextN, N = 1..12, after whatever
    // it holds.
    virtual void appendToPane(int pane, std::string_view text) = 0;
};

// The output panes by what they show.
enum Pane : int {
    paneY1 = 1, paneY2, paneY3, paneY4, paneY5, paneY6,
    paneGB, paneALFA, paneWB, paneALPE, paneT, paneP,
};
inline constexpr int kPaneCount = 12;
inline constexpr int kFieldCount = 8;

// The title label above each pane, Text1..Text12.
inline constexpr std::array<std::string_view, kPaneCount> kPaneTitles = {
    "y1 - П - ксилол", "y2 - ПТ - кислота", "y3 - ТФК",   "y4 - ММ эфир ТФК",
    "y5 - П - эфир",   "y6 - Вода",          "GB воздуха", "ALFA",
    "WB оксидата",     "ALPE",               "Температура в реакторе", "Давление в реакторе",
};
// The short name of each pane's quantity, Text1..Text12.
inline constexpr std::array<std::string_view, kPaneCount> kPaneQuantities = {
    "y1", "y2", "y3", "y4", "y5", "y6", "GB", "ALFA", "WB", "ALPE", "t", "P",
};

// A window made of plain strings, for the command line and for tests.
class TextModelWindow : public ModelWindow {
public:
    std::array<std::string, kFieldCount> fields;
    std::array<std::string, kPaneCount> panes;

    std::string fieldText(int field) const override { return fields.at(field - 1); }
    void appendToPane(int pane, std::string_view text) override { panes.at(pane - 1) += text; }
};

// Appends the result lines of one reactor: the word of the window, the
// reactor number and the stored value.
class ResultWriter {
public:
    ResultWriter(ModelWindow& window, std::string_view word, DecimalSeparator separator)
        : window_(window), word_(word), separator_(separator)
    {
    }
    // storedValue is a single or a double, widened exactly.
    void append(int pane, std::int32_t reactor, double storedValue)
    {
        formResultLine(line_, word_, reactor, storedValue, separator_);
        window_.appendToPane(pane, line_);
    }

private:
    ModelWindow& window_;
    std::string_view word_;
    DecimalSeparator separator_;
    std::string line_;
};

} // namespace kaskad
