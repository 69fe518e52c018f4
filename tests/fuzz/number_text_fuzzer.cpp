// libFuzzer target for the number text: any text either is rejected with a
// conversion error or reads as a finite number whose printed digits read back
// to the same digits.
#include "numeric/errors.h"
#include "numeric/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const kaskad::DecimalSeparator separator : {kaskad::DecimalSeparator('.'), kaskad::DecimalSeparator(',')}) {
        long double value;
        try {
            value = kaskad::TextToNumber(text, separator);
        } catch (const kaskad::EConvertError&) {
            continue;
        }
        if (!std::isfinite(value))
            std::abort();
        const std::string printed = kaskad::NumberToText(value, separator);
        if (kaskad::NumberToText(kaskad::TextToNumber(printed, separator), separator) != printed)
            std::abort();
    }
    return 0;
}
