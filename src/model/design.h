// The reactor designs, each described once: its name, its window's caption,
// the word of its result lines, its input fields with the width each is
// stored at, its criterion and its run. Everything else asks the description;
// a choice by design is a switch over ModelKind that the compiler checks.
#pragma once

#include "model/bubble_column.h"
#include "model/gas_lift.h"
#include "model/model_inputs.h"
#include "model/model_window.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kaskad {

enum class ModelKind { bubble, gaslift };

// Every design, in the order the programs list them.
inline constexpr std::array<ModelKind, 2> kModelKinds = {ModelKind::bubble, ModelKind::gaslift};

// An input field of a design: the quantity's short name, the caption of its
// window field, what it is in English and in the window's tooltip, and how
// the run stores it.
struct FieldDescription {
    Field field;
    std::string_view name;    // "N", "y10", ...
    std::string_view caption; // the window's caption above the field
    std::string_view help;
    std::string_view note; // the tooltip of the window's field and its caption
    FieldStorage storage;
    std::string_view example; // the worked example's text, where a field is not given

    // Read by the run (the gas-lift db is not).
    constexpr bool converted() const { return storage != FieldStorage::unread; }
};

// One bound of a window's optimality criterion as the window prints it
// ("y3<=0.91", "1.67<=y5<=2.33"). The limits are the extended values nearest
// to the printed decimals.
struct CriterionBound {
    Pane pane;
    std::string_view label;
    std::optional<long double> atLeast;
    std::optional<long double> atMost;
};

inline constexpr CriterionBound kCriterionY1 = {paneY1, "y1<=0.02", std::nullopt, 0.02L};
inline constexpr CriterionBound kCriterionY2 = {paneY2, "y2>=1.47", 1.47L, std::nullopt};
inline constexpr CriterionBound kCriterionY3 = {paneY3, "y3<=0.91", std::nullopt, 0.91L};
inline constexpr CriterionBound kCriterionY4 = {paneY4, "y4>=1.06", 1.06L, std::nullopt};
inline constexpr CriterionBound kCriterionY5 = {paneY5, "1.67<=y5<=2.33", 1.67L, 2.33L};

// Computes reactors 1..N of a design from its inputs, handing each stored
// value to the window through `out`, which forms its lines with the design's
// result word; the first error ends the run.
using RunFunction = void (*)(const ModelInputs& inputs, ResultWriter& out);

struct DesignDescription {
    ModelKind kind;
    std::string_view name;                            // "bubble", as the command line and the data files name it
    std::string_view caption;                         // the caption of its window
    std::string_view resultWord;                      // the word that opens each result line
    std::string_view title;                           // "Bubble-column reactors", as the command line's help names it
    std::array<FieldDescription, kFieldCount> fields; // LabeledEdit1..LabeledEdit8
    std::span<const CriterionBound> criterion;
    RunFunction run;
};

namespace designs {

inline constexpr std::array<FieldDescription, kFieldCount> kBubbleFields = {{
    {fieldN, "N", "число реакторов N", "number of reactors N (rounded to the nearest integer)",
     "Число реакторов в каскаде N; дробное число округляется до ближайшего целого.", FieldStorage::count, "24"},
    {fieldY10, "y10", "начальная концентрация y10", "entering concentration y10",
     "Концентрация y1 (п-ксилол) в жидкости, входящей в первый реактор; единица измерения моделью не задана.",
     FieldStorage::single, "3"},
    {fieldY50, "y50", "начальная концентрация y50", "entering concentration y50",
     "Концентрация y5 (п-эфир) в жидкости, входящей в первый реактор; единица измерения моделью не задана.",
     FieldStorage::single, "2.5"},
    {fieldWg, "wg", "приведённая скорость воздуха wg", "superficial air velocity wg",
     "Приведённая скорость воздуха wg; единица измерения моделью не задана.", FieldStorage::single, "0.05"},
    {fieldT, "t", "температура реакции в К t", "temperature of the first reactor t, K",
     "Температура в первом реакторе t, К (кельвины).", FieldStorage::single, "433"},
    {fieldDtr, "dtr", "разность температуры в реакторах dtr", "temperature step from reactor to reactor dtr",
     "Разность температур соседних реакторов dtr, К: каждый следующий реактор на dtr теплее.", FieldStorage::single,
     "2"},
    {fieldDiameter, "d", "диаметр  реактора d", "reactor diameter d",
     "Диаметр реактора d: от него зависят объём реактора и расход воздуха; единица измерения моделью не задана.",
     FieldStorage::wide, "3"},
    {fieldTs, "ts", "среднее время пребывания жидкости в реакторе ts", "mean residence time of the liquid ts",
     "Среднее время пребывания жидкости в одном реакторе ts; единица измерения моделью не задана.",
     FieldStorage::single, "3600"},
}};

// The gas-lift fields are the bubble column's but for the seventh, the
// draught tube's diameter, which the run never reads.
constexpr std::array<FieldDescription, kFieldCount> gasLiftFields()
{
    std::array<FieldDescription, kFieldCount> fields = kBubbleFields;
    fields[6] = {fieldDiameter,
                 "db",
                 "диаметр барбатажной трубы db",
                 "draught tube diameter db (accepted, never converted)",
                 "Диаметр барботажной трубы db. Газлифтовый расчёт это поле не читает: диаметр трубы в модели "
                 "постоянный.",
                 FieldStorage::unread,
                 ""};
    // The gas-lift worked example enters y50 at 2 and starts at 450 K.
    fields[2].example = "2";
    fields[4].example = "450";
    return fields;
}

inline constexpr CriterionBound kBubbleBounds[] = {kCriterionY2, kCriterionY3, kCriterionY4, kCriterionY5};
inline constexpr CriterionBound kGasLiftBounds[] = {kCriterionY1, kCriterionY2, kCriterionY3, kCriterionY4,
                                                    kCriterionY5};

inline constexpr DesignDescription kBubbleColumn = {
    ModelKind::bubble,        "bubble",      "Тевир Барботажный", "Реактор",
    "Bubble-column reactors", kBubbleFields, kBubbleBounds,       &runBubbleColumn,
};

inline constexpr DesignDescription kGasLift = {
    ModelKind::gaslift,  "gaslift",       "Тевир Газлифтовый", "реактор",
    "Gas-lift reactors", gasLiftFields(), kGasLiftBounds,      &runGasLiftAsCreated,
};

} // namespace designs

// The description of a design.
constexpr const DesignDescription& describe(ModelKind model)
{
    switch (model) {
    case ModelKind::bubble:
        return designs::kBubbleColumn;
    case ModelKind::gaslift:
        break;
    }
    return designs::kGasLift;
}

// The design a name gives, if it names one.
std::optional<ModelKind> modelNamed(std::string_view name);

// "bubble" or "gaslift".
constexpr std::string_view modelName(ModelKind model) { return describe(model).name; }
// "Тевир Барботажный" or "Тевир Газлифтовый".
constexpr std::string_view modelCaption(ModelKind model) { return describe(model).caption; }
// "Реактор" in the bubble-column window, "реактор" in the gas-lift window.
constexpr std::string_view resultWord(ModelKind model) { return describe(model).resultWord; }
// A design's input fields, LabeledEdit1..LabeledEdit8 in order.
constexpr std::span<const FieldDescription, kFieldCount> modelFields(ModelKind model) { return describe(model).fields; }
// The bounds of a design's criterion: gas-lift y1..y5, bubble-column y2..y5.
constexpr std::span<const CriterionBound> criterionBounds(ModelKind model) { return describe(model).criterion; }

// A field's command-line option, and its column in a sweep's output: "--N", "--wg", ...
inline std::string fieldOption(std::string_view name) { return "--" + std::string(name); }

// Reads the inputs a design's run takes from the field texts, in field
// order, each stored at its field's width. Raises the first error:
// EConvertError for a text that is no number, or the error of a store.
ModelInputs readModelInputs(ModelKind model, const FieldTexts& texts, DecimalSeparator separator);

// Runs a design on its inputs as a freshly opened window would, its lines
// formed with the design's word and the separator; an error is thrown.
void runModel(ModelKind model, const ModelInputs& inputs, ModelWindow& window, DecimalSeparator separator);
// The same after reading the inputs from the field texts.
void runModel(ModelKind model, const FieldTexts& texts, ModelWindow& window, DecimalSeparator separator);

} // namespace kaskad
