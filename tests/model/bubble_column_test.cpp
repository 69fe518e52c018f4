// The bubble-column run: its worked example digit for digit, and how it ends.
#include "model_test_support.h"
#include "numeric/power.h"

#include <cmath>

namespace kaskad {
namespace {

using test_support::expectFailures;
using test_support::FailureCase;
using test_support::lineCount;
using test_support::paneLines;
using test_support::paneValues;
using test_support::reportOfRun;

// N, y10, y50, wg, t, dtr, d, ts.
TextModelWindow workedExample(const char* N = "3", const char* ts = "3600")
{
    TextModelWindow window;
    for (int f = 0; f < kFieldCount; ++f)
        window.fields[f] = test_support::kBubbleExampleFields[f];
    window.fields[0] = N;
    window.fields[7] = ts;
    return window;
}

std::string run(TextModelWindow& window, DecimalSeparator separator = '.')
{
    return reportOfRun([&] { runModel(ModelKind::bubble, window.texts(), window, separator); });
}

TEST(BubbleColumn, WorkedExampleGivesEveryPrintedDigit)
{
    TextModelWindow window = workedExample();
    ASSERT_EQ(run(window), "");
    for (int p = 0; p < kPaneCount; ++p)
        EXPECT_EQ(window.panes[p], paneLines("Реактор", test_support::kBubbleExamplePanes[p])) << "Text" << p + 1;
}

TEST(BubbleColumn, NoResidenceTimeLeavesTheEnteringComposition)
{
    TextModelWindow window = workedExample("3", "0");
    ASSERT_EQ(run(window), "");
    const std::vector<std::vector<std::string>> expected = {
        {"3", "3", "3"},
        {"0", "0", "0"},
        {"0", "0", "0"},
        {"0", "0", "0"},
        {"2.5", "2.5", "2.5"},
        {"0", "0", "0"},
        {"0.502874255180359", "0.479449838399887", "0.455258160829544"},
        {"1931.45593261719", "1929.50451660156", "1927.56396484375"},
        {"0", "0", "0"},
        {"2095.1572265625", "2093.2421875", "2091.3359375"},
        {"433", "435", "437"},
        {"5.75", "5.5", "5.25"},
    };
    for (int p = 0; p < kPaneCount; ++p)
        EXPECT_EQ(paneValues(window.panes[p]), expected[p]) << "Text" << p + 1;
}

TEST(BubbleColumn, ReactorTwentyFiveHasNoPressureLeft)
{
    TextModelWindow window = workedExample("30");
    EXPECT_EQ(run(window), "Invalid floating point operation.");
    for (int p = 0; p < kPaneCount; ++p)
        EXPECT_EQ(lineCount(window.panes[p]), 24u) << "Text" << p + 1;
    EXPECT_EQ(paneValues(window.panes[paneP - 1]).back(), "0");
    EXPECT_EQ(paneValues(window.panes[paneP - 1])[19], "1");
}

TEST(BubbleColumn, FailuresEndTheRunWhereTheyHappen)
{
    const FailureCase cases[] = {
        {"no air", {"3", "3", "2.5", "0", "433", "2", "3", "3600"}, "Floating point division by zero.", 0},
        {"negative air", {"3", "3", "2.5", "-0.05", "433", "2", "3", "3600"}, "Invalid floating point operation.", 0},
        {"zero kelvin", {"3", "3", "2.5", "0.05", "0", "2", "3", "3600"}, "Floating point division by zero.", 0},
        {"tiny t overflows the exponential",
         {"3", "3", "2.5", "0.05", "1e-30", "2", "3", "3600"},
         "Floating point overflow.",
         0},
        {"empty N", {"", "", "", "", "", "", "", ""}, "'' is not a valid floating point value.", 0},
        {"first bad field in reading order",
         {"3", "3", "abc", "0.05", "433", "x", "3", ""},
         "'abc' is not a valid floating point value.",
         0},
        {"bad d after good fields",
         {"3", "3", "2.5", "0.05", "433", "2", " 3,0", "3600"},
         "' 3,0' is not a valid floating point value.",
         0},
        {"single too large", {"3", "1E39", "2.5", "0.05", "433", "2", "3", "3600"}, "Floating point overflow.", 0},
        {"count beyond 64 bits",
         {"1E19", "3", "2.5", "0.05", "433", "2", "3", "3600"},
         "Invalid floating point operation.",
         0},
        {"huge count runs like 25",
         {"1e12", "3", "2.5", "0.05", "433", "2", "3", "3600"},
         "Invalid floating point operation.",
         24},
        {"balance without a real root",
         {"10", "-1", "-1", "0.05", "433", "2", "3", "3600"},
         "The y3 balance did not converge in 1000 iterations.",
         3},
    };
    expectFailures(cases, [](TextModelWindow& window) { return run(window); });
}

TEST(BubbleColumn, CountsRoundToNearestTiesToEven)
{
    const std::pair<const char*, std::size_t> cases[] = {{"0", 0},   {"-4", 0},  {"0.5", 0}, {"-1e12", 0},
                                                         {"2.5", 2}, {"3.5", 4}, {"1", 1}};
    for (const auto& [N, reactors] : cases) {
        TextModelWindow window = workedExample(N);
        EXPECT_EQ(run(window), "") << N;
        EXPECT_EQ(lineCount(window.panes[0]), reactors) << N;
    }
    // N of none still reads every field first.
    TextModelWindow window = workedExample("0", "");
    EXPECT_EQ(run(window), "'' is not a valid floating point value.");
}

TEST(BubbleColumn, TemperatureAccumulatesInSinglePrecision)
{
    TextModelWindow window;
    window.fields = {"4", "3", "2.5", "0.05", "450", "0.1", "3", "3600"};
    ASSERT_EQ(run(window), "");
    EXPECT_EQ(window.panes[paneT - 1],
              paneLines("Реактор", {"450", "450.100006103516", "450.200012207031", "450.300018310547"}));
}

TEST(BubbleColumn, DiameterEntersOnlyAsItsSquare)
{
    TextModelWindow positive = workedExample();
    TextModelWindow negative = workedExample();
    negative.fields[6] = "-3";
    TextModelWindow none = workedExample();
    none.fields[6] = "0";
    ASSERT_EQ(run(positive), "");
    ASSERT_EQ(run(negative), "");
    ASSERT_EQ(run(none), "");
    EXPECT_EQ(positive.panes, negative.panes);
    EXPECT_EQ(paneValues(none.panes[paneGB - 1]), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(paneValues(none.panes[paneWB - 1]), (std::vector<std::string>{"0", "0", "0"}));
    EXPECT_EQ(none.panes[0], positive.panes[0]);
}

TEST(BubbleColumn, RunsAppendAfterWhatThePanesHold)
{
    TextModelWindow window = workedExample();
    window.panes[0] = "typed";
    ASSERT_EQ(run(window), "");
    ASSERT_EQ(run(window), "");
    const std::string block = paneLines("Реактор", {"1.55393481254578", "0.804904460906982", "0.416923016309738"});
    EXPECT_EQ(window.panes[0], "typed" + block + block);
    EXPECT_EQ(window.panes[1].size(),
              2 * paneLines("Реактор", {"1.35183024406433", "1.93902194499969", "2.17238235473633"}).size());
}

TEST(BubbleColumn, LocaleSeparatorReadsAndPrintsTheComma)
{
    TextModelWindow window;
    window.fields = {"1", "3", "2,5", "0,05", "433", "2", "3", "3600"};
    ASSERT_EQ(run(window, ','), "");
    EXPECT_EQ(window.panes[0], "Реактор1   1,55393481254578\r\n");
    EXPECT_EQ(window.panes[paneP - 1], "Реактор1   5,75\r\n");
    TextModelWindow pointInCommaLocale;
    pointInCommaLocale.fields = {"1", "3", "2.5", "0.05", "433", "2", "3", "3600"};
    EXPECT_EQ(run(pointInCommaLocale, ','), "'2.5' is not a valid floating point value.");
}

} // namespace
} // namespace kaskad

namespace kaskad {
namespace {

// Up to Fr = 18 the Nusselt number grows as Fr^0.25; beyond, it is
// 0.3 Pr^0.333 whatever Fr.
TEST(BubbleColumnHeatTransfer, FroudeEighteenIsTheLastOfTheGrowingBranch)
{
    const Ext prToTheThird = PowerOf(7.5L, 0.333L);
    const Double eighteen(18.0);
    const Double justAbove(std::nextafter(18.0, 19.0));
    const Single growing = storeSingle((prToTheThird * PowerOf(eighteen, 0.25L)) * 0.146L);
    const Single flat = storeSingle(prToTheThird * 0.3L);
    ASSERT_NE(growing.value(), flat.value());
    EXPECT_EQ(bubbleNusseltNumber(eighteen, prToTheThird).value(), growing.value());
    EXPECT_EQ(bubbleNusseltNumber(justAbove, prToTheThird).value(), flat.value());
    EXPECT_EQ(bubbleNusseltNumber(Double(1000.0), prToTheThird).value(), flat.value());
}

// wg = 0.3 and 0.4 give Fr ≈ 20 and 27: ALFA no longer depends on the air
// velocity, while below Fr = 18 (wg 0.05 and 0.06) it does.
TEST(BubbleColumnHeatTransfer, AboveFroudeEighteenAlfaIsTheSameForAnyAirVelocity)
{
    const auto alfaAt = [](const char* wg) {
        TextModelWindow window = workedExample("1");
        window.fields[fieldWg - 1] = wg;
        EXPECT_EQ(run(window), "") << wg;
        return window.panes[paneALFA - 1];
    };
    EXPECT_EQ(alfaAt("0.3"), alfaAt("0.4"));
    EXPECT_NE(alfaAt("0.05"), alfaAt("0.06"));
    EXPECT_NE(alfaAt("0.3"), alfaAt("0.06"));
}

} // namespace
} // namespace kaskad
