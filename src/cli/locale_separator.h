// The decimal separator of the user's locale.
#pragma once

#include "numeric/number_text.h"

namespace kaskad::cli {

// The decimal point of LC_ALL / LC_NUMERIC / LANG, "." when none can be read.
DecimalSeparator localeDecimalSeparator();

} // namespace kaskad::cli
