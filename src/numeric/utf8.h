// The one rule for UTF-8 text: what is well-formed, and how ill-formed bytes
// are replaced where a text must be valid (JSON, Python strings).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kaskad {

// The length of the well-formed UTF-8 character at text[at], or 0 when the
// bytes there start none: no overlong forms, no surrogates, nothing beyond
// U+10FFFF.
std::size_t utf8CharacterLength(std::string_view text, std::size_t at);

bool isValidUtf8(std::string_view text);

// The text with each maximal ill-formed piece (the longest start of a
// character that cannot go on, or a single stray byte) replaced by U+FFFD.
std::string withValidUtf8(std::string_view text);

} // namespace kaskad
