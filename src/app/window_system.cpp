// Trying the platform plugins and the X11 or Wayland display before Qt does,
// and ending a failed start of Qt's window system with a status, not abort().
#include "app/window_system.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QLibraryInfo>
#include <QPluginLoader>

#include <xcb/xcb.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <system_error>
#include <thread>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace kaskad::app {

namespace {

// libwayland's display when WAYLAND_DISPLAY is unset.
const std::string kDefaultWaylandDisplay = "wayland-0";

std::string environmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void addPluginKeys(std::set<std::string>& names, const QString& folder)
{
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
        if (!QLibrary::isLibrary(file.fileName()))
            continue;
        const QJsonObject plugin =
            QPluginLoader(file.filePath()).metaData().value(QStringLiteral("MetaData")).toObject();
        for (const QJsonValue key : plugin.value(QStringLiteral("Keys")).toArray())
            names.insert(lowerCase(key.toString().toStdString()));
    }
}

// How long a display may take to answer the connection.
constexpr auto kDisplayAnswerTime = std::chrono::seconds(5);

// A connection to the X display, or nothing when it does not answer within
// kDisplayAnswerTime. xcb_connect waits for the server's reply without a
// limit (a socket that accepts and never replies would hold the program
// for good), so it runs on a thread of its own; one that does not return in
// time is left behind, and the program, finding no display, exits.
X11Connection answeringX11Display(const std::string& name)
{
    auto connected = std::make_shared<std::promise<xcb_connection_t*>>();
    std::future<xcb_connection_t*> answer = connected->get_future();
    try {
        std::thread([connected, name] { connected->set_value(xcb_connect(name.c_str(), nullptr)); }).detach();
    } catch (const std::system_error&) {
        return X11Connection(nullptr);
    }
    if (answer.wait_for(kDisplayAnswerTime) != std::future_status::ready)
        return X11Connection(nullptr);
    X11Connection connection(answer.get());
    if (xcb_connection_has_error(connection.get()) != 0)
        connection.reset();
    return connection;
}

// libwayland connects to WAYLAND_DISPLAY itself when it is a path, else to
// that name in XDG_RUNTIME_DIR; WAYLAND_SOCKET hands down a connection
// already open.
bool waylandDisplayAnswers(const std::string& name)
{
    if (!environmentText("WAYLAND_SOCKET").empty())
        return true;
    std::string path = name;
    if (!name.starts_with('/')) {
        const std::string runtimeFolder = environmentText("XDG_RUNTIME_DIR");
        if (runtimeFolder.empty())
            return false;
        path = runtimeFolder + "/" + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return false;
    const bool answers = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(socket);
    return answers;
}

// What keeps one platform from starting, or nothing.
// An X11 platform's display, once it answers, stays open in `answeringDisplay`.
std::optional<std::string> platformProblem(const std::string& name, const DisplaySettings& settings,
                                           const std::set<std::string>& plugins, X11Connection& answeringDisplay)
{
    if (isX11Platform(name)) {
        if (settings.x11Display.empty())
            return "DISPLAY is not set";
        if (!answeringDisplay)
            answeringDisplay = answeringX11Display(settings.x11Display);
        if (!answeringDisplay)
            return "X display '" + settings.x11Display + "' cannot be opened";
    } else if (isWaylandPlatform(name)) {
        const std::string display = settings.waylandDisplay.empty() ? kDefaultWaylandDisplay : settings.waylandDisplay;
        if (!waylandDisplayAnswers(display))
            return "Wayland display '" + display + "' cannot be opened";
    }
    if (!plugins.contains(lowerCase(name)))
        return "Qt has no platform plugin '" + name + "'";
    return std::nullopt;
}

std::vector<std::string> platformsToTry(const DisplaySettings& settings)
{
    std::vector<std::string> names = platformNames(settings.platform);
    if (names.empty()) {
        if (!settings.waylandDisplay.empty())
            names.emplace_back("wayland");
        if (!settings.x11Display.empty())
            names.emplace_back("xcb");
    }
    return names;
}

int guardExitStatus = 1;
QtMessageHandler guardReplaced = nullptr;

void onStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (guardReplaced)
            guardReplaced(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    std::fprintf(stderr, "kaskad: the window system could not be started: %s\n", qPrintable(message));
    std::fflush(stderr);
    std::_Exit(guardExitStatus);
}

} // namespace

std::set<std::string> platformPluginNames(const DisplaySettings& settings)
{
    std::set<std::string> names;
    const QString platforms = QStringLiteral("/platforms");
    addPluginKeys(names, QLibraryInfo::path(QLibraryInfo::PluginsPath) + platforms);
    const QStringList pluginFolders =
        qEnvironmentVariable("QT_PLUGIN_PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts);
    for (const QString& folder : pluginFolders)
        addPluginKeys(names, folder + platforms);
    if (const QString folder = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH"); !folder.isEmpty())
        addPluginKeys(names, folder);
    if (!settings.platformPluginPath.empty())
        addPluginKeys(names, QString::fromStdString(settings.platformPluginPath));
    std::error_code noProgramPath;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", noProgramPath);
    if (!noProgramPath)
        addPluginKeys(names, QString::fromStdString(program.parent_path().string()) + platforms);
    return names;
}

void X11Disconnect::operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }

std::optional<std::string> unavailableWindowSystemReason(const DisplaySettings& settings,
                                                         X11Connection& answeringDisplay)
{
    const std::vector<std::string> names = platformsToTry(settings);
    if (names.empty())
        return std::nullopt;
    const std::set<std::string> plugins = platformPluginNames(settings);
    std::string problems;
    for (const std::string& name : names) {
        const std::optional<std::string> problem = platformProblem(name, settings, plugins, answeringDisplay);
        if (!problem)
            return std::nullopt;
        problems += (problems.empty() ? "" : "; ") + *problem;
    }
    return "cannot open the windows: " + problems + " (kaskad-cli computes without windows)";
}

WindowSystemStartGuard::WindowSystemStartGuard(int exitStatus)
{
    guardExitStatus = exitStatus;
    replaced_ = qInstallMessageHandler(&onStartMessage);
    guardReplaced = replaced_;
}

WindowSystemStartGuard::~WindowSystemStartGuard() { qInstallMessageHandler(replaced_); }

} // namespace kaskad::app
