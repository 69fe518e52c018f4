// Forming a pane's result line.
#include "result_line.h"

#include <charconv>

namespace kaskad {

void formResultLine(std::string& line, std::string_view word, std::int32_t reactor, double value,
                    DecimalSeparator separator)
{
    line.clear();
    line += word;
    char number[12];
    line.append(number, std::to_chars(number, number + sizeof number, reactor).ptr);
    line += "   ";
    appendNumberText(line, value, separator);
    line += "\r\n";
}

std::string ResultLine(std::string_view word, std::int32_t reactor, long double value,
                       DecimalSeparator separator)
{
    std::string line = std::string(word) + IntegerToText(reactor) + "   ";
    appendNumberText(line, value, separator);
    line += "\r\n";
    return line;
}

} // namespace kaskad
