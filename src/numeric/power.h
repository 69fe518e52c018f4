// The general power and the exponential function of the model's formulas,
// computed with the x87 instruction sequences whose roundings the printed
// digits depend on. Inline, so that their operands stay in the x87 registers.
#pragma once

#include "extended.h"
#include "x87.h"

#include <concepts>
#include <limits>

namespace kaskad {

namespace detail {
constexpr long double kLog2e = 1.44269504088896340735992468100189214L;
} // namespace detail

// e to the power x, as 2^f * 2^m with m the nearest integer to x * log2 e.
[[gnu::always_inline]] inline Ext Exp(Ext x)
{
    if (x.isFaulted())
        return x;
    const long double t = x.rawValue() * detail::kLog2e;
    if (!Ext::isFinite(t))
        return Ext::faulted(Fault::overflow);
    const long double m = x87::roundToInteger(t);
    const long double f = t - m;
    const long double twoToF = x87::twoToPowerMinusOne(f) + 1.0L;
    return Ext::result(x87::scale(twoToF, m));
}

// Base to the whole power n by repeated squaring, each product rounded to
// extended; 1/r for a negative n.
[[gnu::always_inline]] inline Ext integralPower(Ext base, std::int32_t n)
{
    if (base.isFaulted())
        return base;
    Ext r = 1.0L;
    Ext p = base;
    std::uint32_t bits = n < 0 ? 0u - static_cast<std::uint32_t>(n) : static_cast<std::uint32_t>(n);
    while (bits != 0) {
        if (bits & 1u)
            r = r * p;
        bits >>= 1;
        if (bits != 0)
            p = p * p;
    }
    return n < 0 ? 1.0L / r : r;
}

// Powers of one base. Its logarithm, which every fractional power takes, is
// formed once, so several powers of the same base cost one logarithm.
class PowersOf {
public:
    explicit PowersOf(Ext base) : base_(base) {}

    // Base raised to Exponent. Exponent 0 gives 1; base 0 with a positive
    // exponent gives 0; a whole exponent of magnitude up to 2^31 - 1 takes
    // repeated squaring; any other exponent goes through
    // exp(Exponent * ln Base).
    [[gnu::always_inline]] Ext to(Ext exponent)
    {
        if (base_.isFaulted())
            return base_;
        if (exponent.isFaulted())
            return exponent;
        const long double b = base_.rawValue();
        const long double e = exponent.rawValue();
        if (e == 0)
            return 1.0L;
        if (b == 0 && e > 0)
            return 0.0L;
        if (std::fabs(e) <= 2147483647.0L && x87::roundToInteger(e) == e)
            return integralPower(base_, static_cast<std::int32_t>(x87::toInteger(e)));
        if (b < 0)
            return Ext::faulted(Fault::invalidOp);
        if (b == 0)
            return Ext::faulted(Fault::zeroDivide);
        if (!haveLn_) {
            ln_ = x87::lnOf(b);
            haveLn_ = true;
        }
        return Exp(exponent * Ext(ln_));
    }

private:
    Ext base_;
    bool haveLn_ = false;
    long double ln_ = 0;
};

// Base raised to Exponent (see PowersOf::to).
[[gnu::always_inline]] inline Ext PowerOf(Ext base, Ext exponent) { return PowersOf(base).to(exponent); }

// Base raised to a whole exponent written in a formula: the same rules as
// PowerOf with that exponent, without testing a whole exponent for being one.
// Only an int exponent takes it: a fractional one must never convert to int.
template <std::same_as<int> Int>
[[gnu::always_inline]] inline Ext PowerOf(Ext base, Int n)
{
    // -2^31 lies beyond the repeated squaring's 2^31 - 1.
    if (n == std::numeric_limits<Int>::min())
        return PowerOf(base, Ext(static_cast<long double>(n)));
    if (n == 0)
        return base.isFaulted() ? base : Ext(1.0L);
    if (!base.isFaulted() && base.rawValue() == 0 && n > 0)
        return 0.0L;
    return integralPower(base, n);
}

} // namespace kaskad
