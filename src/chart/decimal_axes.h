// What the desktop program's own charts take from the chart library: axes
// ticked at round steps with the caller's decimal separator, reaching a
// little beyond their values, and short number texts for colour scales.
#pragma once

#include <QSize>
#include <QString>
#include <QtCharts/QValueAxis>

namespace kaskad::chart {

// An axis over [low, high] for a chart of `size`, its ticks on round steps
// labelled with `separator`, reaching beyond the values by a share of its
// span so that the points at its ends are drawn whole.
QValueAxis* paddedDecimalAxis(double low, double high, const QString& title, const QString& separator, QSize size);

// `value` with two significant digits and `separator`: "0,035", "-0,33", "-12".
QString shortDecimalText(double value, const QString& separator);

} // namespace kaskad::chart
