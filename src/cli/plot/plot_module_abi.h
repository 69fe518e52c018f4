// What kaskad-cli and its plot module exchange across dlopen: plain C
// structures and an entry point per drawing, so no C++ object or exception
// crosses.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// One value of a pane: the reactor it belongs to and the value itself.
struct KaskadPlotPoint {
    std::int32_t reactor;
    double value;
};

// One pane's values, in reactor order.
struct KaskadPlotPane {
    const KaskadPlotPoint* points;
    std::size_t count;
};

enum KaskadPlotFormat : int { kaskadPlotSvg = 0, kaskadPlotPng = 1 };

// What to draw and where: Text1..Text12's values at panes[pane - 1], the
// caption line (UTF-8), the file's path (NUL-terminated, in the file system's
// encoding), its format and its size in pixels.
struct KaskadPlotRequest {
    const KaskadPlotPane* panes;
    std::size_t paneCount;
    const char* caption;
    const char* path;
    KaskadPlotFormat format;
    int width;
    int height;
};

// A field's bar of the tornado chart: its label (UTF-8: the field and its
// tolerance) and the criterion margin at its value less and plus the
// tolerance.
struct KaskadTornadoBar {
    const char* label;
    double below;
    double above;
};

// The tornado chart of the margin: the bars in the fields' order, the
// nominal margin, and the caption line, file, format and size as above.
struct KaskadTornadoRequest {
    const KaskadTornadoBar* bars;
    std::size_t barCount;
    double nominal;
    const char* caption;
    const char* path;
    KaskadPlotFormat format;
    int width;
    int height;
};

// Each entry point draws its request into the request's file. Returns a null
// pointer on success, or the message of what failed; the message is owned by
// the module and stays valid until the calling thread calls again. Never
// throws.
using KaskadWriteProfilePlot = const char* (*)(const KaskadPlotRequest* request) noexcept;
using KaskadWriteTornadoPlot = const char* (*)(const KaskadTornadoRequest* request) noexcept;

} // extern "C"

// The module's file name and the names of its entry points. Each name carries
// the version of the structures above: a module built for other structures,
// or without one of the drawings, is refused rather than misread.
inline constexpr const char* kKaskadPlotModuleFile = "kaskad-plot.so";
inline constexpr const char* kKaskadWriteProfilePlotSymbol = "kaskad_write_profile_plot_v3";
inline constexpr const char* kKaskadWriteTornadoPlotSymbol = "kaskad_write_tornado_plot_v3";
