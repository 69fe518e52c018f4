// The criterion margin's tornado chart of a sensitivity, drawn by the plot
// module like the cascade profile.
#pragma once

#include "cli/plot/profile_plot.h"

#include <string>
#include <vector>

namespace kaskad::cli {

// A field's bar: "t ±1", the margin at the value less and plus the tolerance.
struct TornadoPlotBar {
    std::string label;
    double below = 0;
    double above = 0;
};

struct TornadoPlot {
    std::vector<TornadoPlotBar> bars; // in the fields' order: the module ranks them
    double nominal = 0;
    std::string caption; // the design and its field texts, UTF-8
};

// Draws the tornado chart into an SVG or PNG file of the given size,
// offscreen. Raises OutputError when the module cannot be loaded or the file
// cannot be written.
void writeTornadoPlot(const TornadoPlot& plot, const std::string& path, PlotSize size);

} // namespace kaskad::cli
