// The plot module's entry point: the request's plain structures turned back
// into a profile and drawn; every exception stops here as a message.
#include "cli/plot/plot_module_abi.h"
#include "cli/plot/profile_render.h"

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

void draw(const KaskadPlotRequest& request)
{
    if (request.paneCount != kPaneCount)
        throw std::runtime_error("the plot module draws " + std::to_string(kPaneCount) + " panes, not " +
                                 std::to_string(request.paneCount));
    if (request.format != kaskadPlotSvg && request.format != kaskadPlotPng)
        throw std::runtime_error("the plot module draws SVG or PNG only");
    const PlotFormat format = request.format == kaskadPlotSvg ? PlotFormat::svg : PlotFormat::png;
    drawProfilePlot(profileOf(request), request.caption, request.path, PlotSize{request.width, request.height}, format);
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

} // namespace
} // namespace kaskad::cli

extern "C" __attribute__((visibility("default"))) const char* kaskad_write_profile_plot_v2(
    const KaskadPlotRequest* request) noexcept
{
    using kaskad::cli::failure;
    try {
        kaskad::cli::draw(*request);
        return nullptr;
    } catch (const std::exception& error) {
        return failure(error.what());
    } catch (...) {
        return failure("the plot could not be drawn: unknown failure");
    }
}

// The loader looks the entry point up by name and calls it as this type.
static_assert(std::is_same_v<decltype(&kaskad_write_profile_plot_v2), KaskadWriteProfilePlot>);
