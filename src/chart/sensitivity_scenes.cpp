// The margin's tornado chart, its histogram and the Sobol' indices' bars, each
// a chart under a caption line in a graphics scene.
#include "chart/sensitivity_scenes.h"

#include "chart/scene_style.h"

#include <QGraphicsLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace kaskad::chart {

namespace {

const QColor kBelowColour(0x1f, 0x77, 0xb4);
const QColor kAboveColour(0xff, 0x7f, 0x0e);
const QColor kFailingColour(0xd6, 0x27, 0x28);
const QColor kMeetingColour(0x2c, 0xa0, 0x2c);
const QColor kNominalColour(0x40, 0x40, 0x40);

// The scene of `size` on white with the caption line at the top and the
// chart below it, the legend under the plot area.
std::pair<std::unique_ptr<QGraphicsScene>, QChart*> chartScene(const QString& caption, const QString& title, QSize size,
                                                               const PlotStyle& style)
{
    auto scene = std::make_unique<QGraphicsScene>(0, 0, size.width(), size.height());
    scene->setBackgroundBrush(Qt::white);
    const qreal captionHeight = addCaptionLine(*scene, caption, style.caption);
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->setTitleFont(style.title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(style.label);
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    scene->addItem(chart); // the scene owns its items
    chart->setGeometry(0, captionHeight, size.width(), size.height() - captionHeight);
    return {std::move(scene), chart};
}

void attach(QChart& chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y)
{
    chart.addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

// Only the first series of a name appears in the legend.
void nameOnce(QChart& chart, QAbstractSeries* series)
{
    for (QAbstractSeries* other : chart.series())
        if (other != series && other->name() == series->name()) {
            for (QLegendMarker* marker : chart.legend()->markers(series))
                marker->setVisible(false);
            return;
        }
}

// A filled rectangle in the axes' values, named for the legend.
void addRectangle(QChart& chart, const QRectF& area, const QColor& colour, const QString& name, QAbstractAxis* x,
                  QAbstractAxis* y)
{
    auto* rectangle = new QAreaSeries;
    auto* lower = new QLineSeries(rectangle); // the edges are the area's children
    auto* upper = new QLineSeries(rectangle);
    lower->append({{area.left(), area.top()}, {area.right(), area.top()}});
    upper->append({{area.left(), area.bottom()}, {area.right(), area.bottom()}});
    rectangle->setLowerSeries(lower);
    rectangle->setUpperSeries(upper);
    rectangle->setName(name);
    rectangle->setColor(colour);
    rectangle->setBorderColor(Qt::white);
    attach(chart, rectangle, x, y);
    nameOnce(chart, rectangle);
}

// A vertical line at `at` from `low` to `high` on the y axis.
void addVerticalLine(QChart& chart, double at, double low, double high, const QPen& pen, const QString& name,
                     QAbstractAxis* x, QAbstractAxis* y)
{
    auto* line = new QLineSeries;
    line->append({{at, low}, {at, high}});
    line->setPen(pen);
    line->setName(name);
    attach(chart, line, x, y);
}

// The chart laid out at once: a scene rendered before the event loop runs
// would show neither axes nor legend texts.
std::unique_ptr<QGraphicsScene> laidOut(std::unique_ptr<QGraphicsScene> scene, QChart& chart)
{
    for (QLegendMarker* marker : chart.legend()->markers())
        if (marker->type() == QLegendMarker::LegendMarkerTypeArea ||
            marker->type() == QLegendMarker::LegendMarkerTypeBar)
            marker->setShape(QLegend::MarkerShapeRectangle);
    chart.layout()->activate();
    chart.legend()->layout()->invalidate();
    chart.layout()->activate();
    return scene;
}

QPen zeroPen(const PlotStyle& style) { return QPen(kFailingColour, style.lineWidth); }

QString zeroLineName() { return QStringLiteral("граница (запас 0)"); }

double tornadoWidth(const TornadoBar& bar, double nominal)
{
    return std::max({nominal, bar.below, bar.above}) - std::min({nominal, bar.below, bar.above});
}

// The field labels on the left, bar `k` from the bottom centred at k.
QCategoryAxis* fieldAxis(const TornadoChart& chart, const std::vector<std::size_t>& topDown, const PlotStyle& style)
{
    auto* axis = new QCategoryAxis;
    axis->setLabelsFont(style.label);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    axis->setGridLineVisible(false);
    axis->setStartValue(-0.5);
    for (std::size_t k = 0; k < topDown.size(); ++k)
        axis->append(chart.bars[topDown[topDown.size() - 1 - k]].label, double(k) + 0.5);
    axis->setRange(-0.5, double(topDown.size()) - 0.5);
    return axis;
}

// The margins' range with 0 and the nominal margin in it, a little wider so
// no bar ends on the frame.
std::pair<double, double> tornadoRange(const TornadoChart& chart)
{
    double low = std::min(0.0, chart.nominal), high = std::max(0.0, chart.nominal);
    for (const TornadoBar& bar : chart.bars) {
        low = std::min({low, bar.below, bar.above});
        high = std::max({high, bar.below, bar.above});
    }
    const double pad = (high - low) * 0.05;
    return {low - pad, high + pad};
}

// A bar's two halves from the nominal margin, the longer drawn first so the
// shorter stays in sight where both reach the same way.
void addTornadoBar(QChart& chart, const TornadoBar& bar, double nominal, double at, QAbstractAxis* x, QAbstractAxis* y)
{
    struct Half {
        double end;
        QColor colour;
        QString name;
    };
    Half halves[] = {{bar.below, kBelowColour, QStringLiteral("поле − допуск")},
                     {bar.above, kAboveColour, QStringLiteral("поле + допуск")}};
    if (std::abs(halves[1].end - nominal) > std::abs(halves[0].end - nominal))
        std::swap(halves[0], halves[1]);
    for (const Half& half : halves)
        addRectangle(
            chart,
            QRectF(QPointF(std::min(nominal, half.end), at - 0.3), QPointF(std::max(nominal, half.end), at + 0.3)),
            half.colour, half.name, x, y);
}

} // namespace

std::vector<std::size_t> tornadoOrder(const TornadoChart& chart)
{
    std::vector<std::size_t> order(chart.bars.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&chart](std::size_t a, std::size_t b) {
        return tornadoWidth(chart.bars[a], chart.nominal) > tornadoWidth(chart.bars[b], chart.nominal);
    });
    return order;
}

std::unique_ptr<QGraphicsScene> tornadoScene(const TornadoChart& chart, const QString& separator, QSize size)
{
    if (chart.bars.empty())
        throw std::invalid_argument("a tornado chart needs a field");
    const PlotStyle style = plotStyle(size);
    auto [scene, drawn] = chartScene(chart.caption, tornadoTitle(), size, style);
    const std::vector<std::size_t> topDown = tornadoOrder(chart);
    const auto [low, high] = tornadoRange(chart);
    QCategoryAxis* x = decimalAxis(low, high, QStringLiteral("Запас по критерию"), separator, style);
    QCategoryAxis* y = fieldAxis(chart, topDown, style);
    drawn->addAxis(x, Qt::AlignBottom);
    drawn->addAxis(y, Qt::AlignLeft);
    const double count = double(topDown.size());
    for (std::size_t k = 0; k < topDown.size(); ++k)
        addTornadoBar(*drawn, chart.bars[topDown[k]], chart.nominal, count - 1 - double(k), x, y);
    QPen nominalPen(kNominalColour, style.lineWidth);
    nominalPen.setStyle(Qt::DashLine);
    addVerticalLine(*drawn, chart.nominal, -0.5, count - 0.5, nominalPen, QStringLiteral("номинальный запас"), x, y);
    addVerticalLine(*drawn, 0, -0.5, count - 0.5, zeroPen(style), zeroLineName(), x, y);
    return laidOut(std::move(scene), *drawn);
}

std::unique_ptr<QGraphicsScene> marginHistogramScene(std::span<const double> margins, const QString& caption,
                                                     const QString& separator, QSize size)
{
    if (margins.empty())
        throw std::invalid_argument("a histogram needs a margin");
    const auto [least, most] = std::minmax_element(margins.begin(), margins.end());
    const double width = roundStep(*most > *least ? *most - *least : std::max(std::abs(*most), 1e-3),
                                   std::clamp(static_cast<int>(std::lround(std::sqrt(double(margins.size())))), 5, 40));
    const auto first = static_cast<long long>(std::floor(*least / width));
    std::vector<std::size_t> counts(static_cast<std::size_t>(std::floor(*most / width) - double(first)) + 1);
    for (const double margin : margins)
        ++counts[static_cast<std::size_t>(static_cast<long long>(std::floor(margin / width)) - first)];
    const auto meeting = std::count_if(margins.begin(), margins.end(), [](double margin) { return margin >= 0; });

    const PlotStyle style = plotStyle(size);
    const QString title = QStringLiteral("Запас по критерию: критерий выполнен в %1 % из %2")
                              .arg(decimalText(100.0 * double(meeting) / double(margins.size()), 1, separator))
                              .arg(margins.size());
    auto [scene, drawn] = chartScene(caption, title, size, style);
    const double left = std::min(0.0, double(first) * width);
    const double right = std::max(0.0, double(first + static_cast<long long>(counts.size())) * width);
    const double tallest = double(*std::max_element(counts.begin(), counts.end()));
    QCategoryAxis* x = decimalAxis(left, right, QStringLiteral("Запас по критерию"), separator, style);
    QCategoryAxis* y = decimalAxis(0, tallest * 1.05, QStringLiteral("Число расчётов"), separator, style, 1);
    drawn->addAxis(x, Qt::AlignBottom);
    drawn->addAxis(y, Qt::AlignLeft);
    for (std::size_t bin = 0; bin < counts.size(); ++bin) {
        if (counts[bin] == 0)
            continue;
        const double from = double(first + static_cast<long long>(bin)) * width;
        const bool meets = from >= 0;
        addRectangle(*drawn, QRectF(QPointF(from, 0), QPointF(from + width, double(counts[bin]))),
                     meets ? kMeetingColour : kFailingColour,
                     meets ? QStringLiteral("выполняют критерий") : QStringLiteral("не выполняют"), x, y);
    }
    addVerticalLine(*drawn, 0, 0, y->max(), zeroPen(style), zeroLineName(), x, y);
    return laidOut(std::move(scene), *drawn);
}

std::unique_ptr<QGraphicsScene> sobolScene(std::span<const SobolIndices> indices, const QString& caption,
                                           const QString& separator, QSize size)
{
    if (indices.empty())
        throw std::invalid_argument("a chart of Sobol' indices needs a field");
    const PlotStyle style = plotStyle(size);
    auto [scene, drawn] = chartScene(caption, sobolTitle(), size, style);
    auto* firstOrder = new QBarSet(QStringLiteral("первого порядка"));
    auto* total = new QBarSet(QStringLiteral("полный"));
    firstOrder->setColor(kBelowColour);
    total->setColor(kAboveColour);
    auto* fields = new QBarCategoryAxis;
    fields->setLabelsFont(style.label);
    double low = 0, high = 0.1;
    for (const SobolIndices& field : indices) {
        *firstOrder << field.firstOrder;
        *total << field.total;
        fields->append(field.field);
        low = std::min({low, field.firstOrder, field.total});
        high = std::max({high, field.firstOrder, field.total});
    }
    auto* series = new QBarSeries;
    series->append(firstOrder);
    series->append(total);
    QCategoryAxis* y = decimalAxis(low, high, QStringLiteral("Индекс Соболя"), separator, style);
    drawn->addAxis(fields, Qt::AlignBottom);
    drawn->addAxis(y, Qt::AlignLeft);
    attach(*drawn, series, fields, y);
    return laidOut(std::move(scene), *drawn);
}

QString tornadoTitle() { return QStringLiteral("Чувствительность запаса по критерию"); }
QString marginHistogramTitle() { return QStringLiteral("Распределение запаса по критерию"); }
QString sobolTitle() { return QStringLiteral("Индексы Соболя"); }

} // namespace kaskad::chart
