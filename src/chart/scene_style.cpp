// The charts' shared sizes, caption line and decimal axes.
#include "chart/scene_style.h"

#include "chart/decimal_axes.h"

#include <QGraphicsSimpleTextItem>

#include <algorithm>
#include <cmath>

namespace kaskad::chart {

PlotStyle plotStyle(QSize size)
{
    const int unit =
        std::clamp(static_cast<int>(std::lround(std::sqrt(double(size.width()) * size.height()) / 61)), 9, 64);
    PlotStyle style;
    style.label.setPixelSize(unit);
    style.caption.setPixelSize(unit);
    style.title.setPixelSize(unit + unit / 4);
    style.title.setBold(true);
    style.lineWidth = std::max(1.5, unit / 7.0);
    style.pointSize = std::max(4.0, unit * 0.35);
    return style;
}

qreal addCaptionLine(QGraphicsScene& scene, const QString& caption, const QFont& font)
{
    QGraphicsSimpleTextItem* line = scene.addSimpleText(caption, font);
    const qreal height = line->boundingRect().height() * 1.6;
    line->setPos(font.pixelSize(), height * 0.2);
    return height;
}

QString decimalText(double value, int decimals, const QString& separator)
{
    if (std::abs(value) < 0.5 * std::pow(10.0, -decimals))
        value = 0;
    return QString::number(value, 'f', decimals).replace(QLatin1Char('.'), separator);
}

double roundStep(double span, int count)
{
    const double rough = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * power >= rough)
            return factor * power;
    return 10 * power;
}

QCategoryAxis* decimalAxis(double low, double high, const QString& title, const QString& separator,
                           const PlotStyle& style, double leastStep, int pieces)
{
    if (!(high > low)) {
        const double pad = std::max(std::abs(low) * 0.05, 1e-3);
        low -= pad;
        high += pad;
    }
    const double step = std::max(roundStep(high - low, pieces), leastStep);
    const auto first = static_cast<long long>(std::floor(low / step));
    const auto last = static_cast<long long>(std::ceil(high / step));
    const int decimals = std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 12);
    auto* axis = new QCategoryAxis;
    axis->setTitleText(title);
    axis->setTitleFont(style.label);
    axis->setLabelsFont(style.label);
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // A category ends at each tick and carries its label; the first, too
    // narrow to see, labels the axis's start.
    const double start = double(first) * step;
    axis->setStartValue(start - step * 1e-6);
    for (long long tick = first; tick <= last; ++tick)
        axis->append(decimalText(double(tick) * step, decimals, separator), double(tick) * step);
    axis->setRange(start, double(last) * step);
    return axis;
}

QValueAxis* paddedDecimalAxis(double low, double high, const QString& title, const QString& separator, QSize size)
{
    QCategoryAxis* axis = decimalAxis(low, high, title, separator, plotStyle(size));
    const double pad = (axis->max() - axis->min()) * 0.03;
    axis->setRange(std::min(axis->min(), low - pad), std::max(axis->max(), high + pad));
    return axis;
}

QString shortDecimalText(double value, const QString& separator)
{
    const int decimals =
        value == 0 ? 0 : std::clamp(1 - static_cast<int>(std::floor(std::log10(std::abs(value)))), 0, 12);
    return decimalText(value, decimals, separator);
}

} // namespace kaskad::chart
