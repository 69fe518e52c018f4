// Kaskad's UTF-8 texts as Qt strings inside the chart library: its own
// sources include this, no other folder does (the windows have ui/qt_text.h).
#pragma once

#include <QString>

#include <string_view>

namespace kaskad::chart {

inline QString toQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

} // namespace kaskad::chart
