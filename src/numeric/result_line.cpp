// Forming a pane's result line.
#include "result_line.h"

#include <algorithm>
#include <charconv>

namespace kaskad {

void formResultLine(std::string& line, std::string_view word, std::int32_t reactor, double value,
                    DecimalSeparator separator)
{
    line.resize(word.size() + 11 + 3 + kNumberTextCapacity + 2);
    char* out = std::copy(word.begin(), word.end(), line.data());
    out = std::to_chars(out, out + 11, reactor).ptr;
    out = std::copy_n("   ", 3, out);
    out = writeNumberText(out, value, separator);
    out = std::copy_n("\r\n", 2, out);
    line.resize(static_cast<std::size_t>(out - line.data()));
}

std::string ResultLine(std::string_view word, std::int32_t reactor, double value, DecimalSeparator separator)
{
    std::string line;
    formResultLine(line, word, reactor, value, separator);
    return line;
}

} // namespace kaskad
