// Kaskad's UTF-8 texts as Qt strings, for the chart and the windows.
#pragma once

#include <QString>

#include <string_view>

namespace kaskad::chart {

inline QString toQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace kaskad::chart
