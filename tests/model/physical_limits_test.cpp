// The table of quantities: the physical limits of the stored values (which
// panes have one, and where exactly it lies) and the lists derived from it.
#include "model/quantities.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kaskad {
namespace {

struct LimitCase {
    const char* name;
    Pane pane;
    double value;
    const char* broken; // the rule broken, "" for none
};

class PhysicalLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(PhysicalLimits, BreakOnlyWhereTheQuantityCannotBe)
{
    const LimitCase& c = GetParam();
    const PhysicalLimit* limit = brokenPhysicalLimit(c.pane, c.value);
    EXPECT_EQ(limit ? std::string(limit->rule) : std::string(), c.broken);
}

const double kSmallest = std::numeric_limits<double>::denorm_min();

const LimitCase kLimitCases[] = {
    {"ConcentrationZero", paneY3, 0.0, ""},
    {"ConcentrationBelowZero", paneY6, -kSmallest, "y6 < 0"},
    {"AirNegativeZero", paneGB, -0.0, ""},
    {"AirBelowZero", paneGB, -0.0303574055433273, "GB < 0"},
    {"OxidateBelowZero", paneWB, -1.85311114788055, "WB < 0"},
    {"PressureZero", paneP, 0.0, "P ≤ 0"},
    {"PressureAboveZero", paneP, kSmallest, ""},
    {"TemperatureZero", paneT, 0.0, "t ≤ 0 К"},
    {"HeatTransferLeftOpen", paneALFA, -1.0, ""},
    {"SecondHeatTransferLeftOpen", paneALPE, -1.0, ""},
};

INSTANTIATE_TEST_SUITE_P(PhysicalLimits, PhysicalLimits, ::testing::ValuesIn(kLimitCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The lists derived from the table of quantities: each name finds its own
// row, and the messages list them in store order.
TEST(QuantityTable, NamesFindTheirRowsAndListInStoreOrder)
{
    for (const QuantityDescription& quantity : kQuantities) {
        EXPECT_EQ(quantityNamed(quantity.name), quantity.pane) << quantity.name;
        EXPECT_EQ(&quantityOf(quantity.pane), &quantity) << quantity.name;
    }
    EXPECT_EQ(quantityNamed("y7"), std::nullopt);
    EXPECT_EQ(quantityNamesText(" and "), "y1..y6, GB, WB, ALFA, ALPE, t and P");
    EXPECT_EQ(quantityNamesText(", "), "y1..y6, GB, WB, ALFA, ALPE, t, P");
}

} // namespace
} // namespace kaskad
