// Drawing the cascade profile into a file with Qt: the plot module's side of
// writeProfilePlot.
#pragma once

#include "cli/plot/profile_plot.h"

#include <string>

namespace kaskad::cli {

// Draws the profile into an SVG or PNG file of the given size, offscreen.
// Raises std::runtime_error when the file cannot be written.
// The caption line, UTF-8, names the model and the run's field texts.
void drawProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path, PlotSize size,
                     PlotFormat format);

} // namespace kaskad::cli
