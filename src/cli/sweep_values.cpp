// Expanding a swept field's ranges and lists into field texts.
#include "cli/sweep_values.h"

#include "cli/cli_errors.h"

#include <algorithm>
#include <initializer_list>

namespace kaskad::cli {

namespace {

// A decimal mantissa with its sign: at most kMaxRangeDigits digits, or the
// sum or difference of two such.
using DecimalMantissa = __int128;

// The most digits of a range's numbers: of each text, and of FROM, TO and
// STEP written down to the last decimal place of FROM and STEP.
constexpr std::int64_t kMaxRangeDigits = 36;

// A decimal number held exactly: mantissa * 10^exponent.
struct Decimal {
    DecimalMantissa mantissa = 0;
    std::int64_t exponent = 0;
};

// A field text taken apart as the field reads it. A text the field rejects,
// by its syntax or by its range, is a usage error with the field's message.
NumberTextParts fieldNumberParts(std::string_view text, DecimalSeparator separator)
{
    try {
        const NumberTextParts parts = ScanNumberText(text, separator);
        static_cast<void>(NumberTextValue(parts));
        return parts;
    } catch (const EConvertError& error) {
        throw UsageError(reportText(error));
    }
}

// The exact value of a field text. Trailing zeros go into the exponent, so
// that "1000" and "1E3" both take one digit.
Decimal exactDecimal(std::string_view text, DecimalSeparator separator)
{
    const NumberTextParts parts = fieldNumberParts(text, separator);
    Decimal value{0, parts.lastDigitExponent()};
    std::int64_t digits = 0;     // digits in value.mantissa
    std::int64_t heldZeros = 0;  // zeros after them, not multiplied in yet
    for (const std::string_view run : {parts.wholeDigits, parts.fractionDigits}) {
        for (const char c : run) {
            if (c == '0') {
                heldZeros += value.mantissa != 0;
                continue;
            }
            digits += heldZeros + 1;
            if (digits > kMaxRangeDigits)
                throw UsageError("'" + std::string(text) + "' has too many digits for a range");
            for (; heldZeros > 0; --heldZeros)
                value.mantissa *= 10;
            value.mantissa = value.mantissa * 10 + (c - '0');
        }
    }
    value.exponent += heldZeros;
    if (parts.negative)
        value.mantissa = -value.mantissa;
    return value;
}

DecimalMantissa magnitudeOf(DecimalMantissa m) { return m < 0 ? -m : m; }

std::int64_t digitCount(DecimalMantissa magnitude)
{
    std::int64_t count = 1;
    for (; magnitude >= 10; magnitude /= 10)
        ++count;
    return count;
}

// The places a number takes from its first digit down to 10^exponent.
std::int64_t placesDownTo(const Decimal& value, std::int64_t exponent)
{
    return value.mantissa == 0 ? 0 : digitCount(magnitudeOf(value.mantissa)) + value.exponent - exponent;
}

// value / 10^exponent for a value that is a whole multiple of 10^exponent.
DecimalMantissa mantissaAt(const Decimal& value, std::int64_t exponent)
{
    DecimalMantissa m = value.mantissa;
    for (std::int64_t e = value.exponent; e > exponent && m != 0; --e)
        m *= 10;
    return m;
}

// value / 10^exponent rounded down, or up when roundUp, to a whole number.
DecimalMantissa mantissaCutAt(const Decimal& value, std::int64_t exponent, bool roundUp)
{
    if (value.exponent >= exponent)
        return mantissaAt(value, exponent);
    DecimalMantissa whole = value.mantissa;
    bool cut = false;
    for (std::int64_t e = value.exponent; e < exponent && whole != 0; ++e) {
        cut = cut || whole % 10 != 0;
        whole /= 10;  // toward zero
    }
    if (cut && roundUp && value.mantissa > 0)
        return whole + 1;
    if (cut && !roundUp && value.mantissa < 0)
        return whole - 1;
    return whole;
}

// A range as whole numbers of 10^exponent: every value FROM + k * STEP is one.
struct WholeRange {
    DecimalMantissa from, to, step;
    std::int64_t exponent;
};

// The range at the last decimal place of FROM and STEP, where its values
// are whole. TO is cut to that place against the direction of the step,
// which keeps the same values up to it: TO needs no finer digits.
WholeRange wholeRange(const Decimal& from, const Decimal& to, const Decimal& step, std::string_view range)
{
    const std::int64_t exponent = from.mantissa == 0 ? step.exponent : std::min(from.exponent, step.exponent);
    const std::int64_t places = std::max({placesDownTo(from, exponent), placesDownTo(to, exponent),
                                          placesDownTo(step, exponent)});
    if (places > kMaxRangeDigits)
        throw UsageError("the numbers of range '" + std::string(range) + "' take " + std::to_string(places) +
                         " digits down to the last decimal place of FROM and STEP; a range may take at most " +
                         std::to_string(kMaxRangeDigits));
    const bool stepDown = step.mantissa < 0;
    return {mantissaAt(from, exponent), mantissaCutAt(to, exponent, stepDown), mantissaAt(step, exponent),
            exponent};
}

std::string digitsOf(DecimalMantissa magnitude)
{
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

// The decimal written as a field text, in the printed numbers' general
// format: positional from 0.0001 to below 10^15, "1.5E-5" form beyond.
std::string decimalText(Decimal value, DecimalSeparator separator)
{
    if (value.mantissa == 0)
        return "0";
    while (value.mantissa % 10 == 0) {
        value.mantissa /= 10;
        ++value.exponent;
    }
    const std::string digits = digitsOf(magnitudeOf(value.mantissa));
    const std::int64_t pointPosition = static_cast<std::int64_t>(digits.size()) + value.exponent;
    std::string text(digits.size() + kGeneralFormatOverhead, '\0');
    const char* end = writeGeneralFormat(text.data(), digits, pointPosition, value.mantissa < 0, separator);
    text.resize(static_cast<std::size_t>(end - text.data()));
    return text;
}

std::vector<std::string_view> split(std::string_view text, char at)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

void appendRange(std::vector<std::string>& texts, std::string_view range, DecimalSeparator separator)
{
    const std::vector<std::string_view> parts = split(range, ':');
    if (parts.size() != 3)
        throw UsageError("range '" + std::string(range) + "' is not FROM:TO:STEP");
    const Decimal from = exactDecimal(parts[0], separator);
    const Decimal to = exactDecimal(parts[1], separator);
    const Decimal step = exactDecimal(parts[2], separator);
    if (step.mantissa == 0)
        throw UsageError("range '" + std::string(range) + "' has a zero step");

    const WholeRange whole = wholeRange(from, to, step, range);
    const DecimalMantissa span = whole.to - whole.from;
    if ((span < 0 && whole.step > 0) || (span > 0 && whole.step < 0))
        throw UsageError("the step of range '" + std::string(range) + "' leads away from its end");
    const DecimalMantissa count = span / whole.step + 1;
    if (count > static_cast<DecimalMantissa>(kMaxFieldValues - texts.size()))
        throw UsageError("range '" + std::string(range) + "' has more than " + std::to_string(kMaxFieldValues) +
                         " values");
    for (DecimalMantissa k = 0; k < count; ++k)
        texts.push_back(decimalText({whole.from + k * whole.step, whole.exponent}, separator));
}

} // namespace

bool isSweepText(std::string_view text)
{
    return text.find_first_of(":;") != std::string_view::npos;
}

std::vector<std::string> fieldValueTexts(std::string_view text, DecimalSeparator separator)
{
    std::vector<std::string> texts;
    for (std::string_view item : split(text, ';')) {
        if (item.find(':') != std::string_view::npos)
            appendRange(texts, item, separator);
        else if (item.empty())
            throw UsageError("list '" + std::string(text) + "' has an empty item");
        else
            texts.emplace_back(item);
        if (texts.size() > kMaxFieldValues)
            throw UsageError("'" + std::string(text) + "' has more than " + std::to_string(kMaxFieldValues) +
                             " values");
    }
    return texts;
}

} // namespace kaskad::cli
