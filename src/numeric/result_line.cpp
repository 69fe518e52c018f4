// Forming a pane's result line.
#include "result_line.h"

namespace kaskad {

void formResultLine(std::string& line, std::string_view word, std::int32_t reactor, long double value,
                    DecimalSeparator separator)
{
    line.clear();
    line += word;
    line += IntegerToText(reactor);
    line += "   ";
    appendNumberText(line, value, separator);
    line += "\r\n";
}

std::string ResultLine(std::string_view word, std::int32_t reactor, long double value,
                       DecimalSeparator separator)
{
    std::string line;
    formResultLine(line, word, reactor, value, separator);
    return line;
}

} // namespace kaskad
