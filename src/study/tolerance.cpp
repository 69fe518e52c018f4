// The distribution and tolerance forms of a field's text.
#include "study/tolerance.h"

#include "model/design.h"
#include "study/design_space.h"
#include "study/field_values.h"
#include "study/study_error.h"

#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace kaskad::study {

namespace {

constexpr std::string_view kPlusMinus = "\xC2\xB1"; // ± in UTF-8

std::string quoted(std::string_view option, std::string_view text)
{
    return fieldOption(option) + ": '" + shortQuote(text) + "' ";
}

long double numberIn(std::string_view option, std::string_view whole, std::string_view text, DecimalSeparator separator)
{
    try {
        const long double value = TextToNumber(text, separator);
        if (std::isfinite(value))
            return value;
    } catch (const EConvertError&) {}
    throw StudyError(quoted(option, whole) + "holds '" + shortQuote(text) + "', which is not a number");
}

// The plus-minus sign and where it starts, if the text has one.
std::optional<std::pair<std::size_t, std::size_t>> plusMinusIn(std::string_view text)
{
    if (const std::size_t at = text.find(kPlusMinus); at != std::string_view::npos)
        return std::pair{at, kPlusMinus.size()};
    if (const std::size_t at = text.find("+-"); at != std::string_view::npos)
        return std::pair{at, std::size_t{2}};
    return std::nullopt;
}

// A half-width "D" or a share "P%" after the sign.
Tolerance toleranceAfterSign(std::string_view option, std::string_view whole, std::string_view text,
                             DecimalSeparator separator)
{
    Tolerance tolerance;
    if (!text.empty() && text.back() == '%') {
        tolerance.percent = true;
        text.remove_suffix(1);
    }
    tolerance.amount = numberIn(option, whole, text, separator);
    if (!(tolerance.amount > 0))
        throw StudyError(quoted(option, whole) + "needs a tolerance above 0");
    return tolerance;
}

std::vector<std::string_view> argumentsOf(std::string_view text, DecimalSeparator separator)
{
    const bool commaParts = separator != ',';
    std::vector<std::string_view> arguments;
    std::size_t start = 0;
    for (std::size_t k = 0; k <= text.size(); ++k)
        if (k == text.size() || text[k] == ';' || (commaParts && text[k] == ',')) {
            arguments.push_back(text.substr(start, k - start));
            start = k + 1;
        }
    return arguments;
}

struct NamedForm {
    std::string_view name;
    Distribution::Kind kind;
    std::size_t arguments;
};

constexpr NamedForm kNamedForms[] = {
    {"uniform", Distribution::Kind::uniform, 2},
    {"normal", Distribution::Kind::normal, 2},
    {"triangular", Distribution::Kind::triangular, 3},
};

Distribution namedDistribution(std::string_view option, std::string_view text, DecimalSeparator separator)
{
    const std::size_t open = text.find('(');
    const std::string_view name = text.substr(0, open);
    for (const NamedForm& form : kNamedForms) {
        if (name != form.name)
            continue;
        if (text.back() != ')')
            throw StudyError(quoted(option, text) + "must end in ')'");
        const std::vector<std::string_view> arguments =
            argumentsOf(text.substr(open + 1, text.size() - open - 2), separator);
        if (arguments.size() != form.arguments)
            throw StudyError(quoted(option, text) + "needs " + std::to_string(form.arguments) + " numbers");
        Distribution distribution{form.kind, {}};
        for (std::size_t k = 0; k < arguments.size(); ++k)
            distribution.parameters[k] = numberIn(option, text, arguments[k], separator);
        return distribution;
    }
    throw StudyError(quoted(option, text) + "is not a number, V±D, V±P%, uniform(A,B), normal(MU,SIGMA) or " +
                     "triangular(A,M,B)");
}

void checkParameters(std::string_view option, std::string_view text, const Distribution& d)
{
    const auto& p = d.parameters;
    switch (d.kind) {
    case Distribution::Kind::uniform:
        if (!(p[0] < p[1]))
            throw StudyError(quoted(option, text) + "needs A < B");
        return;
    case Distribution::Kind::normal:
        if (!(p[1] > 0))
            throw StudyError(quoted(option, text) + "needs SIGMA > 0");
        return;
    case Distribution::Kind::triangular:
        if (!(p[0] <= p[1] && p[1] <= p[2] && p[0] < p[2]))
            throw StudyError(quoted(option, text) + "needs A <= M <= B and A < B");
        return;
    }
}

// The shortest decimal that reads back as the same double.
std::string numberText(long double x)
{
    std::string text;
    for (int digits = 1; digits <= 17; ++digits) {
        text = DecimalText::rounded(x, digits).text();
        if (static_cast<double>(TextToNumber(text, '.')) == static_cast<double>(x))
            break;
    }
    return text;
}

} // namespace

long double Distribution::nominal() const
{
    switch (kind) {
    case Kind::uniform:
        return (parameters[0] + parameters[1]) / 2;
    case Kind::normal:
    case Kind::triangular:
        return parameters[kind == Kind::normal ? 0 : 1];
    }
    return parameters[0];
}

long double Distribution::lower() const
{
    return kind == Kind::normal ? -std::numeric_limits<long double>::infinity() : parameters[0];
}

long double Distribution::upper() const
{
    switch (kind) {
    case Kind::uniform:
        return parameters[1];
    case Kind::normal:
        return std::numeric_limits<long double>::infinity();
    case Kind::triangular:
        return parameters[2];
    }
    return parameters[1];
}

std::string Distribution::text() const
{
    const std::size_t count = kind == Kind::triangular ? 3 : 2;
    std::string text = kind == Kind::uniform ? "uniform(" : kind == Kind::normal ? "normal(" : "triangular(";
    for (std::size_t k = 0; k < count; ++k)
        text += (k > 0 ? ";" : "") + numberText(parameters[k]);
    return text + ")";
}

bool isDistributionText(std::string_view text)
{
    return plusMinusIn(text).has_value() || text.find('(') != std::string_view::npos;
}

Distribution parseDistribution(std::string_view option, std::string_view text, DecimalSeparator separator)
{
    Distribution distribution;
    if (const auto sign = plusMinusIn(text)) {
        const long double value = numberIn(option, text, text.substr(0, sign->first), separator);
        distribution =
            toleranceBox(value, toleranceAfterSign(option, text, text.substr(sign->first + sign->second), separator));
        if (!(distribution.parameters[0] < distribution.parameters[1]))
            throw StudyError(quoted(option, text) + "spans no values: V is 0 or the tolerance too small");
    } else {
        distribution = namedDistribution(option, text, separator);
    }
    checkParameters(option, text, distribution);
    return distribution;
}

long double Tolerance::halfWidth(long double value) const { return percent ? std::fabs(value) * amount / 100 : amount; }

std::string Tolerance::text() const { return std::string(kPlusMinus) + numberText(amount) + (percent ? "%" : ""); }

Tolerance parseTolerance(std::string_view option, std::string_view text, DecimalSeparator separator)
{
    const auto sign = plusMinusIn(text);
    if (!sign || sign->first != 0)
        throw StudyError(quoted(option, text) + "is no tolerance: write ±D or ±P%");
    return toleranceAfterSign(option, text, text.substr(sign->second), separator);
}

FieldTolerance parseFieldTolerance(std::string_view text, DecimalSeparator separator)
{
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0)
        throw StudyError("--tolerance: '" + shortQuote(text) + "' is not FIELD=±D or FIELD=±P%");
    const std::string_view field = text.substr(0, equals);
    return {std::string(field), parseTolerance(field, text.substr(equals + 1), separator)};
}

Distribution toleranceBox(long double value, const Tolerance& tolerance)
{
    const long double half = tolerance.halfWidth(value);
    return {Distribution::Kind::uniform, {value - half, value + half, 0}};
}

} // namespace kaskad::study
