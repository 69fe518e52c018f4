// The line a calculation appends to an output pane for one reactor.
#pragma once

#include "number_text.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kaskad {

// A line is the word, the reactor number, three blanks and the value:
// "Реактор1   0.0199999995529652"; the value is a stored single or double.
// A window's pane ends each line with CR LF, a file with its own line end.
// The most a line takes beyond its word, its end included:
inline constexpr std::size_t kResultLineCapacityBeyondWord = 11 + 3 + kNumberTextCapacity + 2;

// The two halves of a result line written at out, each returning its end:
// the word, the reactor number and three blanks (the same for all the lines
// of a reactor), then the value.
char* writeResultLinePrefix(char* out, std::string_view word, std::int32_t reactor);
char* writeResultLineValue(char* out, double value, DecimalSeparator separator);

} // namespace kaskad
