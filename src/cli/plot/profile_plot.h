// The cascade profile of a run drawn as a chart: y1..y6 against the reactor
// number in one panel, the temperature and pressure in a second.
#pragma once

#include "chart/cascade_profile.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kaskad::cli {

struct PlotSize {
    int width = 1200;
    int height = 800;
};

// "WxH" with both from 100 to 10000 pixels.
std::optional<PlotSize> parsePlotSize(std::string_view text);

enum class PlotFormat { svg, png };

// The format named by the file's extension (".svg", ".png", any case).
std::optional<PlotFormat> plotFormatOf(std::string_view path);

// The values of one pane against the reactor number.
using PaneProfile = chart::PaneProfile;
// Text1..Text12's profiles, by pane.
using CascadeProfile = chart::CascadeProfile;

// Draws the profile into an SVG or PNG file of the given size, offscreen;
// the legend and axis titles are the panes' titles. The drawing is done by
// the plot module, loaded on the first call. Raises OutputError when the
// module cannot be loaded or the file cannot be written.
void writeProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path,
                      PlotSize size);

} // namespace kaskad::cli
