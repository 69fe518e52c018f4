// Drawing the cascade profile with Qt Charts: two panels and a caption line
// in a graphics scene, and the scene as SVG or PNG.
#include "chart/profile_scene.h"

#include "chart/qt_text.h"
#include "chart/scene_style.h"
#include "model/quantities.h"

#include <QBuffer>
#include <QGraphicsLayout>
#include <QFontMetricsF>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QPainter>
#include <QCursor>
#include <QSvgGenerator>
#include <QToolTip>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>
#include <optional>
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

// How far a ring reaches from its point, in pixels: an axis reaches that
// much beyond its first and last values, so that every marker and ring is
// drawn whole.
qreal ringReach(const PlotStyle& style) { return style.pointSize * 1.5 + style.lineWidth; }

// What an axis of `span` drawn over `pixels` must reach beyond each end so
// that `reach` pixels lie between its ends and the values at them, once the
// padding itself takes its share of the pixels.
double paddingFor(double span, qreal reach, qreal pixels) { return span * reach / std::max(reach, pixels - 2 * reach); }

// The plot area a panel of `size` leaves, at least: its title and reactor
// axis take up to five lines of labels, its axes and legend half its width.
QSizeF plotAreaOf(QSizeF size, const PlotStyle& style)
{
    const qreal unit = style.label.pixelSize();
    return {std::max(unit, size.width() * 0.5), std::max(unit, size.height() - unit * 5)};
}

// Reactors 1 to the last one with a value, whole numbers, the first reactor
// ticked and one tick each up to twelve; the range padded beyond the first
// and the last reactor, whose ticks stay where they were.
QValueAxis* reactorAxis(std::span<const ProfileRun> runs, const PlotStyle& style, qreal plotWidth)
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
    const double end = std::max(last, 2);
    const double pad = std::max(0.3, paddingFor(end - 1, ringReach(style), plotWidth));
    axis->setRange(1 - pad, end + pad);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(1);
    axis->setTickInterval(last <= 12 ? 1 : last <= 24 ? 2 : last <= 60 ? 5 : 10 * ((last + 119) / 120));
    return axis;
}

// The lowest and highest values of the panes in every run; none without a value.
std::optional<std::pair<double, double>> valueRange(std::span<const ProfileRun> runs, std::span<const Pane> panes)
{
    std::optional<std::pair<double, double>> range;
    for (const ProfileRun& run : runs)
        for (Pane pane : panes)
            for (const auto& [reactor, value] : run.profile[pane])
                range = range ? std::pair{std::min(range->first, value), std::max(range->second, value)}
                              : std::pair{value, value};
    return range;
}

// A value axis over every value of the panes, ticked at round steps labelled
// with the separator, from zero when `fromZero` and no value is negative,
// with as many ticks as a plot area `plotHeight` high holds labels; its range
// reaches beyond the values by a ring's reach.
QValueAxis* valueAxis(const QString& title, std::span<const ProfileRun> runs, std::span<const Pane> panes,
                      bool fromZero, const QString& separator, const PlotStyle& style, qreal plotHeight)
{
    const auto [low, high] = valueRange(runs, panes).value_or(std::pair{0.0, 1.0});
    // A label wants more than twice its height between ticks.
    const int pieces = std::clamp(static_cast<int>(plotHeight / (style.label.pixelSize() * 2.2)), 2, 7);
    QCategoryAxis* axis = decimalAxis(fromZero && low >= 0 ? 0 : low, high, title, separator, style, 0, pieces);
    const double pad = paddingFor(axis->max() - axis->min(), ringReach(style), plotHeight);
    axis->setRange(std::min(axis->min(), low - pad), std::max(axis->max(), high + pad));
    return axis;
}

std::unique_ptr<QChart> panelChart(const QString& title, const PlotStyle& style)
{
    auto chart = std::make_unique<QChart>();
    chart->setTitle(title);
    chart->setTitleFont(style.title);
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->legend()->setFont(style.label);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    // Three panels share the height: each keeps narrow margins of its own.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setBackgroundRoundness(0);
    const int margin = style.label.pixelSize() / 2;
    chart->setMargins(QMargins(margin, 0, margin, 0));
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

// An axis of a panel: the panes drawn against it, its title and side, and
// whether it starts at zero when no value is negative.
struct PanelAxis {
    QString title;
    Qt::Alignment side;
    std::vector<Pane> panes;
    bool fromZero;
};

// The panes of the table drawn on `panel`, in store order.
std::vector<Pane> panesOn(ChartPanel panel)
{
    std::vector<Pane> panes;
    for (const QuantityDescription& quantity : kQuantities)
        if (quantity.panel == panel)
            panes.push_back(quantity.pane);
    return panes;
}

// The concentrations on one axis, and the air and oxidate quantities on
// another panel, each from zero and without a unit, which the model does
// not fix. Temperature and pressure differ in scale by two orders: each has
// its own axis, the temperature's on the left in kelvin, the pressure's on
// the right from zero; each titled by the quantity's short name (the legend
// gives the whole title).
std::vector<PanelAxis> panelAxes(ChartPanel panel)
{
    switch (panel) {
    case ChartPanel::concentrations:
        return {{QStringLiteral("y1 … y6"), Qt::AlignLeft, panesOn(panel), true}};
    case ChartPanel::flows:
        return {{QStringLiteral("GB, WB"), Qt::AlignLeft, panesOn(panel), true}};
    case ChartPanel::conditions:
        return {{QStringLiteral("t, К"), Qt::AlignLeft, {paneT}, false},
                {QStringLiteral("P"), Qt::AlignRight, {paneP}, true}};
    case ChartPanel::none:
        break;
    }
    return {};
}

QString panelTitle(ChartPanel panel)
{
    switch (panel) {
    case ChartPanel::concentrations:
        return QStringLiteral("Концентрации на выходе реакторов");
    case ChartPanel::flows:
        return QStringLiteral("Воздух и оксидат");
    case ChartPanel::conditions:
        return QStringLiteral("Температура и давление");
    case ChartPanel::none:
        break;
    }
    return {};
}

// A panel: each run's line of each of its panes, then the rings of the
// values outside their physical limits; an axis of its own colour where the
// panel has two.
std::unique_ptr<QChart> panelOf(ChartPanel panel, std::span<const ProfileRun> runs, const QString& separator,
                                const PlotStyle& style, QSizeF size)
{
    auto chart = panelChart(panelTitle(panel), style);
    const QSizeF plotArea = plotAreaOf(size, style);
    QValueAxis* x = reactorAxis(runs, style, plotArea.width());
    // The panels share their reactors: the lowest names the axis for all.
    x->setTitleVisible(panel == ChartPanel::conditions);
    chart->addAxis(x, Qt::AlignBottom);
    const std::vector<PanelAxis> axes = panelAxes(panel);
    std::vector<std::tuple<Pane, QValueAxis*, std::vector<QLineSeries*>>> drawn;
    for (const PanelAxis& axis : axes) {
        QValueAxis* y = valueAxis(axis.title, runs, axis.panes, axis.fromZero, separator, style, plotArea.height());
        chart->addAxis(y, axis.side);
        if (axes.size() > 1)
            y->setLinePen(QPen(paneColour(axis.panes.front()), style.lineWidth / 2));
        for (Pane pane : axis.panes)
            drawn.emplace_back(pane, y, addPaneLines(*chart, runs, pane, x, y, style));
    }
    for (const auto& [pane, y, lines] : drawn)
        markOutsidePhysics(*chart, runs, lines, pane, x, y, style);
    return chart;
}

// The panels' plot areas share their left and right edges, so a reactor
// stands at the same x in each: a panel whose area reaches further gets a
// wider margin on that side.
void alignPlotAreas(std::span<QChart* const> panels)
{
    const auto activate = [&] {
        for (QChart* panel : panels)
            panel->layout()->activate();
    };
    for (int pass = 0; pass < 2; ++pass) {
        activate();
        qreal left = -HUGE_VAL, right = HUGE_VAL;
        for (QChart* panel : panels) {
            left = std::max(left, panel->plotArea().left());
            right = std::min(right, panel->plotArea().right());
        }
        for (QChart* panel : panels) {
            const QRectF area = panel->plotArea();
            QMargins margins = panel->margins();
            margins.setLeft(margins.left() + static_cast<int>(std::lround(left - area.left())));
            margins.setRight(margins.right() + static_cast<int>(std::lround(area.right() - right)));
            panel->setMargins(margins);
        }
    }
    activate();
}

// A legend text cut into lines at its ", " where it is wider than `width`.
QString wrappedLegend(const QString& legend, const QFont& font, qreal width)
{
    const QFontMetricsF metrics(font);
    const QStringList parts = legend.split(QStringLiteral(", "));
    QString wrapped, line;
    for (const QString& part : parts) {
        const QString longer = line.isEmpty() ? part : line + QStringLiteral(", ") + part;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            wrapped += line + QStringLiteral(",\n");
            line = part;
        } else {
            line = longer;
        }
    }
    return wrapped + line;
}

// With several runs, their key under the caption line: each run's line
// style in dark grey, long enough to show its dashes, and its legend text
// whole, side by side where they fit and on further lines where not.
// Returns the height it takes.
qreal addRunsKey(QGraphicsScene& scene, std::span<const ProfileRun> runs, qreal top, const PlotStyle& style)
{
    if (runs.size() < 2)
        return 0;
    const qreal unit = style.caption.pixelSize();
    const qreal sample = unit * 4;
    const qreal room = scene.width() - unit * 2;
    qreal x = unit, y = top, lineBottom = top;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        QGraphicsSimpleTextItem* text =
            scene.addSimpleText(wrappedLegend(runs[r].legend, style.caption, room - sample - unit), style.caption);
        const QRectF box = text->boundingRect();
        const qreal entry = sample + unit * 0.5 + box.width();
        if (x > unit && x + entry > room + unit) {
            x = unit;
            y = lineBottom;
        }
        const qreal middle = y + QFontMetricsF(style.caption).height() / 2;
        scene.addLine(QLineF(x, middle, x + sample, middle),
                      runPen(r, QColor(0x40, 0x40, 0x40), style.lineWidth * 1.3));
        text->setPos(x + sample + unit * 0.5, y);
        x += entry + unit * 1.5;
        lineBottom = std::max(lineBottom, y + box.height() * 1.2);
    }
    return lineBottom - top + unit * 0.3;
}

// The whole scene into `target` of the device, scaled to fill it.
void renderTo(QGraphicsScene& scene, QPaintDevice& device, const QRectF& target)
{
    QPainter painter(&device);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, target, scene.sceneRect());
}

} // namespace

std::unique_ptr<QGraphicsScene> profileScene(const CascadeProfile& profile, const QString& caption, QSize size,
                                             const QString& separator)
{
    const ProfileRun run{profile, {}};
    return profileScene(std::span(&run, 1), caption, size, separator);
}

std::unique_ptr<QGraphicsScene> profileScene(std::span<const ProfileRun> runs, const QString& caption, QSize size,
                                             const QString& separator)
{
    if (runs.size() > kMostRunsOnOneChart)
        throw std::invalid_argument("more runs than line styles");
    const PlotStyle style = plotStyle(size);
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    qreal top = addCaptionLine(*scene, caption, style.caption);
    top += addRunsKey(*scene, runs, top, style);
    // The concentrations, the air and oxidate, the temperature and pressure,
    // top to bottom, with these shares of the height.
    const std::pair<ChartPanel, double> shares[] = {
        {ChartPanel::concentrations, 0.42}, {ChartPanel::flows, 0.25}, {ChartPanel::conditions, 0.33}};
    const qreal chartsHeight = size.height() - top;
    std::vector<QChart*> panels;
    for (const auto& [panel, share] : shares) {
        QChart* chart = panelOf(panel, runs, separator, style, QSizeF(size.width(), chartsHeight * share)).release();
        scene->addItem(chart); // the scene owns its items
        chart->setGeometry(0, top, size.width(), chartsHeight * share);
        top += chartsHeight * share;
        panels.push_back(chart);
    }
    alignPlotAreas(panels);
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
