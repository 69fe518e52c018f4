// Field texts read by the number syntax (scanNumberText, TextToNumber), the
// count rounding, and numbers written in the general format (NumberToText).
#include "number_text.h"
#include "number_text_paths.h"

#include "errors.h"
#include "extended.h"
#include "utf8.h"
#include "x87.h"

#include <array>
#include <bit>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <cmath>
#include <optional>
#include <ostream>

namespace kaskad {

namespace {

// The extended values nearest to the powers of ten of the three scaling steps.
constexpr std::array<long double, 32> kTenToUnits = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L, 1e14L, 1e15L,
    1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L, 1e28L, 1e29L, 1e30L, 1e31L};
constexpr std::array<long double, 16> kTenToThirtyTwos = {1e0L,   1e32L,  1e64L,  1e96L,  1e128L, 1e160L,
                                                          1e192L, 1e224L, 1e256L, 1e288L, 1e320L, 1e352L,
                                                          1e384L, 1e416L, 1e448L, 1e480L};
constexpr std::array<long double, 10> kTenToFiveTwelves = {1e0L,    1e512L,  1e1024L, 1e1536L, 1e2048L,
                                                           1e2560L, 1e3072L, 1e3584L, 1e4096L, 1e4608L};

constexpr long double kTenTo17 = 1e17L;
constexpr long double kTenTo18 = 1e18L;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::optional<DecimalSeparator> DecimalSeparator::fromText(std::string_view text)
{
    // One well-formed character, nothing before or after it.
    const std::size_t length = text.empty() ? 0 : utf8CharacterLength(text, 0);
    if (length == 0 || length != text.size())
        return std::nullopt;
    if (length == 1) {
        const char c = text[0];
        if (isDigit(c) || c == '+' || c == '-' || c == 'e' || c == 'E' || c == ' ' || c < ' ' || c == 127)
            return std::nullopt;
    }
    DecimalSeparator separator;
    separator.word_ = std::uint64_t(length) << 32;
    for (std::size_t i = 0; i < length; ++i)
        separator.word_ |= std::uint64_t(static_cast<unsigned char>(text[i])) << (8 * i);
    return separator;
}

long double scaleByPowerOfTen(long double value, std::int64_t k)
{
    const std::uint64_t magnitude = k < 0 ? 0 - static_cast<std::uint64_t>(k) : static_cast<std::uint64_t>(k);
    const std::uint64_t units = magnitude % 32;
    const std::uint64_t thirtyTwos = (magnitude / 32) % 16;
    const std::uint64_t fiveTwelves = magnitude / 512;
    const auto apply = [&](long double factor) { value = k > 0 ? value * factor : value / factor; };
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

namespace {

// Reads a field text from its first character, one part of the number syntax
// at a time.
class NumberTextCursor {
public:
    explicit NumberTextCursor(std::string_view text) : text_(text) {}

    bool atEnd() const { return i_ == text_.size(); }
    void skipBlanks()
    {
        while (at(' '))
            ++i_;
    }
    // Takes c if it comes next.
    bool take(char c)
    {
        const bool taken = at(c);
        i_ += taken;
        return taken;
    }
    bool take(std::string_view s)
    {
        const bool taken = text_.substr(i_).starts_with(s);
        i_ += taken ? s.size() : 0;
        return taken;
    }
    // An optional "+" or "-": true when it is "-".
    bool takeSign()
    {
        if (take('-'))
            return true;
        take('+');
        return false;
    }
    // The run of digits that comes next, possibly empty, each digit handed
    // to takeDigit as it is passed.
    template <typename DigitReader>
    [[gnu::always_inline]] std::string_view takeDigits(DigitReader& takeDigit)
    {
        const std::size_t start = i_;
        for (; atDigit(); ++i_)
            takeDigit(text_[i_]);
        return text_.substr(start, i_ - start);
    }
    // An exponent's optional sign and digits, taken while the value read so
    // far is below 500: "E5000" leaves its last "0" untaken.
    std::int64_t takeExponent()
    {
        const bool negative = takeSign();
        std::int64_t exponent = 0;
        while (atDigit() && exponent < 500)
            exponent = exponent * 10 + (text_[i_++] - '0');
        return negative ? -exponent : exponent;
    }

private:
    bool at(char c) const { return i_ < text_.size() && text_[i_] == c; }
    bool atDigit() const { return i_ < text_.size() && isDigit(text_[i_]); }

    std::string_view text_;
    std::size_t i_ = 0;
};

// scanNumberText, with each digit before the exponent handed to takeDigit
// as the scan passes it, so that reading a value takes one pass.
template <typename DigitReader>
[[gnu::always_inline]] inline NumberTextParts scanNumberText(std::string_view text, DecimalSeparator separator,
                                                             DigitReader& takeDigit)
{
    NumberTextCursor cursor(text);
    NumberTextParts parts;
    parts.text = text;
    cursor.skipBlanks();
    parts.negative = cursor.takeSign();
    parts.wholeDigits = cursor.takeDigits(takeDigit);
    const bool tookSeparator = cursor.take(separator.text());
    if (tookSeparator)
        parts.fractionDigits = cursor.takeDigits(takeDigit);
    if (parts.wholeDigits.empty() && !tookSeparator)
        throw EConvertError(text);
    if (cursor.take('E') || cursor.take('e'))
        parts.writtenExponent = cursor.takeExponent();
    cursor.skipBlanks();
    if (!cursor.atEnd())
        throw EConvertError(text);
    return parts;
}

// The integer of all the digits, M = M * 10 + digit, each step rounded to
// extended. Once infinite it stays infinite.
struct ExtendedMantissa {
    long double value = 0;
    void operator()(char digit) { value = value * 10 + (digit - '0'); }
};

// The value of parts whose digits formed mantissa.
[[gnu::always_inline]] inline long double scaledValue(const NumberTextParts& parts, long double mantissa)
{
    const std::int64_t k = parts.lastDigitExponent();
    const long double value = k <= -5120 ? 0.0L : scaleByPowerOfTen(mantissa, k);
    if (std::isinf(mantissa) || std::isinf(value))
        throw EConvertError(parts.text);
    return parts.negative ? -value : value;
}

} // namespace

NumberTextParts scanNumberText(std::string_view text, DecimalSeparator separator)
{
    const auto passDigit = [](char) {};
    return scanNumberText(text, separator, passDigit);
}

long double numberTextValue(const NumberTextParts& parts)
{
    ExtendedMantissa mantissa;
    for (const std::string_view digits : {parts.wholeDigits, parts.fractionDigits})
        for (const char digit : digits)
            mantissa(digit);
    return scaledValue(parts, mantissa.value);
}

long double TextToNumber(std::string_view text, DecimalSeparator separator)
{
    ExtendedMantissa mantissa;
    const NumberTextParts parts = scanNumberText(text, separator, mantissa);
    return scaledValue(parts, mantissa.value);
}

std::int32_t roundCount(long double value)
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

// scaleByPowerOfTen, with the one-factor scaling of the common magnitudes
// inline.
[[gnu::always_inline]] inline long double scaleForDigits(long double magnitude, int k)
{
    if (k >= 0 && k < 32)
        return magnitude * kTenToUnits[k];
    if (k < 0 && k > -32)
        return magnitude / kTenToUnits[-k];
    return scaleByPowerOfTen(magnitude, k);
}

// log10(2) * 2^31, rounded down: (e * it) >> 31 is floor(e * log10 2) for
// every binary exponent e of an extended value.
constexpr std::int64_t kLog10Of2Times2To31 = 646456993;

// e is the binary exponent of magnitude: 2^e <= magnitude < 2^(e+1).
[[gnu::always_inline]] inline DecimalDigits eighteenDigits(long double magnitude, int e)
{
    // floor(e * log10 2) + 1, within one of the true decimal exponent.
    int x = static_cast<int>((static_cast<std::int64_t>(e) * kLog10Of2Times2To31) >> 31) + 1;
    // Within the table's whole powers the estimate is settled by one
    // comparison; the loops below correct any value next to a power of ten.
    if (x >= 0 && x < static_cast<int>(kTenToUnits.size()) && magnitude >= kTenToUnits[x])
        ++x;
    long double scaled = scaleForDigits(magnitude, 18 - x);
    while (scaled >= kTenTo18) {
        ++x;
        scaled = scaleByPowerOfTen(magnitude, 18 - x);
    }
    while (scaled < kTenTo17) {
        --x;
        scaled = scaleByPowerOfTen(magnitude, 18 - x);
    }
    long double d = x87::roundToInteger(scaled);
    if (d >= kTenTo18) {
        d = x87::roundToInteger(scaled / 10);
        ++x;
    }
    return {static_cast<std::uint64_t>(x87::toInteger(d)), x};
}

// S * 2^q with the top bit of S set: a finite non-zero extended value, held
// exactly as the x87 unit holds it.
struct BinaryValue {
    std::uint64_t S;
    int q;
};

constexpr bool operator<(BinaryValue a, BinaryValue b) { return a.q != b.q ? a.q < b.q : a.S < b.S; }

// The binary value of the integer n > 0.
constexpr BinaryValue binaryValueOf(std::uint64_t n)
{
    const int shift = std::countl_zero(n);
    return {n << shift, -shift};
}

// n * 2^q for n of at most 128 bits, rounded to 64 as the x87 unit rounds:
// to nearest, ties to even. For the table below.
constexpr BinaryValue roundedToExtended(unsigned __int128 n, int q)
{
    const auto high = static_cast<std::uint64_t>(n >> 64);
    if (high == 0) {
        const BinaryValue low = binaryValueOf(static_cast<std::uint64_t>(n));
        return {low.S, q + low.q};
    }
    int shift = 64 - std::countl_zero(high);
    auto S = static_cast<std::uint64_t>(n >> shift);
    const unsigned __int128 rest = n & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (S & 1) != 0)) {
        if (++S == 0) {
            S = 1ULL << 63;
            ++shift;
        }
    }
    return {S, q + shift};
}

// kTenToUnits as binary values: 10^k = 5^k * 2^k, 5^k rounded to 64 bits
// once it is wider (from 10^28 on), as the extended literals are.
constexpr std::array<BinaryValue, kTenToUnits.size()> kTenToUnitsBinary = [] {
    std::array<BinaryValue, kTenToUnits.size()> powers{};
    unsigned __int128 fivePower = 1;
    for (std::size_t k = 0; k < powers.size(); ++k, fivePower *= 5)
        powers[k] = roundedToExtended(fivePower, static_cast<int>(k));
    return powers;
}();

constexpr long double extendedOf(BinaryValue v)
{
    long double value = static_cast<long double>(v.S);
    for (int q = v.q; q > 0; --q)
        value *= 2;
    for (int q = v.q; q < 0; ++q)
        value /= 2;
    return value;
}

constexpr bool tablesAgree()
{
    for (std::size_t k = 0; k < kTenToUnits.size(); ++k)
        if (extendedOf(kTenToUnitsBinary[k]) != kTenToUnits[k])
            return false;
    return true;
}
static_assert(tablesAgree(), "each binary power of ten is its extended literal");

constexpr BinaryValue kBinaryTenTo17 = binaryValueOf(100'000'000'000'000'000ULL);
constexpr BinaryValue kBinaryTenTo18 = binaryValueOf(1'000'000'000'000'000'000ULL);
constexpr std::uint64_t kWholeTenTo18 = 1'000'000'000'000'000'000ULL;

// a * b rounded to 64 bits as the x87 multiplication rounds it: to nearest,
// ties to even.
[[gnu::always_inline]] inline BinaryValue times(BinaryValue a, BinaryValue b)
{
    const unsigned __int128 product = static_cast<unsigned __int128>(a.S) * b.S;
    // Two top bits set make a product of 127 or 128 bits: in the shorter,
    // one more bit is kept. Which length, and whether the rounding goes up,
    // is random over a study's values: both are added in rather than
    // branched on, as a mispredicted jump costs more.
    const auto high = static_cast<std::uint64_t>(product >> 64);
    const auto low = static_cast<std::uint64_t>(product);
    const std::uint64_t shorter = (high >> 63) ^ 1;
    auto kept = high << shorter | (low >> 63 & shorter);
    // dropped is the rest as a fraction of the last bit kept, in 64 bits.
    const std::uint64_t dropped = low << shorter;
    int q = a.q + b.q + 64 - static_cast<int>(shorter);
    constexpr std::uint64_t half = 1ULL << 63;
    kept += static_cast<std::uint64_t>((dropped > half) | ((dropped == half) & (kept & 1)));
    if (kept == 0) [[unlikely]] {
        kept = half;
        ++q;
    }
    return {kept, q};
}

// v * kTenToUnits[k], rounded as the x87 multiplication rounds it; nothing
// when k is outside the table, where the scaling takes more than one step.
[[gnu::always_inline]] inline std::optional<BinaryValue> timesPowerOfTen(BinaryValue v, int k)
{
    if (k < 0 || k >= static_cast<int>(kTenToUnitsBinary.size()))
        return std::nullopt;
    return times(v, kTenToUnitsBinary[static_cast<std::size_t>(k)]);
}

// S * 2^q rounded to an integer, to nearest with ties to even; the value is
// at least 1 and below 2^64.
[[gnu::always_inline]] inline std::uint64_t roundToInteger(BinaryValue v)
{
    if (v.q >= 0)
        return v.S << v.q;
    const int shift = -v.q;
    const std::uint64_t whole = v.S >> shift;
    const std::uint64_t rest = v.S & ((1ULL << shift) - 1);
    const std::uint64_t half = 1ULL << (shift - 1);
    return whole + static_cast<std::uint64_t>((rest > half) | ((rest == half) & (whole & 1)));
}

// eighteenDigits in integer arithmetic: the same estimate, the same scalings
// in the same order, each product rounded exactly as the x87 unit rounds it,
// so the same D and X. Nothing where a scaling takes more than one factor of
// the table (values below about 10^-13 or from 10^18 on) or the rounded D
// reaches 10^18: those stay with the extended path.
[[gnu::always_inline]] inline std::optional<DecimalDigits> eighteenDigitsOfBinary(BinaryValue magnitude)
{
    const int e = magnitude.q + 63;
    int x = static_cast<int>((static_cast<std::int64_t>(e) * kLog10Of2Times2To31) >> 31) + 1;
    if (x >= 0 && x < static_cast<int>(kTenToUnitsBinary.size()) &&
        !(magnitude < kTenToUnitsBinary[static_cast<std::size_t>(x)]))
        ++x;
    std::optional<BinaryValue> scaled = timesPowerOfTen(magnitude, 18 - x);
    while (scaled && !(*scaled < kBinaryTenTo18))
        scaled = timesPowerOfTen(magnitude, 18 - ++x);
    while (scaled && *scaled < kBinaryTenTo17)
        scaled = timesPowerOfTen(magnitude, 18 - --x);
    if (!scaled)
        return std::nullopt;
    const std::uint64_t d = roundToInteger(*scaled);
    if (d >= kWholeTenTo18)
        return std::nullopt;
    return DecimalDigits{d, x};
}

// The encoding of an extended: its 64-bit significand, its sign and its
// 15-bit biased exponent, read once from memory.
struct ExtendedBits {
    std::uint64_t significand;
    std::uint16_t signAndExponent;

    explicit ExtendedBits(long double value)
    {
        std::memcpy(&significand, &value, sizeof significand);
        std::memcpy(&signAndExponent, reinterpret_cast<const char*>(&value) + 8, sizeof signAndExponent);
    }
    int biased() const { return signAndExponent & 0x7FFF; }
    bool negative() const { return (signAndExponent >> 15) != 0; }
    // Neither a zero nor an infinity or not-a-number (exponent bits all ones).
    bool finiteNonZero() const { return biased() != 0x7FFF && (biased() != 0 || significand != 0); }
};

// The binary value of |value| for a finite non-zero extended; nothing for
// the encodings without the integer bit that the x87 unit rejects.
[[gnu::always_inline]] inline std::optional<BinaryValue> magnitudeOf(ExtendedBits bits)
{
    if (bits.biased() == 0) {
        const BinaryValue subnormal = binaryValueOf(bits.significand);
        return BinaryValue{subnormal.S, subnormal.q + 1 - 16383};
    }
    if ((bits.significand >> 63) == 0)
        return std::nullopt;
    return BinaryValue{bits.significand, bits.biased() - 16383 - 63};
}

} // namespace

namespace {

// |value| as P * 10^(X - 15) with P an integer of exactly 15 digits, held
// as any R with R / 1000 = P, so that P's digits are divided out of R at once.
struct FifteenDigits {
    std::uint64_t r;
    int x;
};

// D cut to fifteen digits: one is added to the prefix when the sixteenth
// digit is 5 or more (only it decides), and a carry out of fifteen nines
// moves the point.
[[gnu::always_inline]] inline FifteenDigits roundToFifteenDigits(DecimalDigits digits18)
{
    auto [d, x] = digits18;
    // The sixteenth digit is 5 or more exactly when the last three are 500
    // or more: then D + 500 reaches the next thousand.
    std::uint64_t r = d + 500;
    if (r >= kWholeTenTo18) [[unlikely]] {
        r = kWholeTenTo18 / 10;
        ++x;
    }
    return {r, x};
}

// Two numbers below 10^4, one in each 32-bit lane, as the values (0 to 9)
// of their four digits, a byte each, the first digit in the lowest byte:
// the hundreds and then the tens split off in both lanes at once.
[[gnu::always_inline]] inline std::uint64_t digitValuesOfLanes(std::uint64_t lanes)
{
    // x * 10486 >> 20 is x / 100 below 10^4; x * 103 >> 10 is x / 10 below 100.
    const std::uint64_t hundreds = (lanes * 10486) >> 20 & 0x0000007F0000007FULL;
    lanes = hundreds | (lanes - hundreds * 100) << 16;
    const std::uint64_t tens = (lanes * 103) >> 10 & 0x000F000F000F000FULL;
    return tens | (lanes - tens * 10) << 8;
}

// Fifteen digits held as the bytes of one integer, the first in the lowest,
// a zero byte above the last, and how many remain without trailing zeros.
struct FifteenDigitBytes {
    unsigned __int128 bytes;
    int count;
};

// The fifteen digits of r / 1000.
[[gnu::always_inline]] inline FifteenDigitBytes spellFifteenDigits(std::uint64_t r)
{
    // Four groups of four digits, the first with a leading zero that the
    // shift drops. Each group is divided out of r itself, so that no
    // division waits for another.
    const std::uint64_t first3 = r / 1'000'000'000'000'000ULL;
    const std::uint64_t first7 = r / 100'000'000'000ULL;
    const std::uint64_t first11 = r / 10'000'000ULL;
    const std::uint64_t prefix = r / 1'000ULL;
    const unsigned __int128 sixteen = digitValuesOfLanes(first3 | (first7 - first3 * 10'000) << 32) |
                                      static_cast<unsigned __int128>(digitValuesOfLanes(
                                          (first11 - first7 * 10'000) | (prefix - first11 * 10'000) << 32))
                                          << 64;
    // The digits' values, zero for each "0": the last non-zero one ends them.
    const unsigned __int128 values = sixteen >> 8;
    const auto high = static_cast<std::uint64_t>(values >> 64);
    const int lastByte =
        high != 0 ? 64 + 63 - std::countl_zero(high) : 63 - std::countl_zero(static_cast<std::uint64_t>(values));
    constexpr unsigned __int128 kZeroDigits =
        static_cast<unsigned __int128>(0x0030303030303030ULL) << 64 | 0x3030303030303030ULL;
    return {values + kZeroDigits, lastByte / 8 + 1};
}

// Sixteen bytes of digits at out, whatever of them the text needs.
[[gnu::always_inline]] inline void storeDigitBytes(char* out, unsigned __int128 bytes)
{
    std::memcpy(out, &bytes, sizeof bytes);
}

// The exponent of the E form; those of the printed numbers fit an int.
[[gnu::always_inline]] inline char* writeExponent(char* out, std::int64_t exponent)
{
    if (exponent >= INT_MIN && exponent <= INT_MAX)
        return std::to_chars(out, out + 11, static_cast<int>(exponent)).ptr;
    return std::to_chars(out, out + 20, exponent).ptr;
}

// writeGeneralFormat, inline where the printed numbers are written.
[[gnu::always_inline]] inline char* layOutGeneralFormat(char* out, std::string_view digitText, std::int64_t x,
                                                        bool negative, DecimalSeparator separator)
{
    const char* digits = digitText.data();
    const auto n = static_cast<std::int64_t>(digitText.size());
    const auto put = [&](const char* from, std::int64_t count) {
        std::memcpy(out, from, static_cast<std::size_t>(count));
        out += count;
    };
    const std::string_view sep = separator.text();
    const auto putSeparator = [&] {
        if (sep.size() == 1)
            *out++ = sep[0];
        else
            put(sep.data(), static_cast<std::int64_t>(sep.size()));
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
        out = writeExponent(out, x - 1);
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

// Writes the number D * 10^(X - 18) in the general format with 15
// significant digits; returns the end of what it wrote.
// The general format's layout for fifteen digits held as bytes: each part is
// stored whole, sixteen digit bytes or four separator bytes at a time, and
// the next part written over what the text does not use. Writes at most
// kNumberTextCapacity bytes; returns the end of the text.
[[gnu::always_inline]] inline char* layOutFifteenDigits(char* out, FifteenDigitBytes digits, int x, bool negative,
                                                        DecimalSeparator separator)
{
    const int n = digits.count;
    const std::string_view sep = separator.text();
    // The separator's four bytes, of which it uses sep.size().
    const auto putSeparator = [&](char* at) {
        std::memcpy(at, sep.data(), 4);
        return at + sep.size();
    };
    *out = '-';
    out += negative;
    if (x > 15 || x < -3) {
        *out++ = static_cast<char>(digits.bytes);
        if (n > 1) {
            out = putSeparator(out);
            storeDigitBytes(out, digits.bytes >> 8);
            out += n - 1;
        }
        *out++ = 'E';
        return writeExponent(out, x - 1);
    }
    if (x <= 0) {
        *out++ = '0';
        out = putSeparator(out);
        // Zeros laid over the text being formed, which is no C string.
        std::memcpy(out, "000", 3); // NOLINT(bugprone-not-null-terminated-result)
        out += -x;
        storeDigitBytes(out, digits.bytes);
        return out + n;
    }
    storeDigitBytes(out, digits.bytes);
    if (n <= x) {
        std::memcpy(out + n, "0000000000000000", 16); // NOLINT(bugprone-not-null-terminated-result)
        return out + x;
    }
    char* tail = putSeparator(out + x);
    storeDigitBytes(tail, digits.bytes >> (8 * x));
    return tail + (n - x);
}

[[gnu::always_inline]] inline char* writeDigits(char* out, DecimalDigits digits18, bool negative,
                                                DecimalSeparator separator)
{
    const FifteenDigits rounded = roundToFifteenDigits(digits18);
    return layOutFifteenDigits(out, spellFifteenDigits(rounded.r), rounded.x, negative, separator);
}

} // namespace

char* writeGeneralFormat(char* out, std::string_view digits, std::int64_t pointPosition, bool negative,
                         DecimalSeparator separator)
{
    return layOutGeneralFormat(out, digits, pointPosition, negative, separator);
}

namespace {

// The text of zero or of a value that is not finite, at out.
char* writeSpecialValue(char* out, long double value)
{
    const std::string_view name = std::isinf(value) ? (value < 0 ? "-INF" : "INF") : value == 0 ? "0" : "NAN";
    return std::copy(name.begin(), name.end(), out);
}

// The 18 digits of a finite non-zero value (a double or an extended) by the
// integer path from its magnitude, or by the extended scaling where that
// path leaves them.
template <class Value>
DecimalDigits eighteenDigitsOf(Value value, std::optional<BinaryValue> magnitude)
{
    if (magnitude)
        if (const std::optional<DecimalDigits> digits = eighteenDigitsOfBinary(*magnitude))
            return *digits;
    return eighteenDigitsByScaling(value);
}

} // namespace

DecimalDigits eighteenDigitsByScaling(long double value)
{
    const long double magnitude = std::fabs(value);
    return eighteenDigits(magnitude, x87::binaryExponent(magnitude));
}

std::optional<DecimalDigits> eighteenDigitsByInteger(long double value)
{
    const std::optional<BinaryValue> magnitude = magnitudeOf(ExtendedBits(value));
    return magnitude ? eighteenDigitsOfBinary(*magnitude) : std::nullopt;
}

namespace {

// The text of an extended at out, which has room for kNumberTextCapacity
// bytes; returns the end of the text.
char* writeExtendedText(char* out, long double value, DecimalSeparator separator)
{
    const ExtendedBits bits(value);
    if (!bits.finiteNonZero())
        return writeSpecialValue(out, value);
    return writeDigits(out, eighteenDigitsOf(value, magnitudeOf(bits)), bits.negative(), separator);
}

} // namespace

NumberText NumberToText(long double value, DecimalSeparator separator)
{
    NumberText text;
    text.size_ = static_cast<std::uint8_t>(writeExtendedText(text.chars_, value, separator) - text.chars_);
    return text;
}

std::ostream& operator<<(std::ostream& out, const NumberText& text) { return out << text.view(); }

void appendNumberText(std::string& text, long double value, DecimalSeparator separator)
{
    char buffer[kNumberTextCapacity];
    text.append(buffer, static_cast<std::size_t>(writeExtendedText(buffer, value, separator) - buffer));
}

char* writeNumberText(char* out, double value, DecimalSeparator separator)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased == 0x7FF || (bits << 1) == 0)
        return writeSpecialValue(out, value);
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFULL;
    const BinaryValue significand = binaryValueOf(biased != 0 ? fraction | (1ULL << 52) : fraction);
    const BinaryValue magnitude{significand.S, significand.q + (biased != 0 ? biased - 1075 : -1074)};
    return writeDigits(out, eighteenDigitsOf(value, magnitude), (bits >> 63) != 0, separator);
}

std::optional<double> storedValueOfText(std::string_view text)
{
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    const double single = static_cast<float>(number);
    // A single that prints these 15 digits lies within half a unit of the
    // 15th digit of the text's number: one further off, which every double
    // that is no single is, needs no printing to be told apart.
    if (!(std::abs(single - number) <= 1e-13 * std::abs(number)))
        return number;
    char printed[kNumberTextCapacity];
    const char* printedEnd = writeNumberText(printed, single, DecimalSeparator('.'));
    return std::string_view(printed, static_cast<std::size_t>(printedEnd - printed)) == text ? single : number;
}

} // namespace kaskad
