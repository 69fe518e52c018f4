// Drawing the cascade profile with Qt Charts: two panels and a caption line
// in a graphics scene, and the scene as SVG or PNG.
#include "chart/profile_scene.h"

#include "chart/qt_text.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kaskad::chart {

namespace {

QString paneTitle(Pane pane) { return toQString(kPaneTitles[pane]); }

// A colour of its own for each pane: the chart theme has fewer than eight.
QColor paneColour(Pane pane)
{
    static constexpr PaneArray<QRgb> kColours = {
        0x1f77b4, 0xff7f0e, 0x2ca02c, 0xd62728, 0x9467bd, 0x17becf,
        0x8c564b, 0xe377c2, 0x7f7f7f, 0xbcbd22, 0xd62728, 0x1f77b4,
    };
    return QColor(kColours[pane]);
}

QLineSeries* paneSeries(const CascadeProfile& profile, Pane pane)
{
    auto* series = new QLineSeries;
    series->setName(paneTitle(pane));
    series->setColor(paneColour(pane));
    series->setPointsVisible(true);
    for (const auto& [reactor, value] : profile[pane])
        series->append(reactor, value);
    return series;
}

// The text sizes of a plot, scaled with its size: a 1200x800 plot has 16
// pixel labels.
struct PlotFonts {
    QFont caption, title, label;
};

PlotFonts plotFonts(QSize size)
{
    const int unit =
        std::clamp(static_cast<int>(std::lround(std::sqrt(double(size.width()) * size.height()) / 61)), 9, 64);
    PlotFonts fonts;
    fonts.label.setPixelSize(unit);
    fonts.caption.setPixelSize(unit);
    fonts.title.setPixelSize(unit + unit / 4);
    fonts.title.setBold(true);
    return fonts;
}

// Reactors 1 to the last one with a value, whole numbers, one tick each up
// to twelve.
QValueAxis* reactorAxis(const CascadeProfile& profile, const PlotFonts& fonts)
{
    std::int32_t last = 1;
    for (const PaneProfile& pane : profile)
        for (const auto& point : pane)
            last = std::max(last, point.first);
    auto* axis = new QValueAxis;
    axis->setTitleText(QStringLiteral("Реактор"));
    axis->setTitleFont(fonts.label);
    axis->setLabelsFont(fonts.label);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setRange(1, std::max(last, 2));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(last <= 12 ? 1 : last <= 24 ? 2 : last <= 60 ? 5 : 10 * ((last + 119) / 120));
    return axis;
}

QValueAxis* valueAxis(const QString& title, const PlotFonts& fonts)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(fonts.label);
    axis->setLabelsFont(fonts.label);
    return axis;
}

// Labels with as many decimals as the tick interval needs: "0.5", "1", "1.5"
// on a mole-fraction axis, "440" on a temperature axis.
void fitLabelPrecision(QValueAxis* axis)
{
    const double interval = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    const int decimals =
        interval > 0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(interval) - 1e-9)), 0, 12) : 0;
    axis->setLabelFormat(QStringLiteral("%.") + QString::number(decimals) + QStringLiteral("f"));
}

// The range of the series' values, widened a little so no point sits on the
// frame, from zero when `fromZero` and no value is negative, and made nice
// for the tick labels.
void fitAxis(QValueAxis* axis, std::initializer_list<QLineSeries*> series, bool fromZero = false)
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
    const bool startAtZero = fromZero && low >= 0;
    axis->setRange(startAtZero ? 0 : low - margin, high + margin);
    axis->applyNiceNumbers();
    if (startAtZero)
        axis->setMin(0);
    fitLabelPrecision(axis);
}

std::unique_ptr<QChart> panelChart(const QString& title, const PlotFonts& fonts)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(title);
    chart->setTitleFont(fonts.title);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(fonts.label);
    return chart;
}

std::unique_ptr<QChart> concentrationChart(const CascadeProfile& profile, const PlotFonts& fonts)
{
    auto chart = panelChart(QStringLiteral("Концентрации на выходе реакторов"), fonts);
    QValueAxis* x = reactorAxis(profile, fonts);
    QValueAxis* y = valueAxis(QStringLiteral("y1 … y6"), fonts);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> all;
    for (Pane pane : {paneY1, paneY2, paneY3, paneY4, paneY5, paneY6}) {
        QLineSeries* series = paneSeries(profile, pane);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        all.push_back(series);
    }
    fitAxis(y, {all[0], all[1], all[2], all[3], all[4], all[5]}, true);
    return chart;
}

// Temperature and pressure differ in scale by two orders: each has its own
// axis, the temperature's on the left, the pressure's on the right, titled
// by the quantity's short name (the legend gives the whole title).
std::unique_ptr<QChart> conditionsChart(const CascadeProfile& profile, const PlotFonts& fonts)
{
    auto chart = panelChart(QStringLiteral("Температура и давление"), fonts);
    QValueAxis* x = reactorAxis(profile, fonts);
    chart->addAxis(x, Qt::AlignBottom);
    const std::pair<Pane, Qt::Alignment> panes[] = {{paneT, Qt::AlignLeft}, {paneP, Qt::AlignRight}};
    for (const auto& [pane, side] : panes) {
        QLineSeries* series = paneSeries(profile, pane);
        QValueAxis* y = valueAxis(toQString(kPaneQuantities[pane]), fonts);
        chart->addAxis(y, side);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        fitAxis(y, {series});
        y->setLinePenColor(series->pen().color());
    }
    return chart;
}

// The two panels' plot areas share their left and right edges, so a reactor
// stands at the same x in both: the panel whose area reaches further gets a
// wider margin on that side.
void alignPlotAreas(QChart& top, QChart& bottom)
{
    for (int pass = 0; pass < 2; ++pass) {
        top.layout()->activate();
        bottom.layout()->activate();
        const QRectF a = top.plotArea();
        const QRectF b = bottom.plotArea();
        const qreal left = std::max(a.left(), b.left());
        const qreal right = std::min(a.right(), b.right());
        for (auto [chart, area] : {std::pair{&top, a}, std::pair{&bottom, b}}) {
            QMargins margins = chart->margins();
            margins.setLeft(margins.left() + static_cast<int>(std::lround(left - area.left())));
            margins.setRight(margins.right() + static_cast<int>(std::lround(area.right() - right)));
            chart->setMargins(margins);
        }
    }
    top.layout()->activate();
    bottom.layout()->activate();
}

void renderTo(QGraphicsScene& scene, QPaintDevice& device)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = scene.sceneRect();
    scene.render(&painter, area, area);
}

// The caption line at the top; returns the height it takes.
qreal addCaptionLine(QGraphicsScene& scene, const QString& caption, const QFont& font)
{
    QGraphicsSimpleTextItem* line = scene.addSimpleText(caption, font);
    const qreal height = line->boundingRect().height() * 1.6;
    line->setPos(font.pixelSize(), height * 0.2);
    return height;
}

} // namespace

std::unique_ptr<QGraphicsScene> profileScene(const CascadeProfile& profile, const QString& caption, QSize size)
{
    const PlotFonts fonts = plotFonts(size);
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    const qreal captionHeight = addCaptionLine(*scene, caption, fonts.caption);

    QChart* top = concentrationChart(profile, fonts).release();
    QChart* bottom = conditionsChart(profile, fonts).release();
    scene->addItem(top); // the scene owns its items
    scene->addItem(bottom);
    const qreal chartsHeight = size.height() - captionHeight;
    top->setGeometry(0, captionHeight, size.width(), chartsHeight * 0.55);
    bottom->setGeometry(0, captionHeight + chartsHeight * 0.55, size.width(), chartsHeight * 0.45);
    alignPlotAreas(*top, *bottom);
    return scene;
}

QByteArray svgDocument(QGraphicsScene& scene)
{
    const QSize size = scene.sceneRect().size().toSize();
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QStringLiteral("Kaskad cascade profile"));
    // At 96 dots per inch the drawing is as wide and high in CSS pixels as asked.
    generator.setResolution(96);
    renderTo(scene, generator);
    return svg.data();
}

QByteArray pngImage(QGraphicsScene& scene)
{
    const QSize size = scene.sceneRect().size().toSize();
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    renderTo(scene, image);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!image.save(&png, "PNG"))
        throw std::runtime_error("cannot encode the plot as PNG");
    return png.data();
}

} // namespace kaskad::chart
