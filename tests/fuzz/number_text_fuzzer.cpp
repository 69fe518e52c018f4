// libFuzzer target for the number text, both ways. The input as a text either
// is rejected with a conversion error or reads as a finite number whose
// printed digits read back to the same digits. The input's first bytes as a
// number: its printed text reads back to the same text, and a double printed
// by the writers' fast path gives the same text as the general one.
#include "numeric/errors.h"
#include "numeric/number_text.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

using kaskad::DecimalSeparator;

// One-byte separators and a two-byte one (U+066B, the Arabic decimal separator).
const std::array<DecimalSeparator, 3> kSeparators = {DecimalSeparator('.'), DecimalSeparator(','),
                                                     *DecimalSeparator::fromText("\xD9\xAB")};

// Printed digits read back to the same digits.
void checkReprinted(const std::string& printed, DecimalSeparator separator)
{
    if (kaskad::NumberToText(kaskad::TextToNumber(printed, separator), separator) != printed)
        std::abort();
}

void checkTextReadsBack(std::string_view text, DecimalSeparator separator)
{
    long double value;
    try {
        value = kaskad::TextToNumber(text, separator);
    } catch (const kaskad::EConvertError&) {
        return;
    }
    if (!std::isfinite(value))
        std::abort();
    checkReprinted(kaskad::NumberToText(value, separator), separator);
}

// Any finite extended value, from a 64-bit mantissa, a power of two and a sign.
long double extendedFrom(const std::uint8_t* data)
{
    std::uint64_t mantissa;
    std::int16_t power;
    std::memcpy(&mantissa, data, sizeof mantissa);
    std::memcpy(&power, data + sizeof mantissa, sizeof power);
    const long double magnitude = std::ldexp(static_cast<long double>(mantissa), power % 16500);
    return (data[sizeof mantissa + sizeof power] & 1) ? -magnitude : magnitude;
}

double doubleFrom(const std::uint8_t* data)
{
    double value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

void checkNumberPrintsAndReadsBack(long double value, DecimalSeparator separator)
{
    if (!std::isfinite(value))
        return;
    checkReprinted(kaskad::NumberToText(value, separator), separator);
}

// The writers' path for a stored double agrees with the general one and stays
// within its capacity.
void checkDoubleFastPath(double value, DecimalSeparator separator)
{
    std::array<char, kaskad::kNumberTextCapacity> buffer;
    const char* end = kaskad::writeNumberText(buffer.data(), value, separator);
    const std::string_view written(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    if (written.size() > buffer.size() || written != kaskad::NumberToText(value, separator))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const DecimalSeparator separator : kSeparators) {
        checkTextReadsBack(text, separator);
        if (size >= sizeof(double))
            checkDoubleFastPath(doubleFrom(data), separator);
        if (size >= 11)
            checkNumberPrintsAndReadsBack(extendedFrom(data), separator);
    }
    return 0;
}
