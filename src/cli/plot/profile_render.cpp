// Drawing the cascade profile into a file with Qt on the offscreen platform:
// the plot module's side of writeProfilePlot, the only code of kaskad-cli
// that uses Qt. The drawing itself is the chart library's.
#include "cli/plot/profile_render.h"

#include "chart/profile_scene.h"

#include <QApplication>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace kaskad::cli {

namespace {

// Charts are widgets: they need an application object. The command line
// has no display, so it uses the offscreen platform.
void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    // Without a desktop session Qt notes that it picked a runtime directory
    // of its own; that is expected here and not worth a line on stderr.
    static const QtMessageHandler standardHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
                standardHandler(type, context, message);
        });
    static int argc = 3;
    static char name[] = "kaskad-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static QApplication application(argc, argv);
}

// The whole file or, when it cannot be written, none of it: the bytes go to
// a temporary file renamed over the path at the end.
[[noreturn]] void failToWrite(const std::string& path, const std::string& reason)
{
    throw std::runtime_error("cannot write plot file '" + path + "': " + reason);
}

// A device or a pipe cannot be replaced by a renamed file: the bytes go
// straight into it, and every failed write is reported.
void writeInPlace(const std::string& path, const QByteArray& bytes)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor < 0)
        failToWrite(path, std::strerror(errno));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(descriptor, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0) {
            const int error = errno;
            ::close(descriptor);
            failToWrite(path, std::strerror(error));
        }
        done += written;
    }
    if (::close(descriptor) != 0)
        failToWrite(path, std::strerror(errno));
}

void writeWholeFile(const std::string& path, const QByteArray& bytes)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        writeInPlace(path, bytes);
        return;
    }
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        failToWrite(path, out.errorString().toStdString());
}

} // namespace

void drawProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path,
                     PlotSize size, PlotFormat format)
{
    ensureApplication();
    const std::unique_ptr<QGraphicsScene> scene =
        chart::profileScene(profile, QString::fromUtf8(caption.c_str()), QSize(size.width, size.height));
    writeWholeFile(path, format == PlotFormat::svg ? chart::svgDocument(*scene) : chart::pngImage(*scene));
}

} // namespace kaskad::cli
