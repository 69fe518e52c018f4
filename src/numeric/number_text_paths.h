// The two paths to a number's 18 digits: the extended scaling, and the
// integer path that stands in for it wherever it can. NumberToText and
// writeNumberText take the one or the other; tests hold them side by side.
#pragma once

#include "number_text.h"

#include <cstdint>
#include <optional>

namespace kaskad {

// |value| as D * 10^(X - 18) with D an integer of exactly 18 digits.
struct DecimalDigits {
    std::uint64_t d;
    int x;
};

// The digits of a finite non-zero value by the extended scaling.
DecimalDigits eighteenDigitsByScaling(long double value);
// The same digits by the integer path; nothing for the values it leaves to
// the scaling.
std::optional<DecimalDigits> eighteenDigitsByInteger(long double value);

} // namespace kaskad
