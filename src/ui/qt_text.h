// Kaskad's UTF-8 texts and numbers as Qt strings: the windows form every
// QString of a caption, a name, a message or a value here.
#pragma once

#include "numeric/number_text.h"

#include <QString>

#include <string_view>

namespace kaskad::ui {

// A UTF-8 text as Qt shows it.
inline QString toQString(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// A stored value's text as the panes print it, with the window's separator,
// which may take more than one byte ("٫").
inline QString numberText(double value, DecimalSeparator separator)
{
    char text[kNumberTextCapacity];
    return toQString({text, std::size_t(writeNumberText(text, value, separator) - text)});
}

// A computed extended value's text as kaskad-cli prints it, with the
// window's separator.
inline QString extendedNumberText(long double value, DecimalSeparator separator)
{
    return toQString(NumberToText(value, separator));
}

} // namespace kaskad::ui
