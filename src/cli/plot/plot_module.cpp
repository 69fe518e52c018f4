// The plot module's entry points: the requests' plain structures turned back
// into a profile or a tornado chart and drawn; every exception stops here as
// a message.
#include "cli/plot/plot_module_abi.h"
#include "cli/plot/plot_render.h"

#include <exception>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace kaskad::cli {
namespace {

CascadeProfile profileOf(const KaskadPlotRequest& request)
{
    CascadeProfile profile;
    for (int pane = 1; pane <= kPaneCount; ++pane) {
        const KaskadPlotPane& values = request.panes[pane - 1];
        PaneProfile& points = profile[Pane(pane)];
        points.reserve(values.count);
        for (std::size_t i = 0; i < values.count; ++i)
            points.emplace_back(values.points[i].reactor, values.points[i].value);
    }
    return profile;
}

PlotFormat formatOf(KaskadPlotFormat format)
{
    if (format != kaskadPlotSvg && format != kaskadPlotPng)
        throw std::runtime_error("the plot module draws SVG or PNG only");
    return format == kaskadPlotSvg ? PlotFormat::svg : PlotFormat::png;
}

void draw(const KaskadPlotRequest& request)
{
    if (request.paneCount != kPaneCount)
        throw std::runtime_error("the plot module draws " + std::to_string(kPaneCount) + " panes, not " +
                                 std::to_string(request.paneCount));
    drawProfilePlot(profileOf(request), request.caption, request.path, PlotSize{request.width, request.height},
                    formatOf(request.format));
}

void draw(const KaskadTornadoRequest& request)
{
    chart::TornadoChart chart;
    chart.nominal = request.nominal;
    chart.caption = QString::fromUtf8(request.caption);
    chart.bars.reserve(request.barCount);
    for (std::size_t bar = 0; bar < request.barCount; ++bar)
        chart.bars.push_back(chart::TornadoBar{QString::fromUtf8(request.bars[bar].label), request.bars[bar].below,
                                               request.bars[bar].above});
    drawTornadoPlot(chart, request.path, PlotSize{request.width, request.height}, formatOf(request.format));
}

// The message handed back to the caller, kept until this thread's next call.
const char* failure(const char* message) noexcept
{
    thread_local std::string kept;
    try {
        kept = message;
        return kept.c_str();
    } catch (...) {
        return "out of memory while reporting a plot failure";
    }
}

// Draws the request; every exception becomes the message returned.
template <typename Request>
const char* drawn(const Request* request) noexcept
{
    try {
        draw(*request);
        return nullptr;
    } catch (const std::exception& error) {
        return failure(error.what());
    } catch (...) {
        return failure("the plot could not be drawn: unknown failure");
    }
}

} // namespace
} // namespace kaskad::cli

extern "C" __attribute__((visibility("default"))) const char* kaskad_write_profile_plot_v3(
    const KaskadPlotRequest* request) noexcept
{
    return kaskad::cli::drawn(request);
}

extern "C" __attribute__((visibility("default"))) const char* kaskad_write_tornado_plot_v3(
    const KaskadTornadoRequest* request) noexcept
{
    return kaskad::cli::drawn(request);
}

// The loader looks the entry points up by name and calls them as these types.
static_assert(std::is_same_v<decltype(&kaskad_write_profile_plot_v3), KaskadWriteProfilePlot>);
static_assert(std::is_same_v<decltype(&kaskad_write_tornado_plot_v3), KaskadWriteTornadoPlot>);
