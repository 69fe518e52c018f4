// writeProfilePlot and writeTornadoPlot for kaskad-cli: the Qt plot module is
// loaded with dlopen on the first plot, so a run without one never loads Qt.
#include "cli/plot/profile_plot.h"
#include "cli/plot/tornado_plot.h"

#include "cli/cli_errors.h"
#include "cli/module_loader.h"
#include "cli/plot/plot_module_abi.h"

#include <vector>

namespace kaskad::cli {
namespace {

// The module's entry points.
struct EntryPoints {
    KaskadWriteProfilePlot profile;
    KaskadWriteTornadoPlot tornado;
};

// A module without every entry point of this version is refused whole.
EntryPoints loadEntryPoints()
{
    const std::vector<void*> entries = moduleEntryPoints(
        kKaskadPlotModuleFile, {kKaskadWriteProfilePlotSymbol, kKaskadWriteTornadoPlotSymbol}, "plot module");
    return {reinterpret_cast<KaskadWriteProfilePlot>(entries[0]), reinterpret_cast<KaskadWriteTornadoPlot>(entries[1])};
}

// Loaded on the first plot and kept to the end of the process: the module's
// Qt application lives until exit. A failed load is tried again next time.
const EntryPoints& entryPoints()
{
    static const EntryPoints entries = loadEntryPoints();
    return entries;
}

KaskadPlotFormat fileFormat(const std::string& path)
{
    const std::optional<PlotFormat> format = plotFormatOf(path);
    if (!format)
        throw OutputError("plot file '" + path + "' must end in .svg or .png");
    return *format == PlotFormat::svg ? kaskadPlotSvg : kaskadPlotPng;
}

// The profile's values as the module's plain structures; points[pane] backs
// panes[pane].
struct PlainProfile {
    std::vector<std::vector<KaskadPlotPoint>> points;
    std::vector<KaskadPlotPane> panes;

    explicit PlainProfile(const CascadeProfile& profile)
    {
        points.reserve(profile.size());
        panes.reserve(profile.size());
        for (const PaneProfile& pane : profile) {
            std::vector<KaskadPlotPoint>& values = points.emplace_back();
            values.reserve(pane.size());
            for (const auto& [reactor, value] : pane)
                values.push_back(KaskadPlotPoint{reactor, value});
            panes.push_back(KaskadPlotPane{values.data(), values.size()});
        }
    }
};

} // namespace

void writeProfilePlot(const CascadeProfile& profile, const std::string& caption, const std::string& path, PlotSize size)
{
    const KaskadPlotFormat format = fileFormat(path);
    const KaskadWriteProfilePlot write = entryPoints().profile;
    const PlainProfile plain(profile);
    const KaskadPlotRequest request{plain.panes.data(), plain.panes.size(), caption.c_str(), path.c_str(), format,
                                    size.width,         size.height};
    if (const char* failure = write(&request))
        throw OutputError(failure);
}

void writeTornadoPlot(const TornadoPlot& plot, const std::string& path, PlotSize size)
{
    const KaskadPlotFormat format = fileFormat(path);
    const KaskadWriteTornadoPlot write = entryPoints().tornado;
    std::vector<KaskadTornadoBar> bars;
    bars.reserve(plot.bars.size());
    for (const TornadoPlotBar& bar : plot.bars)
        bars.push_back(KaskadTornadoBar{bar.label.c_str(), bar.below, bar.above});
    const KaskadTornadoRequest request{bars.data(),  bars.size(), plot.nominal, plot.caption.c_str(),
                                       path.c_str(), format,      size.width,   size.height};
    if (const char* failure = write(&request))
        throw OutputError(failure);
}

} // namespace kaskad::cli
