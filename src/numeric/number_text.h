// Numbers read from field texts and written into pane lines.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace kaskad {

// The one character that separates the whole and fractional digits, held as
// its UTF-8 bytes. The windows take it from the user's locale and pass it in.
class DecimalSeparator {
public:
    constexpr DecimalSeparator() : DecimalSeparator('.') {}
    constexpr DecimalSeparator(char c) : word_(static_cast<unsigned char>(c) | kOneByte) {}

    // The separator from a text of exactly one UTF-8 character, if it is one
    // that cannot be mistaken for part of a number (no digit, sign, "e", blank).
    static std::optional<DecimalSeparator> fromText(std::string_view text);

    // x86-64 is little-endian: the bytes come first in the word.
    std::string_view text() const { return {reinterpret_cast<const char*>(&word_), word_ >> 32}; }
    friend bool operator==(const DecimalSeparator& a, const DecimalSeparator& b) { return a.word_ == b.word_; }

private:
    static constexpr std::uint64_t kOneByte = std::uint64_t(1) << 32;

    // The UTF-8 bytes in the low four bytes, the rest zero, and their count
    // above them: one integer, made in a register and passed in one. Built
    // byte by byte in memory and then read whole, it would wait for the
    // bytes to be written at every call.
    std::uint64_t word_;
};

// A field text taken apart by the number syntax, before it becomes a value:
// +-(wholeDigits fractionDigits read as one integer) * 10^lastDigitExponent().
struct NumberTextParts {
    std::string_view text;            // the whole field text, for its error
    bool negative = false;            // the text's sign was "-"
    std::string_view wholeDigits;     // the digits before the separator
    std::string_view fractionDigits;  // the digits after it
    std::int64_t writtenExponent = 0; // the value after "E" or "e", with its sign

    // The power of ten of the last digit written.
    std::int64_t lastDigitExponent() const
    {
        return writtenExponent - static_cast<std::int64_t>(fractionDigits.size());
    }
};

// Takes a field text apart: blanks, an optional sign, digits with an optional
// separator and fraction (one digit or the separator at least), an optional
// "E" or "e" with an optional sign and digits (taken while the exponent read
// so far is below 500), blanks. Raises EConvertError naming the whole text
// when the text is not such a number.
NumberTextParts scanNumberText(std::string_view text, DecimalSeparator separator);

// The extended value of a scanned text: its digits accumulated as one integer
// in extended, each step rounded, then scaled by scaleByPowerOfTen; 0 when the
// last digit's power is 10^-5120 or below. Raises EConvertError when the
// integer or the value is beyond the extended range; never raises an
// arithmetic error.
long double numberTextValue(const NumberTextParts& parts);

// Converts a field text to extended: scanNumberText, then numberTextValue.
long double TextToNumber(std::string_view text, DecimalSeparator separator);

// The number of reactors from a converted value: rounded to the nearest
// integer, ties to even. A value outside the signed 64-bit range raises
// EInvalidOp; one outside the 32-bit range is saturated to it.
std::int32_t roundCount(long double value);

// The most a number's text takes: sign, 15 digits, a separator of up to 4
// bytes, 3 leading zeros or an exponent.
inline constexpr std::size_t kNumberTextCapacity = 40;

// A number's text held in place: no allocation for the 18 or so characters
// most numbers take. Reads as a string_view; converts to a std::string.
class NumberText {
public:
    std::string_view view() const { return {chars_, size_}; }
    operator std::string_view() const { return view(); }
    operator std::string() const { return std::string(view()); }
    const char* data() const { return chars_; }
    std::size_t size() const { return size_; }

    friend bool operator==(const NumberText& a, const NumberText& b) { return a.view() == b.view(); }
    friend bool operator==(const NumberText& a, std::string_view b) { return a.view() == b; }
    friend std::ostream& operator<<(std::ostream& out, const NumberText& text);

private:
    friend NumberText NumberToText(long double value, DecimalSeparator separator);

    char chars_[kNumberTextCapacity];
    std::uint8_t size_ = 0;
};

// General format with 15 significant digits, trailing zeros removed; exponent
// form ("1E15", "9.999E-5") below 0.0001 and from 10^15 on.
NumberText NumberToText(long double value, DecimalSeparator separator);
// NumberToText appended to a text.
void appendNumberText(std::string& text, long double value, DecimalSeparator separator);
// NumberToText of a stored double or single written at out, which has room
// for kNumberTextCapacity bytes; returns the end of the text.
char* writeNumberText(char* out, double value, DecimalSeparator separator);

// The stored value whose writeNumberText text ("." separating decimals) is
// `text`: the single when one prints so (a stored single always does),
// otherwise the double nearest the text, which prints its 15 digits; none
// for a text that is not such a number. Reads back what the CSV writers wrote.
std::optional<double> storedValueOfText(std::string_view text);

// Writes +-0.d1...dn * 10^pointPosition in the general format at out, for
// the significant digits d1...dn with no trailing zero: exponent form
// ("1.5E-5") when pointPosition is above 15 or below -3, else positional, with
// zeros filled in between the digits and the separator ("1500", "0.0015").
// Writes at most digits.size() + kGeneralFormatOverhead bytes; returns the
// end of the text.
char* writeGeneralFormat(char* out, std::string_view digits, std::int64_t pointPosition, bool negative,
                         DecimalSeparator separator);
// A sign, a separator of up to 4 bytes, "E" and a 64-bit exponent.
inline constexpr std::size_t kGeneralFormatOverhead = 26;

// value * 10^k in up to three rounded steps: by 10^(|k| mod 32), by
// 10^(32 * ((|k| div 32) mod 16)), by 10^(512 * (|k| div 512)).
long double scaleByPowerOfTen(long double value, std::int64_t k);

} // namespace kaskad
