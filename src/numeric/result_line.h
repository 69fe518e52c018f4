// The line a calculation appends to an output pane for one reactor.
#pragma once

#include "number_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kaskad {

// word, the reactor number, three blanks, the value, CR LF:
// "Реактор1   0.0199999995529652\r\n".
// The value is a stored single or double.
std::string ResultLine(std::string_view word, std::int32_t reactor, double value, DecimalSeparator separator);
// The same line written into a reused buffer.
void formResultLine(std::string& line, std::string_view word, std::int32_t reactor, double value,
                    DecimalSeparator separator);

} // namespace kaskad
