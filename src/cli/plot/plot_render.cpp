// Drawing the plots into files with Qt on the offscreen platform: the plot
// module's side of writeProfilePlot and writeTornadoPlot, the only code of
// kaskad-cli that uses Qt. The drawings themselves are the chart library's.
#include "cli/plot/plot_render.h"

#include "chart/profile_scene.h"
#include "formats/whole_file.h"

#include <QApplication>

#include <memory>
#include <stdexcept>

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
    static const QtMessageHandler standardHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
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

// The scene as the file's bytes, written whole: a file that cannot be
// written is left as it was.
void writeScene(QGraphicsScene& scene, const QString& title, const std::string& path, PlotFormat format)
{
    try {
        const QByteArray bytes = format == PlotFormat::svg ? chart::svgDocument(scene, title) : chart::pngImage(scene);
        formats::writeWholeFile(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("cannot write plot file '" + path + "': " + error.what());
    }
}

} // namespace

void drawProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path, PlotSize size,
                     PlotFormat format)
{
    ensureApplication();
    const std::unique_ptr<QGraphicsScene> scene = chart::profileScene(
        profile, QString::fromStdString(caption), QSize(size.width, size.height), QStringLiteral("."));
    writeScene(*scene, chart::profileTitle(), path, format);
}

void drawTornadoPlot(const chart::TornadoChart& chart, const std::string& path, PlotSize size, PlotFormat format)
{
    ensureApplication();
    const std::unique_ptr<QGraphicsScene> scene =
        chart::tornadoScene(chart, QStringLiteral("."), QSize(size.width, size.height));
    writeScene(*scene, chart::tornadoTitle(), path, format);
}

} // namespace kaskad::cli
