// Rendering the cascade profile with Qt Charts on the offscreen platform;
// part of the plot module, the only code of kaskad-cli that uses Qt.
#include "cli/plot/profile_render.h"

#include <QApplication>
#include <QBuffer>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
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

QString paneTitle(int pane)
{
    const std::string_view title = kPaneTitles[pane - 1];
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

// A colour of its own for each pane: the chart theme has fewer than eight.
QColor paneColour(int pane)
{
    static constexpr QRgb kColours[kPaneCount] = {
        0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x17becf,
        0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0xd62728, 0x1f77b4,
    };
    return QColor(kColours[pane - 1]);
}

QLineSeries* paneSeries(const CascadeProfile& profile, int pane)
{
    auto* series = new QLineSeries;
    series->setName(paneTitle(pane));
    series->setColor(paneColour(pane));
    series->setPointsVisible(true);
    for (const auto& [reactor, value] : profile[pane - 1])
        series->append(reactor, value);
    return series;
}

// Reactors 1 to the last one with a value, one tick each up to twelve.
QValueAxis* reactorAxis(const CascadeProfile& profile)
{
    std::int32_t last = 1;
    for (const PaneProfile& pane : profile)
        for (const auto& point : pane)
            last = std::max(last, point.first);
    auto* axis = new QValueAxis;
    axis->setTitleText(QStringLiteral("Реактор"));
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setRange(1, std::max(last, 2));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(last <= 12 ? 1 : last <= 24 ? 2 : last <= 60 ? 5 : 10 * ((last + 119) / 120));
    return axis;
}

QValueAxis* valueAxis(const QString& title)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    return axis;
}

// The range of the series' values, widened a little so no point sits on the
// frame, and made nice for the tick labels.
void fitAxis(QValueAxis* axis, std::initializer_list<QLineSeries*> series)
{
    double low = 0, high = 1;
    bool any = false;
    for (QLineSeries* s : series)
        for (const QPointF& p : s->points()) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            any = true;
        }
    const double margin = high > low ? (high - low) * 0.05 : std::max(1.0, std::abs(high) * 0.05);
    axis->setRange(low - margin, high + margin);
    axis->applyNiceNumbers();
}

std::unique_ptr<QChart> concentrationChart(const CascadeProfile& profile)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(QStringLiteral("Концентрации на выходе реакторов"));
    QValueAxis* x = reactorAxis(profile);
    QValueAxis* y = valueAxis(QStringLiteral("y1 … y6"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> all;
    for (int pane : {paneY1, paneY2, paneY3, paneY4, paneY5, paneY6}) {
        QLineSeries* series = paneSeries(profile, pane);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        all.push_back(series);
    }
    fitAxis(y, {all[0], all[1], all[2], all[3], all[4], all[5]});
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

// Temperature and pressure differ in scale by two orders: each has its own
// axis, the temperature's on the left, the pressure's on the right.
std::unique_ptr<QChart> conditionsChart(const CascadeProfile& profile)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(QStringLiteral("Температура и давление"));
    QValueAxis* x = reactorAxis(profile);
    chart->addAxis(x, Qt::AlignBottom);
    const std::pair<int, Qt::Alignment> panes[] = {{paneT, Qt::AlignLeft}, {paneP, Qt::AlignRight}};
    for (const auto& [pane, side] : panes) {
        QLineSeries* series = paneSeries(profile, pane);
        QValueAxis* y = valueAxis(paneTitle(pane));
        chart->addAxis(y, side);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        fitAxis(y, {series});
        y->setLinePenColor(series->pen().color());
    }
    chart->legend()->setAlignment(Qt::AlignRight);
    return chart;
}

void renderTo(QGraphicsScene& scene, QPaintDevice& device, PlotSize size)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0, 0, size.width, size.height);
    scene.render(&painter, area, area);
}

QByteArray svgBytes(QGraphicsScene& scene, PlotSize size)
{
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(QSize(size.width, size.height));
    generator.setViewBox(QRect(0, 0, size.width, size.height));
    generator.setTitle(QStringLiteral("Kaskad cascade profile"));
    // At 96 dots per inch the drawing is as wide and high in CSS pixels as asked.
    generator.setResolution(96);
    renderTo(scene, generator, size);
    return svg.data();
}

QByteArray pngBytes(QGraphicsScene& scene, PlotSize size)
{
    QImage image(size.width, size.height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    renderTo(scene, image, size);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!image.save(&png, "PNG"))
        throw std::runtime_error("cannot encode the plot as PNG");
    return png.data();
}

// The whole file or, when it cannot be written, none of it: the bytes go to
// a temporary file renamed over the path at the end.
void writeWholeFile(const std::string& path, const QByteArray& bytes)
{
    QSaveFile out(QString::fromStdString(path));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw std::runtime_error("cannot write plot file '" + path + "'");
}

} // namespace

void drawProfilePlot(const CascadeProfile& profile, const std::string& path, PlotSize size, PlotFormat format)
{
    ensureApplication();

    QGraphicsScene scene(0, 0, size.width, size.height);
    scene.setBackgroundBrush(Qt::white);
    QChart* top = concentrationChart(profile).release();
    QChart* bottom = conditionsChart(profile).release();
    scene.addItem(top);  // the scene owns its items
    scene.addItem(bottom);
    top->setGeometry(0, 0, size.width, size.height * 0.55);
    bottom->setGeometry(0, size.height * 0.55, size.width, size.height * 0.45);

    writeWholeFile(path, format == PlotFormat::svg ? svgBytes(scene, size) : pngBytes(scene, size));
}

} // namespace kaskad::cli
