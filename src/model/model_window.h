// What a calculation sees of its window: the output panes that receive each
// stored value with the line showing it, and the fields and panes by name.
#pragma once

#include "numeric/number_text.h"
#include "numeric/result_line.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kaskad {

// The output panes by what they show, Text1..Text12.
enum Pane : int {
    paneY1 = 1,
    paneY2,
    paneY3,
    paneY4,
    paneY5,
    paneY6,
    paneGB,
    paneALFA,
    paneWB,
    paneALPE,
    paneT,
    paneP,
};
inline constexpr int kPaneCount = 12;

// The input fields by what they hold, LabeledEdit1..LabeledEdit8. The
// seventh is the reactor diameter d of the bubble column and the draught
// tube diameter db of the gas-lift reactor.
enum Field : int {
    fieldN = 1,
    fieldY10,
    fieldY50,
    fieldWg,
    fieldT,
    fieldDtr,
    fieldDiameter,
    fieldTs,
};
inline constexpr int kFieldCount = 8;

// An array with an element per pane or per field, indexed by the pane or
// the field itself (Text1 and LabeledEdit1 first). A plain number does not
// index it: 1 for Text1 and 0 for the first element are too easily mixed up.
template <class T, class Index, std::size_t count>
struct IndexedArray : std::array<T, count> {
    constexpr T& operator[](Index which) { return std::array<T, count>::operator[](place(which)); }
    constexpr const T& operator[](Index which) const { return std::array<T, count>::operator[](place(which)); }
    T& operator[](std::size_t) = delete;
    const T& operator[](std::size_t) const = delete;

    static constexpr std::size_t place(Index which) { return static_cast<std::size_t>(which) - 1; }
};
template <class T>
using PaneArray = IndexedArray<T, Pane, kPaneCount>;
template <class T>
using FieldArray = IndexedArray<T, Field, kFieldCount>;

class ResultWriter;

// One value a run stores for a reactor: a single or a double, widened
// exactly. Its pane line is formed only when a window asks for it.
struct StoredResult {
    Pane pane;
    std::int32_t reactor;
    double value;

    // "Реактор1   0.0199999995529652": the line the pane shows, without the
    // pane's line end.
    std::string_view line() const;

    const ResultWriter* writer;
};

class ModelWindow {
public:
    virtual ~ModelWindow() = default;
    // The run starts computing reactor i; the results that follow are its.
    virtual void beginReactor(std::int32_t reactor) { (void)reactor; }
    // A stored value for the end of its pane.
    virtual void appendResult(const StoredResult& result) = 0;
};

// Hands a window the stored values of each reactor, and forms their lines
// with the word of the window and its decimal separator when asked.
class ResultWriter {
public:
    ResultWriter(ModelWindow& window, std::string_view word, DecimalSeparator separator)
        : window_(window), word_(word), separator_(separator)
    {}
    void beginReactor(std::int32_t reactor) { window_.beginReactor(reactor); }
    // storedValue is a single or a double, widened exactly.
    void append(Pane pane, std::int32_t reactor, double storedValue)
    {
        window_.appendResult(StoredResult{pane, reactor, storedValue, this});
    }
    std::string_view line(const StoredResult& result) const
    {
        if (result.reactor != prefixReactor_) {
            line_.resize(word_.size() + kResultLineCapacityBeyondWord);
            prefixLength_ =
                static_cast<std::size_t>(writeResultLinePrefix(line_.data(), word_, result.reactor) - line_.data());
            prefixReactor_ = result.reactor;
        }
        const char* end = writeResultLineValue(line_.data() + prefixLength_, result.value, separator_);
        return {line_.data(), static_cast<std::size_t>(end - line_.data())};
    }

private:
    ModelWindow& window_;
    std::string_view word_;
    DecimalSeparator separator_;
    // The last line formed; its prefix stays for all twelve lines of a
    // reactor.
    mutable std::string line_;
    mutable std::size_t prefixLength_ = 0;
    mutable std::int32_t prefixReactor_ = 0;
};

inline std::string_view StoredResult::line() const { return writer->line(*this); }

} // namespace kaskad
