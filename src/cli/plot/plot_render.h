// Drawing the plots into files with Qt: the plot module's side of
// writeProfilePlot and writeTornadoPlot.
#pragma once

#include "chart/sensitivity_scenes.h"
#include "cli/plot/profile_plot.h"

#include <string>

namespace kaskad::cli {

// Draws the profile into an SVG or PNG file of the given size, offscreen.
// Raises std::runtime_error when the file cannot be written.
// The caption line, UTF-8, names the model and the run's field texts.
void drawProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path, PlotSize size,
                     PlotFormat format);

// Draws the margin's tornado chart the same way, its numbers with ".".
void drawTornadoPlot(const chart::TornadoChart& chart, const std::string& path, PlotSize size, PlotFormat format);

} // namespace kaskad::cli
