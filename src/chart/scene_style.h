// What every chart of the library shares: text sizes and line widths scaled
// with the drawing, the caption line, and numbers written with the caller's
// decimal separator on axes of their own ticks.
#pragma once

#include <QFont>
#include <QGraphicsScene>
#include <QSize>
#include <QString>
#include <QtCharts/QCategoryAxis>

namespace kaskad::chart {

// The text sizes, line widths and point sizes of a plot, scaled with its
// size: a 1200x800 plot has 16 pixel labels and lines of 2.3 pixels.
struct PlotStyle {
    QFont caption, title, label;
    qreal lineWidth;
    qreal pointSize;
};

PlotStyle plotStyle(QSize size);

// The caption line at the top; returns the height it takes.
qreal addCaptionLine(QGraphicsScene& scene, const QString& caption, const QFont& font);

// `value` with `decimals` decimals and `separator` between the whole part and
// the fraction ("0,25"); a value that rounds to zero is "0" without a sign.
QString decimalText(double value, int decimals, const QString& separator);

// The smallest of 1, 2 or 5 times a power of ten that parts `span` into at
// most `count` pieces.
double roundStep(double span, int count);

// An axis over at least [low, high] whose ticks fall on round steps of at
// least `leastStep`, at most `pieces` of them, each labelled with as many
// decimals as the step needs and with `separator`; the range is widened to
// whole steps.
QCategoryAxis* decimalAxis(double low, double high, const QString& title, const QString& separator,
                           const PlotStyle& style, double leastStep = 0, int pieces = 7);

} // namespace kaskad::chart
