// What a calculation sees of its window: the texts of the input fields and
// the output panes it appends to.
#pragma once

#include "numeric/number_text.h"
#include "numeric/result_line.h"

#include <algorithm>
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
    // Appends one reactor's result line to a pane: the line as appendToPane
    // takes it, with the reactor number and where the value's text starts,
    // for a window that records values rather than text.
    virtual void appendResultLine(int pane, std::int32_t reactor, std::string_view line, std::size_t valueStart)
    {
        (void)reactor;
        (void)valueStart;
        appendToPane(pane, line);
    }
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
    void appendToPane(int pane, std::string_view text) override
    {
        std::string& paneText = panes.at(pane - 1);
        // Room for a run's worth of lines at once rather than doubling up to it.
        if (paneText.capacity() < paneText.size() + text.size())
            paneText.reserve(std::max<std::size_t>(2 * paneText.capacity(), 2048));
        paneText += text;
    }
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
        if (reactor != prefixReactor_) {
            line_.resize(word_.size() + kResultLineCapacityBeyondWord);
            prefixLength_ = static_cast<std::size_t>(writeResultLinePrefix(line_.data(), word_, reactor) - line_.data());
            prefixReactor_ = reactor;
        }
        const char* end = writeResultLineValue(line_.data() + prefixLength_, storedValue, separator_);
        window_.appendResultLine(pane, reactor, std::string_view(line_.data(), static_cast<std::size_t>(end - line_.data())),
                                 prefixLength_);
    }

private:
    ModelWindow& window_;
    std::string_view word_;
    DecimalSeparator separator_;
    // The line being formed; its prefix stays for all twelve lines of a
    // reactor.
    std::string line_;
    std::size_t prefixLength_ = 0;
    std::int32_t prefixReactor_ = 0;
};

} // namespace kaskad
