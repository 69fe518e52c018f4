// Where a stored value leaves what its quantity can physically be: a
// negative concentration or flow, a pressure or an absolute temperature not
// above zero. Only bounds the quantity's meaning fixes: ALFA and ALPE,
// heat-transfer quantities whose meaning the model leaves open, have none.
// Header only, so that the chart library can mark such values without
// linking the model.
#pragma once

#include "model/model_window.h"

#include <array>
#include <string_view>

namespace kaskad {

struct PhysicalLimit {
    Pane pane;
    bool zeroAllowed;        // the value must be at least 0; otherwise above 0
    std::string_view rule;   // the broken condition: "GB < 0"
    std::string_view reason; // what it would mean: "отрицательный расход воздуха"
};

inline constexpr std::array<PhysicalLimit, 10> kPhysicalLimits = {{
    {paneY1, true, "y1 < 0", "отрицательная концентрация"},
    {paneY2, true, "y2 < 0", "отрицательная концентрация"},
    {paneY3, true, "y3 < 0", "отрицательная концентрация"},
    {paneY4, true, "y4 < 0", "отрицательная концентрация"},
    {paneY5, true, "y5 < 0", "отрицательная концентрация"},
    {paneY6, true, "y6 < 0", "отрицательная концентрация"},
    {paneGB, true, "GB < 0", "отрицательный расход воздуха"},
    {paneWB, true, "WB < 0", "отрицательное количество оксидата"},
    {paneT, false, "t ≤ 0 К", "температура не выше абсолютного нуля"},
    {paneP, false, "P ≤ 0", "давление не выше нуля"},
}};

// The limit a pane's stored value breaks, or none. The stored single or
// double is compared as it is: a negative zero is zero.
inline const PhysicalLimit* brokenPhysicalLimit(Pane pane, double value)
{
    for (const PhysicalLimit& limit : kPhysicalLimits)
        if (limit.pane == pane)
            return (limit.zeroAllowed ? value < 0 : !(value > 0)) ? &limit : nullptr;
    return nullptr;
}

} // namespace kaskad
