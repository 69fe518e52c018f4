// The two reactor designs, and what each shows of itself: its name, the word
// of its result lines and the captions of its input fields.
#pragma once

#include "model/model_window.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kaskad {

enum class ModelKind { bubble, gaslift };

// "bubble" or "gaslift", as the command line and the data files name it.
constexpr std::string_view modelName(ModelKind model) { return model == ModelKind::bubble ? "bubble" : "gaslift"; }

// The model a name gives, if it names one.
constexpr std::optional<ModelKind> modelNamed(std::string_view name)
{
    if (name == modelName(ModelKind::bubble))
        return ModelKind::bubble;
    if (name == modelName(ModelKind::gaslift))
        return ModelKind::gaslift;
    return std::nullopt;
}

// The caption of the model's window: "Тевир Барботажный" or "Тевир Газлифтовый".
constexpr std::string_view modelCaption(ModelKind model)
{
    return model == ModelKind::bubble ? "Тевир Барботажный" : "Тевир Газлифтовый";
}

// The word that opens each result line: "Реактор" in the bubble-column
// window, "реактор" in the gas-lift window.
constexpr std::string_view resultWord(ModelKind model) { return model == ModelKind::bubble ? "Реактор" : "реактор"; }

// An input field of a model: the quantity's short name, the caption of its
// window field and what it is in English.
struct FieldDescription {
    Field field;
    std::string_view name;    // "N", "y10", ...
    std::string_view caption; // the window's caption above the field
    std::string_view help;
    bool converted; // read by the run (the gas-lift db is not)
};

// A field's command-line option, and its column in a sweep's output: "--N", "--wg", ...
inline std::string fieldOption(std::string_view name) { return "--" + std::string(name); }

inline constexpr std::array<FieldDescription, kFieldCount> kBubbleFields = {{
    {fieldN, "N", "число реакторов N", "number of reactors N (rounded to the nearest integer)", true},
    {fieldY10, "y10", "начальная концентрация y10", "entering concentration y10", true},
    {fieldY50, "y50", "начальная концентрация y50", "entering concentration y50", true},
    {fieldWg, "wg", "приведённая скорость воздуха wg", "superficial air velocity wg", true},
    {fieldT, "t", "температура реакции в К t", "temperature of the first reactor t, K", true},
    {fieldDtr, "dtr", "разность температуры в реакторах dtr", "temperature step from reactor to reactor dtr", true},
    {fieldDiameter, "d", "диаметр  реактора d", "reactor diameter d", true},
    {fieldTs, "ts", "среднее время пребывания жидкости в реакторе ts", "mean residence time of the liquid ts", true},
}};

inline constexpr std::array<FieldDescription, kFieldCount> kGasLiftFields = {{
    kBubbleFields[0],
    kBubbleFields[1],
    kBubbleFields[2],
    kBubbleFields[3],
    kBubbleFields[4],
    kBubbleFields[5],
    {fieldDiameter, "db", "диаметр барбатажной трубы db", "draught tube diameter db (accepted, never converted)",
     false},
    kBubbleFields[7],
}};

// A model's input fields, LabeledEdit1..LabeledEdit8 in order.
constexpr std::span<const FieldDescription, kFieldCount> modelFields(ModelKind model)
{
    return model == ModelKind::bubble ? std::span<const FieldDescription, kFieldCount>(kBubbleFields)
                                      : std::span<const FieldDescription, kFieldCount>(kGasLiftFields);
}

} // namespace kaskad
