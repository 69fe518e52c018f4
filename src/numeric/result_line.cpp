// Forming a pane's result line.
#include "result_line.h"

namespace kaskad {

std::string ResultLine(std::string_view word, std::int32_t reactor, long double value,
                       DecimalSeparator separator)
{
    std::string line;
    line.reserve(word.size() + 40);
    line += word;
    line += IntegerToText(reactor);
    line += "   ";
    line += NumberToText(value, separator);
    line += "\r\n";
    return line;
}

} // namespace kaskad
