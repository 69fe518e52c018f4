// The general power and the exponential function of the model's formulas,
// computed with the x87 instruction sequences whose roundings the printed
// digits depend on.
#pragma once

#include "extended.h"

namespace kaskad {

// Base raised to Exponent. Exponent 0 gives 1; base 0 with a positive exponent
// gives 0; a whole exponent within the 32-bit range takes repeated squaring;
// any other exponent goes through exp(Exponent * ln Base).
Ext PowerOf(Ext base, Ext exponent);

// e to the power x, as 2^f * 2^m with m the nearest integer to x * log2 e.
Ext Exp(Ext x);

// Base to the whole power n by repeated squaring, each product rounded to
// extended; 1/r for a negative n.
Ext IntegralPower(Ext base, std::int32_t n);

} // namespace kaskad
