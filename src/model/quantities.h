// The twelve quantities a run stores for each reactor, one row each: its
// pane, name, pane title, note with its unit, physical limit, chart panel,
// colour and the unit alone where the model fixes one, in the order a run
// stores them. Every list, lookup and message about quantities is derived
// from this table. Header only, so that the
// chart library can use it without linking the model.
#pragma once

#include "model/model_window.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kaskad {

// Where a stored value leaves what its quantity can physically be: a
// negative concentration or flow, a pressure or an absolute temperature not
// above zero. Only bounds the quantity's meaning fixes: ALFA and ALPE,
// heat-transfer quantities whose meaning the model leaves open, have none.
struct PhysicalLimit {
    bool zeroAllowed;        // the value must be at least 0; otherwise above 0
    std::string_view rule;   // the broken condition: "GB < 0"
    std::string_view reason; // what it would mean: "отрицательный расход воздуха"
};

// The panel of the cascade profile chart a quantity is drawn on.
enum class ChartPanel { none, concentrations, flows, conditions };

constexpr std::string_view chartPanelName(ChartPanel panel)
{
    switch (panel) {
    case ChartPanel::none:
        break;
    case ChartPanel::concentrations:
        return "concentrations";
    case ChartPanel::flows:
        return "flows";
    case ChartPanel::conditions:
        return "conditions";
    }
    return "none";
}

struct QuantityDescription {
    Pane pane;
    std::string_view name;  // "y1", as files, options and Python name it
    std::string_view title; // the label above its pane
    std::string_view note;  // what it is and in which unit, for tooltips
    std::optional<PhysicalLimit> limit;
    ChartPanel panel;
    std::uint32_t colour;  // its line on the chart, 0xRRGGBB
    std::string_view unit; // its unit where the model fixes one ("K"), else empty
};

namespace quantity_texts {
inline constexpr std::string_view kConcentration = "отрицательная концентрация";
} // namespace quantity_texts

// In the order a run stores a reactor's values: the composition, then the
// heat-transfer quantities.
inline constexpr std::array<QuantityDescription, kPaneCount> kQuantities = {{
    {paneY1, "y1", "y1 - П - ксилол",
     "концентрация п-ксилола на выходе реактора, в тех же единицах, что входные концентрации y10 и y50",
     PhysicalLimit{true, "y1 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0x1f77b4, ""},
    {paneY2, "y2", "y2 - ПТ - кислота",
     "концентрация п-толуиловой кислоты на выходе реактора, в тех же единицах, что входные концентрации y10 и y50",
     PhysicalLimit{true, "y2 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0xff7f0e, ""},
    {paneY3, "y3", "y3 - ТФК",
     "концентрация терефталевой кислоты на выходе реактора, в тех же единицах, что входные концентрации y10 и y50",
     PhysicalLimit{true, "y3 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0x2ca02c, ""},
    {paneY4, "y4", "y4 - ММ эфир ТФК",
     "концентрация монометилового эфира терефталевой кислоты на выходе реактора, в тех же единицах, что входные "
     "концентрации y10 и y50",
     PhysicalLimit{true, "y4 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0xd62728, ""},
    {paneY5, "y5", "y5 - П - эфир",
     "концентрация п-эфира на выходе реактора, в тех же единицах, что входные концентрации y10 и y50",
     PhysicalLimit{true, "y5 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0x9467bd, ""},
    {paneY6, "y6", "y6 - Вода",
     "концентрация воды на выходе реактора, в тех же единицах, что входные концентрации y10 и y50",
     PhysicalLimit{true, "y6 < 0", quantity_texts::kConcentration}, ChartPanel::concentrations, 0x17becf, ""},
    {paneGB, "GB", "GB воздуха", "количество воздуха для реактора; единица измерения моделью не задана",
     PhysicalLimit{true, "GB < 0", "отрицательный расход воздуха"}, ChartPanel::flows, 0x8c564b, ""},
    {paneWB, "WB", "WB оксидата", "количество оксидата, выходящего из реактора; единица измерения моделью не задана",
     PhysicalLimit{true, "WB < 0", "отрицательное количество оксидата"}, ChartPanel::flows, 0x7f7f7f, ""},
    {paneALFA, "ALFA", "ALFA", "первая величина теплообмена реактора; единица измерения моделью не задана",
     std::nullopt, ChartPanel::none, 0xe377c2, ""},
    {paneALPE, "ALPE", "ALPE", "вторая величина теплообмена реактора; единица измерения моделью не задана",
     std::nullopt, ChartPanel::none, 0xbcbd22, ""},
    {paneT, "t", "Температура в реакторе", "температура в реакторе, К (кельвины)",
     PhysicalLimit{false, "t ≤ 0 К", "температура не выше абсолютного нуля"}, ChartPanel::conditions, 0xd62728, "K"},
    {paneP, "P", "Давление в реакторе", "давление в реакторе; единица измерения моделью не задана",
     PhysicalLimit{false, "P ≤ 0", "давление не выше нуля"}, ChartPanel::conditions, 0x1f77b4, ""},
}};

namespace quantity_table {

// Each pane's row in kQuantities.
constexpr PaneArray<std::size_t> placesByPane()
{
    PaneArray<std::size_t> places{};
    for (std::size_t k = 0; k < kQuantities.size(); ++k)
        places[kQuantities[k].pane] = k;
    return places;
}

template <class T, class Member>
constexpr PaneArray<T> byPane(Member member)
{
    PaneArray<T> values{};
    for (const QuantityDescription& quantity : kQuantities)
        values[quantity.pane] = quantity.*member;
    return values;
}

constexpr std::array<Pane, kPaneCount> storeOrder()
{
    std::array<Pane, kPaneCount> order{};
    for (std::size_t k = 0; k < kQuantities.size(); ++k)
        order[k] = kQuantities[k].pane;
    return order;
}

inline constexpr PaneArray<std::size_t> kPlaces = placesByPane();

} // namespace quantity_table

// The row of a pane's quantity.
constexpr const QuantityDescription& quantityOf(Pane pane) { return kQuantities[quantity_table::kPlaces[pane]]; }

// The order in which a run stores a reactor's values.
inline constexpr std::array<Pane, kPaneCount> kStoreOrder = quantity_table::storeOrder();
// The title label above each pane, Text1..Text12.
inline constexpr PaneArray<std::string_view> kPaneTitles =
    quantity_table::byPane<std::string_view>(&QuantityDescription::title);
// The short name of each pane's quantity, Text1..Text12.
inline constexpr PaneArray<std::string_view> kPaneQuantities =
    quantity_table::byPane<std::string_view>(&QuantityDescription::name);

constexpr std::string_view quantityName(Pane pane) { return quantityOf(pane).name; }

// A quantity's pane from its name.
constexpr std::optional<Pane> quantityNamed(std::string_view name)
{
    for (const QuantityDescription& quantity : kQuantities)
        if (quantity.name == name)
            return quantity.pane;
    return std::nullopt;
}

// The quantities' names for a message, in store order, a run of numbered
// names shortened: "y1..y6, GB, WB, ALFA, ALPE, t" and lastJoin and "P".
inline std::string quantityNamesText(std::string_view lastJoin)
{
    const auto stem = [](std::string_view name) { return name.substr(0, name.find_first_of("0123456789")); };
    std::string text;
    for (std::size_t k = 0; k < kQuantities.size();) {
        std::size_t end = k + 1;
        while (end < kQuantities.size() && stem(kQuantities[end].name) != kQuantities[end].name &&
               stem(kQuantities[end].name) == stem(kQuantities[k].name))
            ++end;
        if (k > 0)
            text += end == kQuantities.size() ? lastJoin : std::string_view(", ");
        text += kQuantities[k].name;
        if (end - k > 1)
            (text += "..") += kQuantities[end - 1].name;
        k = end;
    }
    return text;
}

// The limit a pane's stored value breaks, or none. The stored single or
// double is compared as it is: a negative zero is zero.
inline const PhysicalLimit* brokenPhysicalLimit(Pane pane, double value)
{
    const std::optional<PhysicalLimit>& limit = quantityOf(pane).limit;
    if (!limit)
        return nullptr;
    return (limit->zeroAllowed ? value < 0 : !(value > 0)) ? &*limit : nullptr;
}

} // namespace kaskad
