// Drawing the cascade profile with Qt Charts: two panels and a caption line
// in a graphics scene, and the scene as SVG or PNG.
#include "chart/profile_scene.h"

#include "chart/qt_text.h"
#include "chart/scene_style.h"
#include "model/quantities.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QPainter>
#include <QCursor>
#include <QSvgGenerator>
#include <QToolTip>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <tuple>

namespace kaskad::chart {

namespace {

QString paneTitle(Pane pane) { return toQString(kPaneTitles[pane]); }

// A colour of its own for each quantity on a panel: the chart theme has
// fewer than eight.
QColor paneColour(Pane pane) { return QColor(QRgb(quantityOf(pane).colour)); }

// The line of the run at `place`: solid for the first, then dashes, dots
// and their mixtures, in multiples of the line width.
QPen runPen(std::size_t place, const QColor& colour, qreal width)
{
    static const std::array<QList<qreal>, kMostRunsOnOneChart> kDashes = {{
        {},
        {4, 2},
        {1, 2},
        {4, 2, 1, 2},
        {4, 2, 1, 2, 1, 2},
        {8, 2},
        {8, 2, 2, 2},
        {2, 2},
    }};
    QPen pen(colour, width);
    pen.setCapStyle(Qt::FlatCap);
    if (!kDashes[place].isEmpty())
        pen.setDashPattern(kDashes[place]);
    return pen;
}

// The points of a lone run are marked; among several runs they would hide
// the line styles that tell the runs apart.
QLineSeries* paneSeries(const ProfileRun& run, std::size_t place, bool alone, Pane pane, const PlotStyle& style)
{
    auto* series = new QLineSeries;
    series->setName(paneTitle(pane));
    series->setPen(runPen(place, paneColour(pane), style.lineWidth));
    series->setPointsVisible(alone);
    series->setMarkerSize(style.pointSize);
    for (const auto& [reactor, value] : run.profile[pane])
        series->append(reactor, value);
    return series;
}

// Reactors 1 to the last one with a value, whole numbers, the first reactor
// ticked and one tick each up to twelve.
QValueAxis* reactorAxis(std::span<const ProfileRun> runs, const PlotStyle& style)
{
    std::int32_t last = 1;
    for (const ProfileRun& run : runs)
        for (const PaneProfile& pane : run.profile)
            for (const auto& point : pane)
                last = std::max(last, point.first);
    auto* axis = new QValueAxis;
    axis->setTitleText(QStringLiteral("Реактор"));
    axis->setTitleFont(style.label);
    axis->setLabelsFont(style.label);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setRange(1, std::max(last, 2));
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(1);
    axis->setTickInterval(last <= 12 ? 1 : last <= 24 ? 2 : last <= 60 ? 5 : 10 * ((last + 119) / 120));
    return axis;
}

QValueAxis* valueAxis(const QString& title, const PlotStyle& style)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setTitleFont(style.label);
    axis->setLabelsFont(style.label);
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
void fitAxis(QValueAxis* axis, const std::vector<QLineSeries*>& series, bool fromZero = false)
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

std::unique_ptr<QChart> panelChart(const QString& title, const PlotStyle& style)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(title);
    chart->setTitleFont(style.title);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(style.label);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    return chart;
}

void attach(QChart& chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y)
{
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// Draws each run's line of `pane`; the legend names the quantity once.
std::vector<QLineSeries*> addPaneLines(QChart& chart, std::span<const ProfileRun> runs, Pane pane, QValueAxis* x,
                                       QValueAxis* y, const PlotStyle& style)
{
    std::vector<QLineSeries*> lines;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        QLineSeries* series = paneSeries(runs[r], r, runs.size() == 1, pane, style);
        attach(chart, series, x, y);
        if (r > 0)
            chart.legend()->markers(series).value(0)->setVisible(false);
        lines.push_back(series);
    }
    return lines;
}

// With several runs, an entry per run in the legend: its line style in grey.
void addRunEntries(QChart& chart, std::span<const ProfileRun> runs, QValueAxis* x, QValueAxis* y,
                   const PlotStyle& style)
{
    if (runs.size() < 2)
        return;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        auto* entry = new QLineSeries;
        entry->setName(runs[r].legend);
        entry->setPen(runPen(r, QColor(0x40, 0x40, 0x40), style.lineWidth));
        attach(chart, entry, x, y);
    }
}

// The run's own name in the legend: "Расчёт 3" of "Расчёт 3: N=24".
QString runName(const ProfileRun& run) { return run.legend.section(QLatin1Char(':'), 0, 0); }

// Rings the points of each run's line (`lines`, in the runs' order) outside
// their quantity's physical limits, the limit as the tooltip of each; the
// legend names the ring once per panel.
void markOutsidePhysics(QChart& chart, std::span<const ProfileRun> runs, const std::vector<QLineSeries*>& lines,
                        Pane pane, QValueAxis* x, QValueAxis* y, const PlotStyle& style)
{
    auto* rings = new QScatterSeries;
    std::vector<std::pair<QPointF, QString>> limits;
    for (std::size_t r = 0; r < lines.size(); ++r)
        for (const QPointF& point : lines[r]->points())
            if (const PhysicalLimit* limit = brokenPhysicalLimit(pane, point.y())) {
                const QString where =
                    runs.size() > 1 ? runName(runs[r]) + QStringLiteral(", реактор ") : QStringLiteral("Реактор ");
                rings->append(point);
                limits.emplace_back(point, where + QStringLiteral("%1: вне физических пределов, %2 — %3")
                                                       .arg(int(point.x()))
                                                       .arg(toQString(limit->rule), toQString(limit->reason)));
            }
    if (rings->count() == 0) {
        delete rings;
        return;
    }
    rings->setName(QStringLiteral("Вне физических пределов"));
    rings->setMarkerShape(QScatterSeries::MarkerShapeCircle);
    rings->setMarkerSize(style.pointSize * 3);
    rings->setColor(Qt::transparent);
    rings->setBorderColor(QColor(0xd0, 0x00, 0x00));
    rings->setPen(QPen(QColor(0xd0, 0x00, 0x00), style.lineWidth));
    attach(chart, rings, x, y);
    const QList<QLegendMarker*> markers = chart.legend()->markers();
    if (std::any_of(markers.begin(), markers.end(), [rings](QLegendMarker* marker) {
            return marker->series() != rings && marker->label() == rings->name();
        }))
        chart.legend()->markers(rings).value(0)->setVisible(false);
    // Runs ringed at the same point share the tooltip, a line each.
    QObject::connect(rings, &QScatterSeries::hovered, rings, [limits](const QPointF& at, bool entered) {
        QStringList texts;
        for (const auto& [point, text] : limits)
            if (point == at)
                texts << text;
        if (entered && !texts.isEmpty())
            QToolTip::showText(QCursor::pos(), texts.join(QLatin1Char('\n')));
        else
            QToolTip::hideText();
    });
}

std::unique_ptr<QChart> concentrationChart(std::span<const ProfileRun> runs, const PlotStyle& style)
{
    auto chart = panelChart(QStringLiteral("Концентрации на выходе реакторов"), style);
    QValueAxis* x = reactorAxis(runs, style);
    // The model fixes no unit of the concentrations.
    QValueAxis* y = valueAxis(QStringLiteral("y1 … y6"), style);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    std::vector<QLineSeries*> all;
    std::vector<std::pair<Pane, std::vector<QLineSeries*>>> byPane;
    for (const QuantityDescription& quantity : kQuantities) {
        if (quantity.panel != ChartPanel::concentrations)
            continue;
        const Pane pane = quantity.pane;
        std::vector<QLineSeries*> lines = addPaneLines(*chart, runs, pane, x, y, style);
        all.insert(all.end(), lines.begin(), lines.end());
        byPane.emplace_back(pane, std::move(lines));
    }
    addRunEntries(*chart, runs, x, y, style);
    for (const auto& [pane, lines] : byPane)
        markOutsidePhysics(*chart, runs, lines, pane, x, y, style);
    fitAxis(y, all, true);
    return chart;
}

// Temperature and pressure differ in scale by two orders: each has its own
// axis, the temperature's on the left in kelvin, the pressure's on the right
// from zero and without a unit, which the model does not fix; each titled
// by the quantity's short name (the legend gives the whole title).
std::unique_ptr<QChart> conditionsChart(std::span<const ProfileRun> runs, const PlotStyle& style)
{
    auto chart = panelChart(QStringLiteral("Температура и давление"), style);
    QValueAxis* x = reactorAxis(runs, style);
    chart->addAxis(x, Qt::AlignBottom);
    const std::tuple<Pane, Qt::Alignment, QString> panes[] = {
        {paneT, Qt::AlignLeft, QStringLiteral("t, К")},
        {paneP, Qt::AlignRight, QStringLiteral("P")},
    };
    std::vector<std::tuple<Pane, QValueAxis*, std::vector<QLineSeries*>>> drawn;
    for (const auto& [pane, side, title] : panes) {
        QValueAxis* y = valueAxis(title, style);
        chart->addAxis(y, side);
        drawn.emplace_back(pane, y, addPaneLines(*chart, runs, pane, x, y, style));
    }
    addRunEntries(*chart, runs, x, std::get<QValueAxis*>(drawn.front()), style);
    for (const auto& [pane, y, lines] : drawn) {
        markOutsidePhysics(*chart, runs, lines, pane, x, y, style);
        fitAxis(y, lines, pane == paneP);
        y->setLinePen(QPen(paneColour(pane), style.lineWidth / 2));
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

// The whole scene into `target` of the device, scaled to fill it.
void renderTo(QGraphicsScene& scene, QPaintDevice& device, const QRectF& target)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, target, scene.sceneRect());
}

} // namespace

std::unique_ptr<QGraphicsScene> profileScene(const CascadeProfile& profile, const QString& caption, QSize size)
{
    const ProfileRun run{profile, {}};
    return profileScene(std::span(&run, 1), caption, size);
}

std::unique_ptr<QGraphicsScene> profileScene(std::span<const ProfileRun> runs, const QString& caption, QSize size)
{
    if (runs.size() > kMostRunsOnOneChart)
        throw std::invalid_argument("more runs than line styles");
    const PlotStyle style = plotStyle(size);
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    const qreal captionHeight = addCaptionLine(*scene, caption, style.caption);

    QChart* top = concentrationChart(runs, style).release();
    QChart* bottom = conditionsChart(runs, style).release();
    scene->addItem(top); // the scene owns its items
    scene->addItem(bottom);
    const qreal chartsHeight = size.height() - captionHeight;
    top->setGeometry(0, captionHeight, size.width(), chartsHeight * 0.55);
    bottom->setGeometry(0, captionHeight + chartsHeight * 0.55, size.width(), chartsHeight * 0.45);
    alignPlotAreas(*top, *bottom);
    return scene;
}

QString profileTitle() { return QStringLiteral("Профиль каскада"); }

QByteArray svgDocument(QGraphicsScene& scene) { return svgDocument(scene, profileTitle()); }

QByteArray svgDocument(QGraphicsScene& scene, const QString& title)
{
    const QSize size = scene.sceneRect().size().toSize();
    QBuffer svg;
    svg.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(title);
    for (const QGraphicsItem* item : scene.items())
        if (const auto* line = dynamic_cast<const QGraphicsSimpleTextItem*>(item); line && !line->parentItem())
            generator.setDescription(line->text());
    // At 96 dots per inch the drawing is as wide and high in CSS pixels as asked.
    generator.setResolution(96);
    renderTo(scene, generator, QRectF(QPointF(0, 0), size));
    return svg.data();
}

QByteArray pngImage(QGraphicsScene& scene) { return pngImage(scene, 1); }

QByteArray pngImage(QGraphicsScene& scene, int scale)
{
    const QSize size = scene.sceneRect().size().toSize() * scale;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    renderTo(scene, image, QRectF(QPointF(0, 0), size));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    if (!image.save(&png, "PNG"))
        throw std::runtime_error("cannot encode the plot as PNG");
    return png.data();
}

} // namespace kaskad::chart
