// How a design's criterion margin answers its fields, drawn with Qt Charts:
// a tornado chart of the margin at each field's tolerance, a histogram of
// sampled margins, and the Sobol' indices of the fields.
#pragma once

#include <QGraphicsScene>
#include <QSize>
#include <QString>

#include <memory>
#include <span>
#include <vector>

namespace kaskad::chart {

// A field's bar: its name and tolerance ("t ±1", "wg ±5%") and the margin at
// the field's value less and plus the tolerance.
struct TornadoBar {
    QString label;
    double below = 0;
    double above = 0;
};

struct TornadoChart {
    std::vector<TornadoBar> bars;
    double nominal = 0; // the margin at the nominal point
    QString caption;    // the design and its field texts
};

// A bar per field reaching from the nominal margin to each end's margin, the
// widest on top; vertical lines at the nominal margin and at 0, the
// criterion's edge. Numbers are written with `separator`. Needs a
// QApplication.
std::unique_ptr<QGraphicsScene> tornadoScene(const TornadoChart& chart, const QString& separator, QSize size);

// The bars from top to bottom: by how far the margins reach either way of
// the nominal one, widest first, ties in the order given.
std::vector<std::size_t> tornadoOrder(const TornadoChart& chart);

// The sampled margins counted in bins, 0 on a bin's edge, the bins below it
// red and the others green, a line at 0, and the share of samples that meet
// the criterion (margin 0 or more) in the title.
std::unique_ptr<QGraphicsScene> marginHistogramScene(std::span<const double> margins, const QString& caption,
                                                     const QString& separator, QSize size);

// A field's first-order and total Sobol' indices.
struct SobolIndices {
    QString field;
    double firstOrder = 0;
    double total = 0;
};

// A pair of bars per field, the first-order index beside the total.
std::unique_ptr<QGraphicsScene> sobolScene(std::span<const SobolIndices> indices, const QString& caption,
                                           const QString& separator, QSize size);

// The titles the scenes' files carry.
QString tornadoTitle();
QString marginHistogramTitle();
QString sobolTitle();

} // namespace kaskad::chart
