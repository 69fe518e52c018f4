// PowerOf and Exp: their paths, their roundings and their faults.
#include "numeric/errors.h"
#include "numeric/number_text.h"
#include "numeric/power.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kaskad {
namespace {

long double valueOf(Ext x) { return x.value(); }

struct PowerCase {
    long double base, exponent;
    const char* printed;
};

TEST(PowerOf, FollowsItsRulesInOrder)
{
    const PowerCase cases[] = {
        {0, 0, "1"},
        {-5, 0, "1"},
        {0, 2, "0"},
        {0, 0.5L, "0"},
        {-2, 3, "-8"},
        {2, -1, "0.5"},
        {3, 2, "9"},
        {2, 10, "1024"},
        {2, -3, "0.125"},
        {-2, -2, "0.25"},
        {10, -8, "1E-8"},
        {1, 12345.5L, "1"},
        {4, 0.5L, "2"},
        // Not a square root but exp(0.5 ln 2); its sixteenth digit, 5, rounds
        // the fifteenth up.
        {2, 0.5L, "1.4142135623731"},
    };
    for (const auto& [base, exponent, printed] : cases)
        EXPECT_EQ(NumberToText(valueOf(PowerOf(base, exponent)), '.'), printed) << base << "^" << exponent;
}

constexpr long double kTwoTo31 = 2147483648.0L;
// Near enough to 1 for its 2^31st power to be 1.00195...
constexpr long double kNearOne = 1 + 0x1p-40L;

TEST(PowerOf, WholeExponentsBeyondThirtyTwoBitsTakeTheExponential)
{
    // |Exponent| up to 2^31 - 1 squares repeatedly, each product rounded;
    // from 2^31 on it is exp(Exponent * ln Base), never a truncated int.
    const PowerCase cases[] = {
        {kNearOne, kTwoTo31 - 1, "1.00195503358964"},
        {kNearOne, kTwoTo31, "1.001955033591"},
        {kNearOne, -(kTwoTo31 - 1), "0.998048781108837"},
        {kNearOne, -kTwoTo31, "0.998048781107476"},
        {1, kTwoTo31, "1"},
        {1, 1e4000L, "1"},
        {0.5L, kTwoTo31, "0"},
        {2, -kTwoTo31, "0"},
        {-1, kTwoTo31 - 1, "-1"},
        {-1, -(kTwoTo31 - 1), "-1"},
        {0, kTwoTo31, "0"},
    };
    for (const auto& [base, exponent, printed] : cases)
        EXPECT_EQ(NumberToText(valueOf(PowerOf(base, exponent)), '.'), printed) << base << "^" << exponent;
}

TEST(PowerOf, WholeExponentsMultiplyInExtendedSteps)
{
    // x^3 is x*(x*x), x^5 is x*((x*x)*(x*x)): each product rounded.
    const long double x = 1.1L;
    EXPECT_EQ(valueOf(PowerOf(x, 3)), x * (x * x));
    const long double x2 = x * x;
    EXPECT_EQ(valueOf(PowerOf(x, 5)), x * (x2 * x2));
    EXPECT_EQ(valueOf(PowerOf(x, -2)), 1 / (x * x));
}

TEST(PowerOf, AnIntExponentFollowsTheSameRulesAsItsExtendedValue)
{
    for (const long double base : {0.0L, -0.0L, 1.44L, -3.5L, 1e3000L, 1e-3000L, 7.0L, -1.0L, kNearOne})
        for (const int n : {0, 1, 2, 5, -2, INT32_MAX, INT32_MIN + 1, INT32_MIN}) {
            const Ext asInt = PowerOf(base, n);
            const Ext asExtended = PowerOf(base, static_cast<long double>(n));
            ASSERT_EQ(asInt.fault(), asExtended.fault()) << base << "^" << n;
            if (!asInt.isFaulted()) {
                EXPECT_EQ(asInt.value(), asExtended.value()) << base << "^" << n;
                EXPECT_EQ(std::signbit(asInt.value()), std::signbit(asExtended.value())) << base << "^" << n;
            }
        }
    // A fractional exponent never takes the whole-number path.
    EXPECT_EQ(NumberToText(valueOf(PowerOf(16.0L, 0.25L)), '.'), "2");
}

struct FaultCase {
    long double base, exponent;
    Fault fault;
};

TEST(PowerOf, FaultsAsTheArithmeticDoes)
{
    const FaultCase cases[] = {
        {0, -2, Fault::zeroDivide},
        {0, -0.5L, Fault::zeroDivide},
        {-8, 1.0L / 3, Fault::invalidOp},
        {-0.05L, 0.25L, Fault::invalidOp},
        {1e3000L, 2, Fault::overflow},
        {1e-3000L, -2, Fault::zeroDivide},
        {1e-1650L, -3, Fault::overflow},
        {10, 5000.5L, Fault::overflow},
        {2, 1e4000L, Fault::overflow},
        // Whole exponents from 2^31 on: a negative base is invalid even where
        // the exponent is even.
        {2, kTwoTo31, Fault::overflow},
        {-1, kTwoTo31, Fault::invalidOp},
        {-1, -kTwoTo31, Fault::invalidOp},
        {-2, 1e10L, Fault::invalidOp},
        {0, -kTwoTo31, Fault::zeroDivide},
    };
    for (const auto& [base, exponent, fault] : cases)
        EXPECT_EQ(PowerOf(base, exponent).fault(), fault) << base << "^" << exponent;
}

TEST(PowerOf, PassesOnTheBaseFaultBeforeTheExponents)
{
    const Ext badBase = Ext(1) / 0;
    const Ext badExponent = Ext(0) / 0;
    EXPECT_EQ(PowerOf(badBase, badExponent).fault(), Fault::zeroDivide);
    EXPECT_EQ(PowerOf(2, badExponent).fault(), Fault::invalidOp);
}

TEST(Exp, ScalesTwoToTheFractionByTheNearestInteger)
{
    EXPECT_EQ(valueOf(Exp(0)), 1);
    EXPECT_EQ(NumberToText(valueOf(Exp(1)), '.'), "2.71828182845905");
    EXPECT_EQ(NumberToText(valueOf(Exp(-1)), '.'), "0.367879441171442");
    EXPECT_EQ(NumberToText(valueOf(Exp(-45.5L)), '.'), NumberToText(std::exp(-45.5L), '.'));
    EXPECT_EQ(Exp(11356).fault(), Fault::none);
    EXPECT_EQ(Exp(11357).fault(), Fault::overflow);
    EXPECT_EQ(valueOf(Exp(-12000)), 0);
    EXPECT_EQ(Exp(-1e4932L).fault(), Fault::overflow); // x * log2 e overflows
}

} // namespace
} // namespace kaskad
