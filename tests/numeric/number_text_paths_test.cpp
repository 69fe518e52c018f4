// The number text's integer path against the extended scaling it stands in
// for: random values and values at every boundary get the same 18 digits and
// print the same text both ways. KASKAD_NUMBER_TEXT_VALUES sets the random
// values of each kind (a million by default, a quarter of that under the
// sanitizers); some 150 million values in all, by hand:
//   KASKAD_NUMBER_TEXT_VALUES=25000000 build/bin/kaskad_core_tests --gtest_filter='*NumberTextPaths*'
#include "numeric/number_text.h"
#include "numeric/number_text_paths.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <string>

namespace kaskad {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr std::uint64_t kDefaultRandomValues = 250'000;
#else
constexpr std::uint64_t kDefaultRandomValues = 1'000'000;
#endif

std::uint64_t randomValuesOfEachKind()
{
    const char* text = std::getenv("KASKAD_NUMBER_TEXT_VALUES");
    return text ? std::strtoull(text, nullptr, 10) : kDefaultRandomValues;
}

// The extended value of sign, biased exponent and 64-bit significand.
long double extendedOf(std::uint64_t significand, std::uint16_t biasedExponent)
{
    long double value = 0;
    std::memcpy(&value, &significand, sizeof significand);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &biasedExponent, sizeof biasedExponent);
    return value;
}

// The text the extended scaling gives: D cut to fifteen digits by its
// sixteenth, trailing zeros dropped, laid out by the general format.
std::string textByScaling(long double value, DecimalSeparator separator)
{
    if (!std::isfinite(value) || value == 0)
        return NumberToText(value, separator);
    const DecimalDigits digits = eighteenDigitsByScaling(value);
    std::uint64_t prefix = digits.d / 1000 + ((digits.d / 100) % 10 >= 5 ? 1 : 0);
    int x = digits.x;
    if (prefix == 1'000'000'000'000'000ULL) {
        prefix /= 10;
        ++x;
    }
    std::string significant = std::to_string(prefix);
    significant.erase(significant.find_last_not_of('0') + 1);
    char text[kNumberTextCapacity];
    return {text, writeGeneralFormat(text, significant, x, value < 0, separator)};
}

// Separators of one to four bytes, taken in turn.
const std::array<DecimalSeparator, 4> kSeparators = {'.', ',', *DecimalSeparator::fromText("·"),
                                                     *DecimalSeparator::fromText("🙂")};

// Forms each value's 18 digits both ways, where the integer path takes it,
// and its text both ways, as an extended and, when it is one, as the double
// writeNumberText takes; counts the values and keeps the first differences.
class PathComparison {
public:
    void check(long double value)
    {
        const DecimalSeparator separator = kSeparators[checked_++ % kSeparators.size()];
        if (std::isfinite(value) && value != 0)
            if (const std::optional<DecimalDigits> digits = eighteenDigitsByInteger(value)) {
                ++byInteger_;
                const DecimalDigits expected = eighteenDigitsByScaling(value);
                note(value, std::to_string(expected.d) + "E" + std::to_string(expected.x),
                     std::to_string(digits->d) + "E" + std::to_string(digits->x));
            }
        const std::string expected = textByScaling(value, separator);
        text_.clear();
        appendNumberText(text_, value, separator);
        note(value, expected, text_);
        const auto narrowed = static_cast<double>(value);
        if (static_cast<long double>(narrowed) == value || std::isnan(value)) {
            char ofDouble[kNumberTextCapacity];
            note(value, expected,
                 {ofDouble, static_cast<std::size_t>(writeNumberText(ofDouble, narrowed, separator) - ofDouble)});
        }
    }
    // value and its neighbours, `steps` units of its width either way.
    template <class Width>
    void checkAround(Width value, int steps)
    {
        Width below = value, above = value;
        check(value);
        for (int k = 0; k < steps; ++k) {
            check(below = std::nextafter(below, -std::numeric_limits<Width>::infinity()));
            check(above = std::nextafter(above, std::numeric_limits<Width>::infinity()));
        }
    }
    std::uint64_t checked() const { return checked_; }
    std::uint64_t byInteger() const { return byInteger_; }
    const std::string& differences() const { return differences_; }

private:
    void note(long double value, std::string_view expected, std::string_view got)
    {
        if (got == expected || ++differing_ > 10)
            return;
        char exact[64];
        std::snprintf(exact, sizeof exact, "%La", value);
        differences_ += std::string(exact) + ": " + std::string(got) + " instead of " + std::string(expected) + "\n";
    }

    std::uint64_t checked_ = 0;
    std::uint64_t byInteger_ = 0; // the values whose digits the integer path formed
    int differing_ = 0;
    std::string text_;
    std::string differences_;
};

struct ValueKind {
    const char* name;
    std::function<void(PathComparison&, std::mt19937_64&, std::uint64_t randomValues)> checkAll;
};

class NumberTextPaths : public ::testing::TestWithParam<ValueKind> {};

TEST_P(NumberTextPaths, PrintTheSameText)
{
    PathComparison comparison;
    std::mt19937_64 random(20261207);
    GetParam().checkAll(comparison, random, randomValuesOfEachKind());
    EXPECT_EQ(comparison.differences(), "") << comparison.checked() << " values";
    std::printf("%s: %llu values, %llu by the integer path\n", GetParam().name,
                static_cast<unsigned long long>(comparison.checked()),
                static_cast<unsigned long long>(comparison.byInteger()));
}

// Random significands with the binary exponent drawn from [lowest, highest],
// signs alternating.
void checkRandomExtended(PathComparison& c, std::mt19937_64& random, std::uint64_t count, int lowest, int highest)
{
    std::uniform_int_distribution<int> exponent(lowest, highest);
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto biased = static_cast<std::uint16_t>(exponent(random) + 16383 + (i % 2 ? 0x8000 : 0));
        c.check(extendedOf(random() | (1ULL << 63), biased));
    }
}

// 10^k nearest in each width, from its text.
void checkPowersOfTen(PathComparison& c, int lowest, int highest, int neighbours)
{
    for (int k = lowest; k <= highest; ++k) {
        const std::string text = "1e" + std::to_string(k);
        c.checkAround(std::strtold(text.c_str(), nullptr), neighbours);
        c.checkAround(std::strtod(text.c_str(), nullptr), neighbours);
        c.checkAround(std::strtof(text.c_str(), nullptr), neighbours);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberTextPaths,
    ::testing::Values(
        // Where the model's values lie and the integer path reaches, and a
        // little beyond on either side.
        ValueKind{"ExtendedsOfPrintedMagnitudes", [](PathComparison& c, std::mt19937_64& random,
                                                     std::uint64_t n) { checkRandomExtended(c, random, n, -60, 70); }},
        ValueKind{"ExtendedsOfEveryMagnitude",
                  [](PathComparison& c, std::mt19937_64& random, std::uint64_t n) {
                      checkRandomExtended(c, random, n, -16382, 16383);
                      for (std::uint64_t i = 0; i < n / 16; ++i)
                          c.check(extendedOf(random() >> (i % 64), 0));
                  }},
        ValueKind{"DoublesAndSinglesOfEveryBitPattern",
                  [](PathComparison& c, std::mt19937_64& random, std::uint64_t n) {
                      for (std::uint64_t i = 0; i < n; ++i) {
                          const std::uint64_t bits = random();
                          c.check(std::bit_cast<double>(bits));
                          c.check(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
                      }
                  }},
        ValueKind{"PowersOfTwoAndTenWithTheirNeighbours",
                  [](PathComparison& c, std::mt19937_64&, std::uint64_t) {
                      for (int k = -16445; k <= 16383; ++k)
                          c.checkAround(std::ldexp(1.0L, k), k >= -1074 && k <= 1023 ? 3 : 1);
                      for (int k = -1074; k <= 1023; ++k)
                          c.checkAround(static_cast<double>(std::ldexp(1.0, k)), 1);
                      checkPowersOfTen(c, -4950, 4932, 1);
                      checkPowersOfTen(c, -325, 309, 4);
                      c.checkAround(DBL_MAX, 2);
                      c.checkAround(FLT_MAX, 2);
                      c.checkAround(LDBL_MAX, 2);
                      c.checkAround(FLT_TRUE_MIN, 2);
                      c.checkAround(DBL_TRUE_MIN, 2);
                  }},
        // Ties: a product c * 5^k of 65 bits rounds to 64 with its last bit
        // exactly half; D + 1/2 rounds to an even integer; D ending in 500 or
        // 499 sits on the sixteenth digit's edge.
        ValueKind{"HalfwayCases",
                  [](PathComparison& c, std::mt19937_64& random, std::uint64_t n) {
                      for (std::uint64_t i = 0; i < n / 4; ++i) {
                          const int k = 1 + static_cast<int>(i % 31);
                          unsigned __int128 fivePower = 1;
                          for (int j = 0; j < k; ++j)
                              fivePower *= 5;
                          // c odd, c * 5^k of exactly 65 bits.
                          const unsigned __int128 low = (static_cast<unsigned __int128>(1) << 64) / fivePower + 1;
                          const unsigned __int128 high = ((static_cast<unsigned __int128>(1) << 65) - 1) / fivePower;
                          if (low > high || high > UINT64_MAX)
                              continue;
                          const auto span = static_cast<std::uint64_t>(high - low);
                          const std::uint64_t odd = (static_cast<std::uint64_t>(low) + random() % (span + 1)) | 1;
                          if (static_cast<unsigned __int128>(odd) > high)
                              continue;
                          // Scaled by 10^k it lands near 2^58, within [10^17, 10^18).
                          for (int e = -k - 9; e <= -k - 5; ++e)
                              c.check(std::ldexp(static_cast<long double>(odd), e));
                      }
                      std::uniform_int_distribution<std::uint64_t> d(100'000'000'000'000'000ULL,
                                                                     999'999'999'999'999'999ULL);
                      for (std::uint64_t i = 0; i < n / 4; ++i) {
                          const std::uint64_t whole = d(random);
                          c.check(static_cast<long double>(whole) + 0.5L);
                          c.check(static_cast<long double>(whole - whole % 1000 + 500));
                          c.check(static_cast<long double>(whole - whole % 1000 + 499));
                          c.check(static_cast<long double>(whole - whole % 1000 + 499) / 1e9L);
                      }
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kaskad
