// The cascade profile drawn with Qt Charts in a graphics scene: the one
// drawing of kaskad-cli's plot files and of the desktop program's chart
// window.
#pragma once

#include "chart/cascade_profile.h"

#include <QByteArray>
#include <QGraphicsScene>
#include <QSize>
#include <QString>

#include <memory>

namespace kaskad::chart {

// A scene of `size` on white: the caption line, the concentrations y1..y6
// above, the temperature and pressure below with an axis each, both panels'
// plot areas aligned so a reactor stands at the same x. Text is sized with
// the scene: a 1200x800 scene has 16 pixel labels. Needs a QApplication.
std::unique_ptr<QGraphicsScene> profileScene(const CascadeProfile& profile, const QString& caption, QSize size);

// The scene as an SVG document as many CSS pixels wide and high as the scene.
QByteArray svgDocument(QGraphicsScene& scene);
// The scene as a PNG image of its size; raises std::runtime_error when the
// image cannot be encoded.
QByteArray pngImage(QGraphicsScene& scene);

} // namespace kaskad::chart
