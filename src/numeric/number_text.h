// Numbers read from field texts and written into pane lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kaskad {

// The one character that separates the whole and fractional digits, held as
// its UTF-8 bytes. The windows take it from the user's locale and pass it in.
class DecimalSeparator {
public:
    constexpr DecimalSeparator() : DecimalSeparator('.') {}
    constexpr DecimalSeparator(char c) : bytes_{c, 0, 0, 0}, size_(1) {}

    // The separator from a text of exactly one UTF-8 character, if it is one
    // that cannot be mistaken for part of a number (no digit, sign, "e", blank).
    static std::optional<DecimalSeparator> fromText(std::string_view text);

    std::string_view text() const { return {bytes_, size_}; }
    friend bool operator==(const DecimalSeparator& a, const DecimalSeparator& b)
    {
        return a.text() == b.text();
    }

private:
    char bytes_[4];
    std::uint8_t size_;
};

// Converts a field text to extended: blanks, an optional sign, digits with an
// optional separator and fraction, an optional exponent, blanks. Raises
// EConvertError naming the whole text when it is not such a number or its
// value is beyond the extended range; never raises an arithmetic error.
long double TextToNumber(std::string_view text, DecimalSeparator separator);

// The number of reactors from a converted value: rounded to the nearest
// integer, ties to even. A value outside the signed 64-bit range raises
// EInvalidOp; one outside the 32-bit range is saturated to it.
std::int32_t RoundCount(long double value);

// General format with 15 significant digits, trailing zeros removed; exponent
// form ("1E15", "9.999E-5") below 0.0001 and from 10^15 on.
std::string NumberToText(long double value, DecimalSeparator separator);
// NumberToText appended to a text.
void appendNumberText(std::string& text, long double value, DecimalSeparator separator);
// The most a number's text takes: sign, 15 digits, a separator of up to 4
// bytes, 3 leading zeros or an exponent.
inline constexpr std::size_t kNumberTextCapacity = 40;
// NumberToText of a stored double or single written at out, which has room
// for kNumberTextCapacity bytes; returns the end of the text.
char* writeNumberText(char* out, double value, DecimalSeparator separator);

std::string IntegerToText(std::int32_t value);

// value * 10^k in up to three rounded steps: by 10^(|k| mod 32), by
// 10^(32 * ((|k| div 32) mod 16)), by 10^(512 * (|k| div 512)).
long double ScaleByPowerOfTen(long double value, std::int64_t k);

} // namespace kaskad
