// kaskad's own command line and the display check, both read before Qt
// starts, so that --help, --version and a missing display need no window system.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaskad::app {

enum class StartRequest { openWindows, printHelp, printVersion };

// What the arguments after the program name ask for: -h/--help or
// -v/--version, whichever comes first; every other argument is left to Qt.
StartRequest readStartRequest(std::span<char* const> arguments);

// The first argument that is neither kaskad's nor one of Qt's own options
// (with its value), or nothing: read before the display is looked for, so
// that a mistyped option is named whether or not there is one.
std::optional<std::string> unknownArgument(std::span<char* const> arguments);

std::string helpText();
std::string versionText(); // "kaskad 1.0.0"

// What decides whether Qt will find a display.
struct DisplaySettings {
    std::string platform;           // -platform NAME if given, else QT_QPA_PLATFORM ("" when neither)
    std::string x11Display;         // -display NAME if given, else DISPLAY ("" when neither)
    std::string waylandDisplay;     // WAYLAND_DISPLAY ("" when unset)
    std::string platformPluginPath; // -platformpluginpath PATH if given
};

// Qt takes a ';'-separated list of platforms to try in turn, each possibly
// followed by ":options": the names in order, without their options.
std::vector<std::string> platformNames(std::string_view platforms);

// X11 (xcb) and Wayland (wayland, wayland-egl, ...) need a display server;
// offscreen, minimal, vnc, linuxfb and the others do not.
inline bool isX11Platform(std::string_view name) { return name == "xcb"; }
inline bool isWaylandPlatform(std::string_view name) { return name.starts_with("wayland"); }

// The settings from the arguments (Qt's -platform and -display) and the
// environment.
DisplaySettings displaySettings(std::span<char* const> arguments);

// Why the windows cannot be opened, or nothing when they can: every
// platform named (Qt's default when none) is X11 or Wayland, and there is
// neither an X11 nor a Wayland display. Other platforms are left to Qt.
std::optional<std::string> missingDisplayReason(const DisplaySettings& settings);

} // namespace kaskad::app
