// The cascade profile drawn with Qt Charts in a graphics scene: the one
// drawing of kaskad-cli's plot files and of the desktop program's chart
// window.
#pragma once

#include "chart/cascade_profile.h"

#include <QByteArray>
#include <QGraphicsScene>
#include <QSize>
#include <QString>

#include <cstddef>
#include <memory>
#include <span>

namespace kaskad::chart {

// A run drawn among others: its values and its legend entry ("Расчёт 3: N=24").
struct ProfileRun {
    CascadeProfile profile;
    QString legend;
};

// The most runs one chart tells apart, each by a line style of its own.
inline constexpr std::size_t kMostRunsOnOneChart = 8;

// A scene of `size` on white: the caption line, the concentrations y1..y6
// at the top, the air and oxidate quantities GB and WB below them, the
// temperature and pressure at the bottom with an axis each, the panels'
// plot areas aligned so a reactor stands at the same x. The axes reach a
// little beyond the first and last reactor and the outer ticks, so every
// point's marker is whole, and write their numbers with `separator`. Text
// and lines are sized with the scene: a 1200x800 scene has 16 pixel labels.
// A value outside its quantity's physical limits is ringed, its limit as
// tooltip. Needs a QApplication.
std::unique_ptr<QGraphicsScene> profileScene(const CascadeProfile& profile, const QString& caption, QSize size,
                                             const QString& separator);
// The same for up to kMostRunsOnOneChart runs: a colour per quantity and a
// line style per run, each run with its legend text whole in a key under the
// caption line. One run is drawn as above.
std::unique_ptr<QGraphicsScene> profileScene(std::span<const ProfileRun> runs, const QString& caption, QSize size,
                                             const QString& separator);

// The title every profile drawing carries in its file.
QString profileTitle();

// The scene as an SVG document as many CSS pixels wide and high as the
// scene, titled `title`, the caption line as its description.
QByteArray svgDocument(QGraphicsScene& scene, const QString& title);
QByteArray svgDocument(QGraphicsScene& scene);
// The scene as a PNG image of its size times `scale` (2: twice the
// resolution, the same drawing); raises std::runtime_error when the image
// cannot be encoded.
QByteArray pngImage(QGraphicsScene& scene, int scale);
QByteArray pngImage(QGraphicsScene& scene);

} // namespace kaskad::chart
