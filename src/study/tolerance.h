// What a plant holds a field to: a distribution a field's text may give
// instead of a number ("433±1", "normal(433;0.5)"), and a tolerance around a
// value ("±1", "±5%").
#pragma once

#include "numeric/number_text.h"

#include <array>
#include <string>
#include <string_view>

namespace kaskad::study {

// A field's value as a plant holds it.
struct Distribution {
    enum class Kind { uniform, normal, triangular };

    Kind kind = Kind::uniform;
    // uniform: lower, upper; normal: mean, deviation; triangular: lower,
    // mode, upper.
    std::array<long double, 3> parameters{};

    // The value the design means: the middle of a uniform, the mean of a
    // normal, the mode of a triangular.
    long double nominal() const;
    // The least and greatest values it gives; a normal's are infinite.
    long double lower() const;
    long double upper() const;
    // "uniform(432;434)", "normal(433;0.5)", ... with "." as separator.
    std::string text() const;
};

// Whether a field's text gives a distribution rather than a number: it
// holds "±", "+-" or a "(".
bool isDistributionText(std::string_view text);

// Reads the distribution forms:
//   V±D, V+-D      uniform on [V - D, V + D]
//   V±P%, V+-P%    uniform within P % of V
//   uniform(A;B), normal(MU;SIGMA), triangular(A;M;B)
// The numbers are read as the field reads them, with `separator`; the
// arguments are parted by ";", or by "," where the decimal separator is not
// ",". option names the field in messages ("--t"). Raises StudyError.
Distribution parseDistribution(std::string_view option, std::string_view text, DecimalSeparator separator);

// A tolerance: a half-width in the field's units, or a share of its value.
struct Tolerance {
    long double amount = 0;
    bool percent = false;

    // The half-width around a value.
    long double halfWidth(long double value) const;
    // "±1", "±5%" with "." as separator.
    std::string text() const;
};

// "±D", "+-D", "±P%" or "+-P%", D and P positive numbers. Raises StudyError.
Tolerance parseTolerance(std::string_view option, std::string_view text, DecimalSeparator separator);

// A field's tolerance as written after --tolerance: "FIELD=±D".
struct FieldTolerance {
    std::string field; // "t", "wg", ...
    Tolerance tolerance;
};

// Raises StudyError for a text without "=" or with a bad tolerance; the
// field name is checked by whoever knows the design's fields.
FieldTolerance parseFieldTolerance(std::string_view text, DecimalSeparator separator);

// The uniform distribution a tolerance spans around a value.
Distribution toleranceBox(long double value, const Tolerance& tolerance);

} // namespace kaskad::study
