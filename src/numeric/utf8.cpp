// Checking UTF-8 and replacing what is ill-formed, byte by byte.
#include "numeric/utf8.h"

#include <cstdint>

namespace kaskad {

namespace {

// The range the second byte of a character may take after its lead byte:
// narrower than 80..BF where the lead alone would allow an overlong form, a
// surrogate or a code point beyond U+10FFFF.
struct SecondByte {
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
};

std::size_t sequenceLength(std::uint8_t lead, SecondByte& second)
{
    if (lead < 0x80)
        return 1;
    if (lead < 0xC2)
        return 0;
    if (lead < 0xE0)
        return 2;
    if (lead < 0xF0) {
        second = lead == 0xE0 ? SecondByte{0xA0, 0xBF} : lead == 0xED ? SecondByte{0x80, 0x9F} : SecondByte{};
        return 3;
    }
    if (lead < 0xF5) {
        second = lead == 0xF0 ? SecondByte{0x90, 0xBF} : lead == 0xF4 ? SecondByte{0x80, 0x8F} : SecondByte{};
        return 4;
    }
    return 0;
}

// How many bytes from text[at] belong to the character there: its length
// when well-formed, otherwise the bytes of its ill-formed start (at least 1).
std::size_t piece(std::string_view text, std::size_t at, bool& wellFormed)
{
    SecondByte second;
    const std::size_t length = sequenceLength(static_cast<std::uint8_t>(text[at]), second);
    wellFormed = false;
    if (length == 0)
        return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= text.size())
            return k;
        const auto next = static_cast<std::uint8_t>(text[at + k]);
        const bool fits = k == 1 ? next >= second.low && next <= second.high : (next >> 6) == 0x2;
        if (!fits)
            return k;
    }
    wellFormed = true;
    return length;
}

} // namespace

std::size_t utf8CharacterLength(std::string_view text, std::size_t at)
{
    bool wellFormed = false;
    const std::size_t length = piece(text, at, wellFormed);
    return wellFormed ? length : 0;
}

bool isValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8CharacterLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string withValidUtf8(std::string_view text)
{
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        bool wellFormed = false;
        const std::size_t length = piece(text, at, wellFormed);
        if (wellFormed)
            valid.append(text, at, length);
        else
            valid += "\xEF\xBF\xBD";
        at += length;
    }
    return valid;
}

} // namespace kaskad
