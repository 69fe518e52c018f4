// Reading the locale's decimal point.
#include "cli/locale_separator.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

namespace kaskad::cli {

DecimalSeparator localeDecimalSeparator()
{
    locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, locale);
    const auto separator = radix != nullptr ? DecimalSeparator::fromText(radix) : std::nullopt;
    freelocale(locale);
    return separator.value_or('.');
}

} // namespace kaskad::cli
