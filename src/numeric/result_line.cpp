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
    return writeNumberText(out, value, separator);
}

} // namespace kaskad
