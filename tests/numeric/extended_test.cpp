// Checked extended arithmetic: which fault an expression raises, and that a
// faulting store stores nothing.
#include "numeric/errors.h"
#include "numeric/extended.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace kaskad {
namespace {

struct OperationCase {
    const char* name;
    Ext result;
    Fault fault;
};

TEST(Ext, OperationsFaultLikeTheFloatingPointUnit)
{
    const Ext big = 1e4931L;
    const OperationCase cases[] = {
        {"x / 0", Ext(1) / 0, Fault::zeroDivide},
        {"-x / 0", Ext(-1) / 0, Fault::zeroDivide},
        {"0 / 0", Ext(0) / 0, Fault::invalidOp},
        {"big * big", big * big, Fault::overflow},
        {"big + big", big * 10 + big * 10, Fault::overflow},
        {"-big - big", -(big * 10) - big * 10, Fault::overflow},
        {"big / tiny", big / 1e-10L, Fault::overflow},
        {"tiny * tiny underflows silently", Ext(1e-4000L) * 1e-4000L, Fault::none},
        {"subnormal operand", Ext(0x1p-16440L) * 2, Fault::none},
    };
    for (const auto& [name, result, fault] : cases)
        EXPECT_EQ(result.fault(), fault) << name;
}

TEST(Ext, TheLeftmostFaultWinsWhateverTheEvaluationOrder)
{
    const Ext zero = 0;
    // Left operand divides by zero, right one is invalid: a left-to-right
    // evaluation meets the division by zero first.
    EXPECT_EQ(((Ext(1) / zero) + (zero / zero)).fault(), Fault::zeroDivide);
    EXPECT_EQ(((zero / zero) * (Ext(1) / zero)).fault(), Fault::invalidOp);
    EXPECT_EQ((Ext(2) - (Ext(1e4000L) * 1e4000L)).fault(), Fault::overflow);
    // A faulted dividend wins over a zero divisor.
    EXPECT_EQ(((Ext(1e4000L) * 1e4000L) / zero).fault(), Fault::overflow);
    EXPECT_EQ(abs(-(Ext(1) / zero)).fault(), Fault::zeroDivide);
}

TEST(Ext, StoresRoundToNearestAndCheckTheirRange)
{
    EXPECT_EQ(storeSingle(0.1L).value(), 0.1f);
    EXPECT_EQ(storeDouble(0.1L).value(), 0.1);
    // Ties to even: 1 + 2^-24 lies halfway between two singles.
    EXPECT_EQ(storeSingle(1 + 0x1p-24L).value(), 1.0f);
    EXPECT_EQ(storeSingle(1 + 0x1p-24L + 0x1p-60L).value(), 1 + 0x1p-23f);
    EXPECT_EQ(storeSingle(1e-50L).value(), 0.0f);
    EXPECT_EQ(storeSingle(1e-40L).value(), 1e-40f);
    EXPECT_EQ(storeSingle(static_cast<long double>(FLT_MAX)).value(), FLT_MAX);
    EXPECT_THROW(storeSingle(3.5e38L), EOverflow);
    EXPECT_THROW(storeDouble(1e309L), EOverflow);
}

TEST(Ext, AFaultingStoreLeavesTheQuantityAsItWas)
{
    Single q(1.5f);
    EXPECT_THROW(q = storeSingle(Ext(1) / 0), EZeroDivide);
    EXPECT_EQ(q.value(), 1.5f);
    Double d(2.5);
    EXPECT_THROW(d = storeDouble(Ext(0) / 0), EInvalidOp);
    EXPECT_THROW(d = storeDouble(1e400L), EOverflow);
    EXPECT_EQ(d.value(), 2.5);
}

TEST(Ext, ComparingAFaultedValueRaisesItsFault)
{
    EXPECT_THROW((void)(Ext(1) / 0 < 1), EZeroDivide);
    EXPECT_THROW((void)(Ext(0) / 0 >= Ext(1) / 0), EInvalidOp);
    EXPECT_TRUE(Single(0.5f) < Double(0.75));
}

TEST(Ext, WideningSinglesAndDoublesIsExact)
{
    const Single s(0.1f);
    const Double d(0.1);
    EXPECT_EQ(Ext(s).value(), static_cast<long double>(0.1f));
    EXPECT_EQ((Ext(d) - s).value(), static_cast<long double>(0.1) - static_cast<long double>(0.1f));
}

} // namespace
} // namespace kaskad
