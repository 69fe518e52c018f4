// kaskad's own command line and the display check, both read before Qt starts.
#include "app/start_options.h"

#include "kaskad/version.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace kaskad::app {

namespace {

bool isOneOf(std::string_view argument, std::string_view shortName, std::string_view longName)
{
    return argument == shortName || argument == longName;
}

std::string environmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// An empty list means Qt's default, X11 or Wayland.
bool onlyDisplayServerPlatforms(std::string_view platforms)
{
    return std::ranges::all_of(platformNames(platforms),
                               [](const std::string& name) { return isX11Platform(name) || isWaylandPlatform(name); });
}

// Qt's own options, given with one dash or two: those that take the next
// argument as their value (or "=VALUE"), and those that stand alone.
constexpr std::array<std::string_view, 18> kQtOptionsWithValue = {"platform",
                                                                  "platformpluginpath",
                                                                  "platformtheme",
                                                                  "plugin",
                                                                  "qwindowgeometry",
                                                                  "geometry",
                                                                  "qwindowicon",
                                                                  "icon",
                                                                  "qwindowtitle",
                                                                  "title",
                                                                  "session",
                                                                  "display",
                                                                  "name",
                                                                  "style",
                                                                  "stylesheet",
                                                                  "visual",
                                                                  "ncols",
                                                                  "cmap"};
constexpr std::array<std::string_view, 9> kQtFlags = {"reverse", "widgetcount",   "testability", "nograb",    "dograb",
                                                      "sync",    "qmljsdebugger", "dialogs",     "fontengine"};

template <std::size_t size>
bool contains(const std::array<std::string_view, size>& names, std::string_view name)
{
    return std::ranges::find(names, name) != names.end();
}

} // namespace

std::optional<std::string> unknownArgument(std::span<char* const> arguments)
{
    for (std::size_t k = 0; k < arguments.size(); ++k) {
        std::string_view option = arguments[k];
        if (isOneOf(option, "-h", "--help") || isOneOf(option, "-v", "--version"))
            continue;
        if (!option.starts_with('-') || option.size() < 2)
            return std::string(arguments[k]);
        option.remove_prefix(option.starts_with("--") ? 2 : 1);
        const std::size_t equals = option.find('=');
        const std::string_view name = option.substr(0, equals);
        if (contains(kQtOptionsWithValue, name))
            k += equals == std::string_view::npos ? 1 : 0;
        else if (!contains(kQtFlags, name))
            return std::string(arguments[k]);
    }
    return std::nullopt;
}

std::vector<std::string> platformNames(std::string_view platforms)
{
    std::vector<std::string> names;
    while (!platforms.empty()) {
        const std::string_view entry = platforms.substr(0, platforms.find(';'));
        platforms.remove_prefix(std::min(platforms.size(), entry.size() + 1));
        if (const std::string_view name = entry.substr(0, entry.find(':')); !name.empty())
            names.emplace_back(name);
    }
    return names;
}

StartRequest readStartRequest(std::span<char* const> arguments)
{
    for (const std::string_view argument : arguments) {
        if (isOneOf(argument, "-h", "--help"))
            return StartRequest::printHelp;
        if (isOneOf(argument, "-v", "--version"))
            return StartRequest::printVersion;
    }
    return StartRequest::openWindows;
}

std::string helpText()
{
    return "Usage: kaskad [OPTION]...\n"
           "Computes, reactor by reactor, a series of liquid-phase oxidation reactors,\n"
           "bubble-column or gas-lift, in desktop windows. kaskad-cli does the same\n"
           "calculations without windows.\n"
           "\n"
           "Options:\n"
           "  -h, --help           print this help and exit\n"
           "  -v, --version        print the version and exit\n"
           "\n"
           "Qt's own options, such as -platform NAME, -display DISPLAY or -style NAME,\n"
           "are passed on to Qt.\n"
           "\n"
           "Exit status:\n"
           "  0                    the main window was closed\n"
           "  1                    there is no display to open the windows on, the one\n"
           "                       named does not answer, or the window system fails\n"
           "                       to start\n"
           "  2                    an argument is neither kaskad's nor Qt's\n"
           "\n"
           "Environment:\n"
           "  DISPLAY, WAYLAND_DISPLAY\n"
           "                       the X11 or Wayland display to open the windows on\n"
           "  QT_QPA_PLATFORM      Qt's window system; \"offscreen\" needs no display\n"
           "  LC_ALL, LC_NUMERIC, LANG\n"
           "                       the locale, whose decimal separator the fields and\n"
           "                       panes use\n";
}

std::string versionText() { return "kaskad " KASKAD_VERSION; }

DisplaySettings displaySettings(std::span<char* const> arguments)
{
    DisplaySettings settings;
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"))
        settings.platform = platform;
    settings.x11Display = environmentText("DISPLAY");
    settings.waylandDisplay = environmentText("WAYLAND_DISPLAY");
    // Qt reads its options with one dash or two; the last one given counts.
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (isOneOf(argument, "-platform", "--platform"))
            settings.platform = arguments[i + 1];
        else if (isOneOf(argument, "-display", "--display"))
            settings.x11Display = arguments[i + 1];
        else if (isOneOf(argument, "-platformpluginpath", "--platformpluginpath"))
            settings.platformPluginPath = arguments[i + 1];
    }
    return settings;
}

std::optional<std::string> missingDisplayReason(const DisplaySettings& settings)
{
    if (!settings.x11Display.empty() || !settings.waylandDisplay.empty() ||
        !onlyDisplayServerPlatforms(settings.platform))
        return std::nullopt;
    return "no display to open the windows on: neither DISPLAY nor WAYLAND_DISPLAY is set "
           "(kaskad-cli computes without windows)";
}

} // namespace kaskad::app
