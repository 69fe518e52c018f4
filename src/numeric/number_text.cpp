// TextToNumber, RoundCount, NumberToText and IntegerToText.
#include "number_text.h"

#include "errors.h"
#include "extended.h"
#include "x87.h"

#include <array>
#include <bit>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <cmath>

namespace kaskad {

namespace {

// The extended values nearest to the powers of ten of the three scaling steps.
constexpr std::array<long double, 32> kTenToUnits = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L,
    1e11L, 1e12L, 1e13L, 1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L,
    1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
constexpr std::array<long double, 16> kTenToThirtyTwos = {
    1e0L,   1e32L,  1e64L,  1e96L,  1e128L, 1e160L, 1e192L, 1e224L,
    1e256L, 1e288L, 1e320L, 1e352L, 1e384L, 1e416L, 1e448L, 1e480L};
constexpr std::array<long double, 10> kTenToFiveTwelves = {
    1e0L, 1e512L, 1e1024L, 1e1536L, 1e2048L, 1e2560L, 1e3072L, 1e3584L, 1e4096L, 1e4608L};

// "00", "01", ..., "99".
constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

constexpr long double kTenTo17 = 1e17L;
constexpr long double kTenTo18 = 1e18L;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<DecimalSeparator> DecimalSeparator::fromText(std::string_view text)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    const auto lead = static_cast<unsigned char>(text[0]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length != text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return std::nullopt;
    if (length == 1) {
        const char c = text[0];
        if (isDigit(c) || c == '+' || c == '-' || c == 'e' || c == 'E' || c == ' ' || c < ' ' || c == 127)
            return std::nullopt;
    }
    DecimalSeparator separator;
    for (std::size_t i = 0; i < length; ++i)
        separator.bytes_[i] = text[i];
    separator.size_ = static_cast<std::uint8_t>(length);
    return separator;
}

long double ScaleByPowerOfTen(long double value, std::int64_t k)
{
    const std::uint64_t magnitude = k < 0 ? 0 - static_cast<std::uint64_t>(k) : static_cast<std::uint64_t>(k);
    const std::uint64_t units = magnitude % 32;
    const std::uint64_t thirtyTwos = (magnitude / 32) % 16;
    const std::uint64_t fiveTwelves = magnitude / 512;
    const auto apply = [&](long double factor) {
        value = k > 0 ? value * factor : value / factor;
    };
    apply(kTenToUnits[units]);
    if (thirtyTwos != 0)
        apply(kTenToThirtyTwos[thirtyTwos]);
    if (fiveTwelves != 0) {
        if (fiveTwelves < kTenToFiveTwelves.size()) {
            apply(kTenToFiveTwelves[fiveTwelves]);
        } else {
            // Beyond every finite power of ten: the result overflows or vanishes.
            apply(kTenToFiveTwelves.back());
            apply(kTenToFiveTwelves.back());
        }
    }
    return value;
}

long double TextToNumber(std::string_view text, DecimalSeparator separator)
{
    const auto reject = [&]() -> long double { throw EConvertError(text); };
    const std::string_view sep = separator.text();
    std::size_t i = 0;
    const auto at = [&](char c) { return i < text.size() && text[i] == c; };
    const auto atDigit = [&] { return i < text.size() && isDigit(text[i]); };

    while (at(' '))
        ++i;
    bool negative = false;
    if (at('+') || at('-')) {
        negative = text[i] == '-';
        ++i;
    }

    long double mantissa = 0;
    bool tookMantissa = false;
    bool overflowed = false;
    const auto takeDigit = [&] {
        mantissa = mantissa * 10 + (text[i] - '0');
        overflowed = overflowed || std::isinf(mantissa);
        tookMantissa = true;
        ++i;
    };
    while (atDigit())
        takeDigit();
    std::int64_t fractionDigits = 0;
    if (text.substr(i).starts_with(sep)) {
        i += sep.size();
        tookMantissa = true;
        for (; atDigit(); ++fractionDigits)
            takeDigit();
    }
    if (!tookMantissa)
        return reject();

    std::int64_t exponent = 0;
    if (at('E') || at('e')) {
        ++i;
        bool negativeExponent = false;
        if (at('+') || at('-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        while (atDigit() && exponent < 500) {
            exponent = exponent * 10 + (text[i] - '0');
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    while (at(' '))
        ++i;
    if (i != text.size())
        return reject();

    const std::int64_t k = exponent - fractionDigits;
    long double value = k <= -5120 ? 0.0L : ScaleByPowerOfTen(mantissa, k);
    if (overflowed || std::isinf(value))
        return reject();
    return negative ? -value : value;
}

std::int32_t RoundCount(long double value)
{
    const long double rounded = x87::roundToInteger(value);
    // The signed 64-bit range is [-2^63, 2^63).
    if (!(rounded >= -0x1p63L && rounded < 0x1p63L))
        raiseFault(Fault::invalidOp);
    const std::int64_t wide = x87::toInteger(rounded);
    if (wide > INT32_MAX)
        return INT32_MAX;
    if (wide < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(wide);
}

namespace {

// |value| as D * 10^(X - 18) with D an integer of exactly 18 digits.
struct DecimalDigits {
    std::uint64_t d;
    int x;
};

// ScaleByPowerOfTen, with the one-factor scaling of the common magnitudes
// inline.
[[gnu::always_inline]] inline long double scaleForDigits(long double magnitude, int k)
{
    if (k >= 0 && k < 32)
        return magnitude * kTenToUnits[k];
    if (k < 0 && k > -32)
        return magnitude / kTenToUnits[-k];
    return ScaleByPowerOfTen(magnitude, k);
}

// e is the binary exponent of magnitude: 2^e <= magnitude < 2^(e+1).
[[gnu::always_inline]] inline DecimalDigits eighteenDigits(long double magnitude, int e)
{
    // floor(e * log10 2) + 1, within one of the true decimal exponent.
    int x = static_cast<int>((static_cast<std::int64_t>(e) * 646456993) >> 31) + 1;
    // Within the table's whole powers the estimate is settled by one
    // comparison; the loops below correct any value next to a power of ten.
    if (x >= 0 && x < static_cast<int>(kTenToUnits.size()) && magnitude >= kTenToUnits[x])
        ++x;
    long double scaled = scaleForDigits(magnitude, 18 - x);
    while (scaled >= kTenTo18) {
        ++x;
        scaled = ScaleByPowerOfTen(magnitude, 18 - x);
    }
    while (scaled < kTenTo17) {
        --x;
        scaled = ScaleByPowerOfTen(magnitude, 18 - x);
    }
    long double d = x87::roundToInteger(scaled);
    if (d >= kTenTo18) {
        d = x87::roundToInteger(scaled / 10);
        ++x;
    }
    return {static_cast<std::uint64_t>(x87::toInteger(d)), x};
}

using Wide = unsigned __int128;

int bitLength(Wide v)
{
    const auto high = static_cast<std::uint64_t>(v >> 64);
    return high != 0 ? 128 - __builtin_clzll(high) : v != 0 ? 64 - __builtin_clzll(static_cast<std::uint64_t>(v)) : 0;
}

// The powers of ten that are exact in extended precision, as integers.
constexpr std::array<Wide, 28> kTenToUnitsExactly = [] {
    std::array<Wide, 28> powers{};
    Wide power = 1;
    for (Wide& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// S * 2^q: an extended value with its 64-bit significand.
struct BinaryValue {
    std::uint64_t S;
    int q;
};

// (m * 2^E) * 10^k rounded to extended, to nearest with ties to even, as the
// x87 multiplication rounds it; nothing when k is outside the exact powers
// or the product is too wide to form exactly.
std::optional<BinaryValue> timesPowerOfTen(std::uint64_t m, int E, int k)
{
    if (k < 0 || k >= static_cast<int>(kTenToUnitsExactly.size()))
        return std::nullopt;
    const Wide power = kTenToUnitsExactly[static_cast<std::size_t>(k)];
    if (bitLength(m) + bitLength(power) > 128)
        return std::nullopt;
    const Wide product = m * power;
    const int length = bitLength(product);
    if (length <= 64)
        return BinaryValue{static_cast<std::uint64_t>(product), E};
    int shift = length - 64;
    auto S = static_cast<std::uint64_t>(product >> shift);
    const Wide rest = product & ((Wide(1) << shift) - 1);
    const Wide half = Wide(1) << (shift - 1);
    if (rest > half || (rest == half && (S & 1) != 0)) {
        if (++S == 0) {
            S = 1ULL << 63;
            ++shift;
        }
    }
    return BinaryValue{S, E + shift};
}

// Compares S * 2^q with a whole number below 2^63: -1, 0 or 1.
int compare(BinaryValue v, std::uint64_t n)
{
    if (v.q >= 0)
        return v.q > 63 || (Wide(v.S) << v.q) > n ? 1 : (Wide(v.S) << v.q) == n ? 0 : -1;
    if (-v.q > 64)
        return -1;
    const Wide scaledN = Wide(n) << -v.q;
    return Wide(v.S) > scaledN ? 1 : Wide(v.S) == scaledN ? 0 : -1;
}

// S * 2^q rounded to an integer, to nearest with ties to even; the value is
// below 2^63.
std::uint64_t roundToInteger(BinaryValue v)
{
    if (v.q >= 0)
        return v.S << v.q;
    const int shift = -v.q;
    if (shift >= 64)
        return shift == 64 && v.S > (1ULL << 63) ? 1 : 0;
    const std::uint64_t whole = v.S >> shift;
    const std::uint64_t rest = v.S & ((1ULL << shift) - 1);
    const std::uint64_t half = 1ULL << (shift - 1);
    return rest > half || (rest == half && (whole & 1) != 0) ? whole + 1 : whole;
}

constexpr std::uint64_t kWholeTenTo17 = 100'000'000'000'000'000ULL;
constexpr std::uint64_t kWholeTenTo18 = 1'000'000'000'000'000'000ULL;

// eighteenDigits for the value m * 2^E of a double or single, in integer
// arithmetic that rounds exactly as the extended scaling does; nothing where
// that scaling takes more than one exact power of ten, or the rounded D
// reaches 10^18 (both left to the extended path).
std::optional<DecimalDigits> eighteenDigitsOfBinary(std::uint64_t m, int E)
{
    const int zeros = __builtin_ctzll(m);
    m >>= zeros;
    E += zeros;
    const int e = 63 - __builtin_clzll(m) + E;
    int x = static_cast<int>((static_cast<std::int64_t>(e) * 646456993) >> 31) + 1;
    std::optional<BinaryValue> scaled = timesPowerOfTen(m, E, 18 - x);
    while (scaled && compare(*scaled, kWholeTenTo18) >= 0)
        scaled = timesPowerOfTen(m, E, 18 - ++x);
    while (scaled && compare(*scaled, kWholeTenTo17) < 0)
        scaled = timesPowerOfTen(m, E, 18 - --x);
    if (!scaled)
        return std::nullopt;
    const std::uint64_t d = roundToInteger(*scaled);
    if (d >= kWholeTenTo18)
        return std::nullopt;
    return DecimalDigits{d, x};
}

} // namespace

std::string NumberToText(long double value, DecimalSeparator separator)
{
    std::string text;
    appendNumberText(text, value, separator);
    return text;
}

namespace {

// Writes the number D * 10^(X - 18) in the general format; returns the end
// of what it wrote.
[[gnu::always_inline]] inline char* writeDigits(char* out, DecimalDigits digits18, bool negative,
                                                DecimalSeparator separator)
{
    auto [d, x] = digits18;
    // Fifteen digits; only the sixteenth decides the rounding.
    std::uint64_t prefix = d / 1000;
    if ((d / 100) % 10 >= 5) {
        ++prefix;
        if (prefix == 1'000'000'000'000'000ULL) {
            prefix = 100'000'000'000'000ULL;
            ++x;
        }
    }
    // The digits two at a time, in two independent halves of 7 and 8.
    char digits[15];
    auto high = static_cast<std::uint32_t>(prefix / 100'000'000);
    auto low = static_cast<std::uint32_t>(prefix % 100'000'000);
    for (int k = 13; k >= 7; k -= 2) {
        std::memcpy(digits + k, kDigitPairs + 2 * (low % 100), 2);
        low /= 100;
        if (k > 7) {
            std::memcpy(digits + k - 8, kDigitPairs + 2 * (high % 100), 2);
            high /= 100;
        }
    }
    digits[0] = static_cast<char>('0' + high);
    int n = 15;
    while (digits[n - 1] == '0')
        --n;

    const auto put = [&](const char* from, int count) {
        std::memcpy(out, from, static_cast<std::size_t>(count));
        out += count;
    };
    const std::string_view sep = separator.text();
    const auto putSeparator = [&] {
        if (sep.size() == 1)
            *out++ = sep[0];
        else
            put(sep.data(), static_cast<int>(sep.size()));
    };

    if (negative)
        *out++ = '-';
    if (x > 15 || x < -3) {
        *out++ = digits[0];
        if (n > 1) {
            putSeparator();
            put(digits + 1, n - 1);
        }
        *out++ = 'E';
        out = std::to_chars(out, out + 6, x - 1).ptr;
    } else if (x > 0) {
        if (n <= x) {
            put(digits, n);
            out = std::fill_n(out, x - n, '0');
        } else {
            put(digits, x);
            putSeparator();
            put(digits + x, n - x);
        }
    } else {
        *out++ = '0';
        putSeparator();
        out = std::fill_n(out, -x, '0');
        put(digits, n);
    }
    return out;
}

} // namespace

void appendNumberText(std::string& text, long double value, DecimalSeparator separator)
{
    if (std::isnan(value)) {
        text += "NAN";
        return;
    }
    if (std::isinf(value)) {
        text += value < 0 ? "-INF" : "INF";
        return;
    }
    if (value == 0) {
        text += '0';
        return;
    }
    const long double magnitude = std::fabs(value);
    char buffer[kNumberTextCapacity];
    const char* end =
        writeDigits(buffer, eighteenDigits(magnitude, x87::binaryExponent(magnitude)), value < 0, separator);
    text.append(buffer, static_cast<std::size_t>(end - buffer));
}

char* writeNumberText(char* out, double value, DecimalSeparator separator)
{
    if (!std::isfinite(value)) {
        const std::string_view name = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
        return std::copy(name.begin(), name.end(), out);
    }
    if (value == 0) {
        *out = '0';
        return out + 1;
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFULL;
    const std::uint64_t m = biased != 0 ? fraction | (1ULL << 52) : fraction;
    const int E = biased != 0 ? biased - 1075 : -1074;
    if (const std::optional<DecimalDigits> digits = eighteenDigitsOfBinary(m, E))
        return writeDigits(out, *digits, value < 0, separator);
    const int e = 63 - __builtin_clzll(m) + E;
    return writeDigits(out, eighteenDigits(std::fabs(static_cast<long double>(value)), e), value < 0, separator);
}


std::string IntegerToText(std::int32_t value) { return std::to_string(value); }

} // namespace kaskad
