// The plot options as kaskad-cli reads them: the size and the file's format.
#include "cli/plot/profile_plot.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace kaskad::cli {

std::optional<PlotSize> parsePlotSize(std::string_view text)
{
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos)
        return std::nullopt;
    PlotSize size;
    const auto number = [](std::string_view digits, int& value) {
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        return error == std::errc() && end == digits.data() + digits.size() && value >= 100 && value <= 10000;
    };
    if (!number(text.substr(0, x), size.width) || !number(text.substr(x + 1), size.height))
        return std::nullopt;
    return size;
}

std::optional<PlotFormat> plotFormatOf(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "svg")
        return PlotFormat::svg;
    if (extension == "png")
        return PlotFormat::png;
    return std::nullopt;
}

} // namespace kaskad::cli
