// The x87 instructions behind rounding, logarithm and exponential, inline.
// Each works in the current control word's precision and rounding mode.
#pragma once

#include <cstdint>
#include <cstring>

namespace kaskad::x87 {

// Rounds to an integer in the current rounding mode (to nearest, ties to even).
inline long double roundToInteger(long double x)
{
    long double result;
    asm("frndint" : "=t"(result) : "0"(x));
    return result;
}

// x rounded in the current rounding mode and stored as a 64-bit integer,
// without touching the control word. |x| must be below 2^63.
inline std::int64_t toInteger(long double x)
{
    std::int64_t result;
    asm("fistpll %0" : "=m"(result) : "t"(x) : "st");
    return result;
}

// ln2 * log2 x: ln x for x > 0.
inline long double lnOf(long double x)
{
    constexpr long double ln2 = 0.693147180559945309417232121458176568L;
    long double result;
    asm("fyl2x" : "=t"(result) : "0"(x), "u"(ln2) : "st(1)");
    return result;
}

// 2^f - 1 for |f| <= 1.
inline long double twoToPowerMinusOne(long double f)
{
    long double result;
    asm("f2xm1" : "=t"(result) : "0"(f));
    return result;
}

// x * 2^trunc(m).
inline long double scale(long double x, long double m)
{
    long double result;
    asm("fscale" : "=t"(result) : "0"(x), "u"(m));
    return result;
}

// The unbiased binary exponent e of a finite non-zero x, 2^e <= |x| < 2^(e+1);
// subnormals report the exponent of their leading bit.
inline int binaryExponent(long double x)
{
    std::uint64_t significand;
    std::uint16_t signAndExponent;
    std::memcpy(&significand, &x, sizeof significand);
    std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&x) + 8, sizeof signAndExponent);
    const int biased = signAndExponent & 0x7FFF;
    if (biased != 0)
        return biased - 16383;
    return -16382 - __builtin_clzll(significand);
}

} // namespace kaskad::x87
