// Expanding a swept field's ranges and lists into field texts.
#include "study/field_values.h"

#include "study/study_error.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace kaskad::study {

namespace {

// A decimal's mantissa with its sign, and a range's numbers as whole counts
// of the last decimal place of its FROM and STEP.
using DecimalMantissa = __int128;
// The distance between two such, which may exceed DecimalMantissa.
using UnitDistance = unsigned __int128;

// The most units a range counts, 2^127 - 1.
constexpr DecimalMantissa kMaxUnits = static_cast<DecimalMantissa>(~UnitDistance(0) >> 1);

// The most significant digits of one number of a range.
constexpr std::int64_t kMaxTextDigits = 36;

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
        const NumberTextParts parts = scanNumberText(text, separator);
        static_cast<void>(numberTextValue(parts));
        return parts;
    } catch (const EConvertError& error) {
        throw StudyError(reportText(error));
    }
}

// The exact value of a field text. Trailing zeros go into the exponent, so
// that "1000" and "1E3" both take one digit.
Decimal exactDecimal(std::string_view text, DecimalSeparator separator)
{
    const NumberTextParts parts = fieldNumberParts(text, separator);
    Decimal value{0, parts.lastDigitExponent()};
    std::int64_t digits = 0;    // digits in value.mantissa
    std::int64_t heldZeros = 0; // zeros after them, not multiplied in yet
    for (const std::string_view run : {parts.wholeDigits, parts.fractionDigits}) {
        for (const char c : run) {
            if (c == '0') {
                heldZeros += value.mantissa != 0;
                continue;
            }
            digits += heldZeros + 1;
            if (digits > kMaxTextDigits)
                throw StudyError("'" + shortQuote(text) + "' has too many digits for a range");
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

std::int64_t digitCount(DecimalMantissa magnitude)
{
    std::int64_t count = 1;
    for (; magnitude >= 10; magnitude /= 10)
        ++count;
    return count;
}

// The digits a number takes from its first digit down to 10^exponent.
std::int64_t digitsDownTo(const Decimal& value, std::int64_t exponent)
{
    return value.mantissa == 0 ? 0 : digitCount(magnitudeOf(value.mantissa)) + value.exponent - exponent;
}

// value / 10^exponent, for a value that is a whole multiple of 10^exponent;
// nothing when that is beyond DecimalMantissa.
std::optional<DecimalMantissa> unitsAt(const Decimal& value, std::int64_t exponent)
{
    DecimalMantissa m = value.mantissa;
    for (std::int64_t e = value.exponent; e > exponent && m != 0; --e)
        if (__builtin_mul_overflow(m, DecimalMantissa(10), &m))
            return std::nullopt;
    return m;
}

// value / 10^exponent rounded to a whole number, up when roundUp, else down.
std::optional<DecimalMantissa> unitsCutAt(const Decimal& value, std::int64_t exponent, bool roundUp)
{
    if (value.exponent >= exponent)
        return unitsAt(value, exponent);
    DecimalMantissa whole = value.mantissa;
    bool cut = false;
    for (std::int64_t e = value.exponent; e < exponent && whole != 0; ++e) {
        cut = cut || whole % 10 != 0;
        whole /= 10; // toward zero
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

[[noreturn]] void throwTooFarApartInScale(std::string_view range, std::int64_t digits)
{
    throw StudyError("the numbers of range '" + shortQuote(range) +
                     "' are too far apart in scale: in units of the last decimal place of FROM and STEP they "
                     "take " +
                     std::to_string(digits) + " digits, and a range counts at most " + digitsOf(kMaxUnits) + " units");
}

// The range in units of the last decimal place of FROM and STEP, where its
// values are whole. TO is cut to that place against the direction of the
// step, which keeps the same values up to it: TO needs no finer digits.
WholeRange wholeRange(const Decimal& from, const Decimal& to, const Decimal& step, std::string_view range)
{
    const std::int64_t exponent = from.mantissa == 0 ? step.exponent : std::min(from.exponent, step.exponent);
    const std::optional<DecimalMantissa> f = unitsAt(from, exponent);
    const std::optional<DecimalMantissa> t = unitsCutAt(to, exponent, step.mantissa < 0);
    const std::optional<DecimalMantissa> s = unitsAt(step, exponent);
    if (!f || !t || !s)
        throwTooFarApartInScale(
            range, std::max({digitsDownTo(from, exponent), digitsDownTo(to, exponent), digitsDownTo(step, exponent)}));
    return {*f, *t, *s, exponent};
}

UnitDistance distanceBetween(DecimalMantissa a, DecimalMantissa b)
{
    // Exact in unsigned arithmetic modulo 2^128, since |a - b| < 2^128.
    return a >= b ? UnitDistance(a) - UnitDistance(b) : UnitDistance(b) - UnitDistance(a);
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
        throw StudyError("range '" + shortQuote(range) + "' is not FROM:TO:STEP");
    const Decimal from = exactDecimal(parts[0], separator);
    const Decimal to = exactDecimal(parts[1], separator);
    const Decimal step = exactDecimal(parts[2], separator);
    if (step.mantissa == 0)
        throw StudyError("range '" + shortQuote(range) + "' has a zero step");

    const WholeRange whole = wholeRange(from, to, step, range);
    if ((whole.to < whole.from && whole.step > 0) || (whole.to > whole.from && whole.step < 0))
        throw StudyError("the step of range '" + shortQuote(range) + "' leads away from its end");
    const UnitDistance count = distanceBetween(whole.to, whole.from) / distanceBetween(whole.step, 0) + 1;
    if (count > kMaxFieldValues - texts.size())
        throw StudyError("range '" + shortQuote(range) + "' has more than " + std::to_string(kMaxFieldValues) +
                         " values");
    // Each value lies between FROM and TO: stepping to the next never
    // overflows.
    DecimalMantissa value = whole.from;
    for (UnitDistance k = 1;; ++k) {
        texts.push_back(decimalText({value, whole.exponent}, separator));
        if (k == count)
            return;
        value += whole.step;
    }
}

} // namespace

std::string shortQuote(std::string_view text)
{
    constexpr std::size_t kWhole = 80;
    constexpr std::size_t kShown = 60;
    if (text.size() <= kWhole)
        return std::string(text);
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "… (" + std::to_string(text.size()) + " bytes)";
}

bool isSweepText(std::string_view text) { return text.find_first_of(":;") != std::string_view::npos; }

std::vector<std::string> fieldValueTexts(std::string_view text, DecimalSeparator separator)
{
    std::vector<std::string> texts;
    for (std::string_view item : split(text, ';')) {
        if (item.find(':') != std::string_view::npos)
            appendRange(texts, item, separator);
        else if (item.empty())
            throw StudyError("list '" + shortQuote(text) + "' has an empty item");
        else
            texts.emplace_back(item);
        if (texts.size() > kMaxFieldValues)
            throw StudyError("'" + shortQuote(text) + "' has more than " + std::to_string(kMaxFieldValues) + " values");
    }
    return texts;
}

} // namespace kaskad::study
