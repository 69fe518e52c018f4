// The gas-lift run: its worked example digit for digit, its air flow, and how
// it ends.
#include "model_test_support.h"

#include <cmath>

namespace kaskad {
namespace {

using test_support::expectFailures;
using test_support::FailureCase;
using test_support::lineCount;
using test_support::paneLines;
using test_support::paneValues;
using test_support::reportOfRun;

// N, y10, y50, wg, t, dtr, db, ts.
TextModelWindow workedExample(const char* N = "3", const char* ts = "3600")
{
    TextModelWindow window;
    for (int f = 0; f < kFieldCount; ++f)
        window.fields[f] = test_support::kGasLiftExampleFields[f];
    window.fields[0] = N;
    window.fields[6] = "not a number";
    window.fields[7] = ts;
    return window;
}

std::string run(TextModelWindow& window, DecimalSeparator separator = '.')
{
    return reportOfRun([&] { runModel(ModelKind::gaslift, window.texts(), window, separator); });
}

// GB of a reactor whose compressed air has temperature Ta, from the air flow
// through the one tube of diameter 1: Vg = 0.785 wg.
std::string airQuantity(long double Ta, const char* wg = "0.05")
{
    const float Vg = static_cast<float>(0.785L * std::strtof(wg, nullptr));
    const float dTa = static_cast<float>(Ta - 353);
    const float Qa = static_cast<float>(((1.29L * Vg) * 1030) * dTa);
    return NumberToText(static_cast<float>((Qa / 4190.0L) / 30), '.');
}

TEST(GasLift, WorkedExampleGivesEveryPrintedDigit)
{
    // Text7 holds the GB of the air flowing through the tube (worked out by
    // hand beside the table); the other panes are the worked example's.
    TextModelWindow window = workedExample();
    ASSERT_EQ(run(window), "");
    for (int p = 0; p < kPaneCount; ++p)
        EXPECT_EQ(window.panes[p], paneLines("реактор", test_support::kGasLiftExamplePanes[p])) << "Text" << p + 1;
}

TEST(GasLift, AirFlowFollowsTheCompressedAirTemperature)
{
    // Unlike the program Kaskad replaces, GB is not 0: air flows through the
    // tube in every reactor. Reactor 20 works at P = 1, so its air stays at
    // 293 K; reactor 24 at P = 0 gives Ta = 0.
    TextModelWindow window = workedExample("24");
    ASSERT_EQ(run(window), "");
    const std::vector<std::string> gb = paneValues(window.panes[paneGB - 1]);
    ASSERT_EQ(gb.size(), 24u);
    EXPECT_EQ(gb[19], airQuantity(293));
    EXPECT_EQ(gb[23], airQuantity(0));
    EXPECT_EQ(paneValues(window.panes[paneP - 1])[19], "1");
    EXPECT_EQ(paneValues(window.panes[paneP - 1])[23], "0");

    // dTa changes sign between reactors 16 (P = 2) and 17 (P = 1.75), and
    // WB with it.
    const std::vector<std::string> wb = paneValues(window.panes[paneWB - 1]);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(wb[i].front() == '-', i >= 16) << "reactor " << i + 1 << ": " << wb[i];
        EXPECT_EQ(gb[i].front() == '-', i >= 16) << "reactor " << i + 1 << ": " << gb[i];
    }
}

TEST(GasLift, NoResidenceTimeLeavesTheEnteringComposition)
{
    TextModelWindow reference = workedExample();
    TextModelWindow window = workedExample("3", "0");
    ASSERT_EQ(run(reference), "");
    ASSERT_EQ(run(window), "");
    const std::vector<std::vector<std::string>> composition = {{"3", "3", "3"}, {"0", "0", "0"}, {"0", "0", "0"},
                                                               {"0", "0", "0"}, {"2", "2", "2"}, {"0", "0", "0"}};
    for (int p = 0; p < 6; ++p)
        EXPECT_EQ(paneValues(window.panes[p]), composition[p]) << "Text" << p + 1;
    EXPECT_EQ(paneValues(window.panes[paneWB - 1]), (std::vector<std::string>{"0", "0", "0"}));
    for (int pane : {paneGB, paneALFA, paneALPE, paneT, paneP})
        EXPECT_EQ(window.panes[pane - 1], reference.panes[pane - 1]) << "Text" << pane;
}

TEST(GasLift, FailuresEndTheRunWhereTheyHappen)
{
    const FailureCase cases[] = {
        {"no pressure left", {"30", "3", "2", "0.05", "450", "2", "", "3600"}, "Floating point division by zero.", 24},
        {"no air", {"3", "3", "2", "0", "450", "2", "", "3600"}, "Floating point division by zero.", 0},
        {"negative air", {"3", "3", "2", "-0.05", "450", "2", "", "3600"}, "Invalid floating point operation.", 0},
        {"negative t", {"3", "3", "2", "0.05", "-450", "2", "", "3600"}, "Invalid floating point operation.", 0},
        {"zero kelvin", {"3", "3", "2", "0.05", "0", "2", "", "3600"}, "Floating point division by zero.", 0},
        {"gas denser than liquid",
         {"3", "3", "2", "0.05", "2", "2", "", "3600"},
         "Invalid floating point operation.",
         0},
        {"empty ts, db never read",
         {"3", "3", "2", "0.05", "450", "2", "", ""},
         "'' is not a valid floating point value.",
         0},
        {"huge count runs like 25",
         {"1e15", "3", "2", "0.05", "450", "2", "", "3600"},
         "Floating point division by zero.",
         24},
        {"balance without a real root",
         {"10", "-3", "-1", "0.05", "450", "2", "", "3600"},
         "The y3 balance did not converge in 1000 iterations.",
         2},
    };
    expectFailures(cases, [](TextModelWindow& window) { return run(window); });
}

TEST(GasLift, PrintsTheTemperatureOfTheNextReactor)
{
    TextModelWindow window;
    window.fields = {"3", "3", "2", "0.05", "450", "0.1", "", "3600"};
    ASSERT_EQ(run(window), "");
    EXPECT_EQ(window.panes[paneT - 1],
              paneLines("реактор", {"450.100006103516", "450.200012207031", "450.300018310547"}));
}

TEST(GasLift, CountsRoundToNearestTiesToEven)
{
    const std::pair<const char*, std::size_t> cases[] = {{"0", 0}, {"-2", 0}, {"0.5", 0}, {"2.5", 2}, {"3.5", 4}};
    for (const auto& [N, reactors] : cases) {
        TextModelWindow window = workedExample(N);
        EXPECT_EQ(run(window), "") << N;
        EXPECT_EQ(lineCount(window.panes[0]), reactors) << N;
    }
}

TEST(GasLift, RunsAppendAfterWhatThePanesHoldWithTheirOwnSeparator)
{
    TextModelWindow window;
    window.fields = {"1", "3", "2", "0,05", "450", "2", "", "3600"};
    window.panes[0] = "typed";
    ASSERT_EQ(run(window, ','), "");
    ASSERT_EQ(run(window, ','), "");
    EXPECT_EQ(window.panes[0],
              "typed" + paneLines("реактор", {"0,092492401599884"}) + paneLines("реактор", {"0,092492401599884"}));
}

} // namespace
} // namespace kaskad

namespace kaskad {
namespace {

// vb = wl / (1 - ka) + ub: ka = 1 divides by zero, and nothing is stored.
TEST(GasLiftTube, RiseVelocityDividesByZeroAtKaOne)
{
    EXPECT_THROW(riseVelocity(Double(0.5), Double(1.0), Double(0.25)), EZeroDivide);
    EXPECT_EQ(NumberToText(riseVelocity(Double(0.5), Double(0.5), Double(0.25)).value(), '.'), "1.25");
    EXPECT_EQ(NumberToText(riseVelocity(Double(0.5), Double(3.0), Double(0.25)).value(), '.'), "0");
}

} // namespace
} // namespace kaskad
