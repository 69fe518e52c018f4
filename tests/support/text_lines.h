// Whole lines and numbers as strings, for the tests: the programs write them
// in place with writeResultLinePrefix and writeResultLineValue.
#pragma once

#include "numeric/result_line.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kaskad {

// A pane's result line as a string: "Реактор1   0.0199999995529652\r\n".
inline std::string ResultLine(std::string_view word, std::int32_t reactor, double value, DecimalSeparator separator)
{
    std::string line(word.size() + kResultLineCapacityBeyondWord, '\0');
    char* end = writeResultLineValue(writeResultLinePrefix(line.data(), word, reactor), value, separator);
    line.resize(static_cast<std::size_t>(end - line.data()));
    return line + "\r\n";
}

// An integer's plain decimal digits, as the reactor numbers print.
inline std::string IntegerToText(std::int32_t value) { return std::to_string(value); }

} // namespace kaskad
