// Messages of the error kinds, the report text and the application title.
#include "errors.h"

#include <cstdint>

namespace kaskad {

EConvertError::EConvertError(std::string_view fieldText)
    : Exception("'" + std::string(fieldText) + "' is not a valid floating point value")
{}

ENoConvergence::ENoConvergence(int iterations)
    : Exception("The y3 balance did not converge in " + std::to_string(iterations) + " iterations")
{}

std::string reportText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

namespace {

// Lower-cases one UTF-8 encoded letter: ASCII and the basic Cyrillic alphabet
// with Ё. Other characters are kept as they are.
void appendLowerCase(std::string& out, std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t b0 = byte(i);
    if (b0 >= 'A' && b0 <= 'Z') {
        out += static_cast<char>(b0 + ('a' - 'A'));
        ++i;
        return;
    }
    if (i + 1 < text.size() && (b0 == 0xD0)) {
        const std::uint8_t b1 = byte(i + 1);
        if (b1 >= 0x90 && b1 <= 0x9F) { // А..П -> а..п
            out += static_cast<char>(0xD0);
            out += static_cast<char>(b1 + 0x20);
        } else if (b1 >= 0xA0 && b1 <= 0xAF) { // Р..Я -> р..я
            out += static_cast<char>(0xD1);
            out += static_cast<char>(b1 - 0x20);
        } else if (b1 == 0x81) { // Ё -> ё
            out += static_cast<char>(0xD1);
            out += static_cast<char>(0x91);
        } else {
            out += text.substr(i, 2);
        }
        i += 2;
        return;
    }
    out += text[i];
    ++i;
}

std::size_t utf8Length(std::string_view text, std::size_t i)
{
    const auto b0 = static_cast<std::uint8_t>(text[i]);
    std::size_t n = b0 < 0x80 ? 1 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : 4;
    return std::min(n, text.size() - i);
}

} // namespace

std::string applicationTitle(std::string_view programPath)
{
    std::string_view name = programPath;
    if (const auto slash = name.find_last_of('/'); slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    if (const auto dot = name.find('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    if (name.empty())
        return {};

    const std::size_t first = utf8Length(name, 0);
    std::string title(name.substr(0, first));
    for (std::size_t i = first; i < name.size();)
        appendLowerCase(title, name, i);
    return title;
}

} // namespace kaskad
