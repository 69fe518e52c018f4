// PowerOf and Exp on the x87 unit.
#include "power.h"

namespace kaskad {

namespace {

constexpr long double kLn2 = 0.693147180559945309417232121458176568L;
constexpr long double kLog2e = 1.44269504088896340735992468100189214L;

// ln x = ln 2 * log2 x, for x > 0.
long double x87Ln(long double x)
{
    long double result;
    asm("fyl2x" : "=t"(result) : "0"(x), "u"(kLn2) : "st(1)");
    return result;
}

// Rounds to an integer in the current rounding mode (to nearest, ties to even).
long double x87RoundToInteger(long double x)
{
    long double result;
    asm("frndint" : "=t"(result) : "0"(x));
    return result;
}

// 2^f - 1 for |f| <= 1.
long double x87TwoToPowerMinusOne(long double f)
{
    long double result;
    asm("f2xm1" : "=t"(result) : "0"(f));
    return result;
}

// x * 2^trunc(m).
long double x87Scale(long double x, long double m)
{
    long double result;
    asm("fscale" : "=t"(result) : "0"(x), "u"(m));
    return result;
}

} // namespace

Ext Exp(Ext x)
{
    if (x.isFaulted())
        return x;
    const long double t = x.rawValue() * kLog2e;
    if (std::isinf(t))
        return Ext::faulted(Fault::overflow);
    const long double m = x87RoundToInteger(t);
    const long double f = t - m;
    const long double twoToF = x87TwoToPowerMinusOne(f) + 1.0L;
    return Ext::result(x87Scale(twoToF, m));
}

Ext IntegralPower(Ext base, std::int32_t n)
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

Ext PowerOf(Ext base, Ext exponent)
{
    if (base.isFaulted())
        return base;
    if (exponent.isFaulted())
        return exponent;
    const long double b = base.rawValue();
    const long double e = exponent.rawValue();
    if (e == 0)
        return 1.0L;
    if (b == 0 && e > 0)
        return 0.0L;
    if (std::fabs(e) <= 2147483647.0L) {
        const auto n = static_cast<std::int32_t>(e);
        if (static_cast<long double>(n) == e)
            return IntegralPower(base, n);
    }
    if (b < 0)
        return Ext::faulted(Fault::invalidOp);
    if (b == 0)
        return Ext::faulted(Fault::zeroDivide);
    return Exp(exponent * Ext(x87Ln(b)));
}

} // namespace kaskad
