// The window system tried before Qt tries it: the platform plugins Qt has and
// the X11 or Wayland display answering; and a guard for what fails after that.
#pragma once

#include "app/start_options.h"

#include <QtGlobal>

#include <memory>
#include <optional>
#include <set>
#include <string>

struct xcb_connection_t;

namespace kaskad::app {

// An open connection to an X display, closed when it goes.
struct X11Disconnect {
    void operator()(xcb_connection_t* connection) const;
};
using X11Connection = std::unique_ptr<xcb_connection_t, X11Disconnect>;

// The platform names Qt can load: the keys of the plugins in the platforms
// folders it searches (its own plugin folder, QT_PLUGIN_PATH,
// QT_QPA_PLATFORM_PLUGIN_PATH, -platformpluginpath, the program's folder),
// in lower case.
std::set<std::string> platformPluginNames(const DisplaySettings& settings);

// Why none of the platforms Qt would try can start, or nothing when one may:
// an X11 or Wayland platform needs its display to accept a connection, and
// every platform needs its plugin. Without a platform named, Qt tries Wayland
// when WAYLAND_DISPLAY is set and X11 when DISPLAY is.
// The connection that found an X display answering is left open in
// `answeringDisplay`: hold it until Qt has connected too. An X server whose
// last client leaves resets (a fresh Xvfb does), and drops a connection that
// arrives meanwhile.
std::optional<std::string> unavailableWindowSystemReason(const DisplaySettings& settings,
                                                         X11Connection& answeringDisplay);

// While it lives, a fatal message from Qt (a platform that fails as it
// starts, which Qt would end with abort()) ends the program with
// `exitStatus` and the message on standard error; other messages go on to
// the handler it replaced.
class WindowSystemStartGuard {
public:
    explicit WindowSystemStartGuard(int exitStatus);
    ~WindowSystemStartGuard();
    WindowSystemStartGuard(const WindowSystemStartGuard&) = delete;
    WindowSystemStartGuard& operator=(const WindowSystemStartGuard&) = delete;

private:
    QtMessageHandler replaced_;
};

} // namespace kaskad::app
