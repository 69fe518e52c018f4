// Forming a pane's result line.
#include "result_line.h"

#include <algorithm>
#include <charconv>

namespace kaskad {

char* writeResultLinePrefix(char* out, std::string_view word, std::int32_t reactor)
{
    out = std::copy(word.begin(), word.end(), out);
    out = std::to_chars(out, out + 11, reactor).ptr;
    return std::copy_n("   ", 3, out);
}

char* writeResultLineValue(char* out, double value, DecimalSeparator separator)
{
    out = writeNumberText(out, value, separator);
    return std::copy_n("\r\n", 2, out);
}

std::string ResultLine(std::string_view word, std::int32_t reactor, double value, DecimalSeparator separator)
{
    std::string line(word.size() + kResultLineCapacityBeyondWord, '\0');
    char* end = writeResultLineValue(writeResultLinePrefix(line.data(), word, reactor), value, separator);
    line.resize(static_cast<std::size_t>(end - line.data()));
    return line;
}

} // namespace kaskad
