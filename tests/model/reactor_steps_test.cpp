// The y3 balance by Newton's method: how many iterations it takes, where it
// stops, and its bound.
#include "model/reactor_steps.h"
#include "numeric/errors.h"

#include <gtest/gtest.h>

namespace kaskad {
namespace {

TEST(SolveY3, WithoutResidenceTimeSettlesOnTheEnteringY3InTwoIterations)
{
    // ts = 0: e1 = e2 = 1 and c3 = 0, so fx = x - y30 and dfx = 1. From
    // x = 0.5 the first correction is 0.5, the second 0.
    Single x(0.5f);
    const Inlet inlet{3.0L, 0, 0, 0, 2.0L, 0};
    const ResidenceFactors f = residenceFactors(Single(1e-3f), Single(2e-3f), Single(3e-3f), Single(0.0f));
    const NewtonResult result = solveY3(x, inlet, f, Double(0.01));
    EXPECT_EQ(result.iterations, 2);
    EXPECT_EQ(result.y3.value(), 0.0f);
    EXPECT_EQ(x.value(), 0.0f);
}

TEST(SolveY3, ACorrectionEqualToEpsRepeats)
{
    // With c3 = 0 the correction is x - y30: exactly eps from x = y30 + eps,
    // which must not stop the iteration.
    const Single eps(0.25f);
    Single x(0.25f);
    const Inlet inlet{1.0L, 0, 0, 0, 1.0L, 0};
    const ResidenceFactors f = residenceFactors(Single(1.0f), Single(1.0f), Single(1.0f), Single(0.0f));
    EXPECT_EQ(solveY3(x, inlet, f, eps).iterations, 2);
}

TEST(SolveY3, ABalanceWithoutARealRootEndsAtTheIterationBound)
{
    // y3 = (-1 - y3)(-1 - y3) has no real root: the iterate wanders.
    Single x(0.5f);
    const Inlet inlet{-1.0L, 0, 0, 0, -1.0L, 0};
    const ResidenceFactors f{0, 0, 1};
    try {
        solveY3(x, inlet, f, Double(0.01));
        ADD_FAILURE() << "converged";
    } catch (const ENoConvergence& e) {
        EXPECT_EQ(reportText(e), "The y3 balance did not converge in 1000 iterations.");
    }
}

TEST(SolveY3, AFlatBalanceDividesByZero)
{
    // dfx = (S2 + S4 - 2x) c3 + 1 = 0 at x = 1 with S2 = S4 = 0.5, c3 = 1.
    Single x(1.0f);
    const Inlet inlet{0.5L, 0, 0, 0, 0.5L, 0};
    const ResidenceFactors f{0, 0, 1};
    EXPECT_THROW(solveY3(x, inlet, f, Double(0.01)), EZeroDivide);
    EXPECT_EQ(x.value(), 1.0f);
}

} // namespace
} // namespace kaskad
