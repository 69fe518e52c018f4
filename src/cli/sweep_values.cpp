// Expanding a swept field's ranges and lists into field texts.
#include "cli/sweep_values.h"

#include "cli/cli_errors.h"

#include <algorithm>

namespace kaskad::cli {

namespace {

using Wide = __int128;

// A decimal number held exactly: mantissa * 10^exponent.
struct Decimal {
    Wide mantissa = 0;
    std::int64_t exponent = 0;
};

constexpr int kMaxDecimalDigits = 36;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The exact value of a field text. The text is first converted as the field
// converts it, so a text the field rejects is rejected here with the same
// message; what is left is to read its digits.
Decimal exactDecimal(std::string_view text, DecimalSeparator separator)
{
    try {
        TextToNumber(text, separator);
    } catch (const EConvertError& error) {
        throw UsageError(reportText(error));
    }
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';

    Decimal value;
    int significantDigits = 0;
    const auto takeDigit = [&](char c) {
        if (value.mantissa == 0 && c == '0')
            return;
        if (++significantDigits > kMaxDecimalDigits)
            throw UsageError("'" + std::string(text) + "' has too many digits for a range");
        value.mantissa = value.mantissa * 10 + (c - '0');
    };
    while (i < text.size() && isDigit(text[i]))
        takeDigit(text[i++]);
    if (text.substr(i).starts_with(separator.text())) {
        i += separator.text().size();
        for (; i < text.size() && isDigit(text[i]); ++i) {
            takeDigit(text[i]);
            --value.exponent;
        }
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        std::int64_t exponent = 0;
        for (; i < text.size() && isDigit(text[i]); ++i)
            exponent = exponent * 10 + (text[i] - '0');
        value.exponent += negativeExponent ? -exponent : exponent;
    }
    if (negative)
        value.mantissa = -value.mantissa;
    return value;
}

// value's mantissa scaled to a smaller exponent.
Wide mantissaAt(const Decimal& value, std::int64_t exponent, std::string_view range)
{
    Wide m = value.mantissa;
    for (std::int64_t e = value.exponent; e > exponent; --e)
        if (__builtin_mul_overflow(m, Wide(10), &m))
            throw UsageError("the numbers of range '" + std::string(range) + "' are too far apart in scale");
    return m;
}

std::string digitsOf(Wide magnitude)
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
    const bool negative = value.mantissa < 0;
    const std::string digits = digitsOf(negative ? -value.mantissa : value.mantissa);
    const auto n = static_cast<std::int64_t>(digits.size());
    const std::int64_t x = n + value.exponent;  // digits before the separator

    std::string text = negative ? "-" : "";
    if (x > 15 || x < -3) {
        text += digits[0];
        if (n > 1) {
            text += separator.text();
            text.append(digits, 1);
        }
        text += 'E';
        text += std::to_string(x - 1);
    } else if (x >= n) {
        text += digits;
        text.append(static_cast<std::size_t>(x - n), '0');
    } else if (x > 0) {
        text.append(digits, 0, static_cast<std::size_t>(x));
        text += separator.text();
        text.append(digits, static_cast<std::size_t>(x));
    } else {
        text += '0';
        text += separator.text();
        text.append(static_cast<std::size_t>(-x), '0');
        text += digits;
    }
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

    const std::int64_t exponent = std::min({from.exponent, to.exponent, step.exponent});
    const Wide f = mantissaAt(from, exponent, range);
    const Wide t = mantissaAt(to, exponent, range);
    const Wide s = mantissaAt(step, exponent, range);
    Wide span;
    if (__builtin_sub_overflow(t, f, &span))
        throw UsageError("range '" + std::string(range) + "' is too wide");
    if (s == 0)
        throw UsageError("range '" + std::string(range) + "' has a zero step");
    if ((span < 0 && s > 0) || (span > 0 && s < 0))
        throw UsageError("the step of range '" + std::string(range) + "' leads away from its end");

    const Wide count = span / s + 1;
    if (count > static_cast<Wide>(kMaxFieldValues - texts.size()))
        throw UsageError("range '" + std::string(range) + "' has more than " + std::to_string(kMaxFieldValues) +
                         " values");
    for (Wide k = 0; k < count; ++k)
        texts.push_back(decimalText({f + k * s, exponent}, separator));
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
