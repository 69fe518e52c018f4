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

} // namespace kaskad
