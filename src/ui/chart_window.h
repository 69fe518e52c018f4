// The profile chart window: the cascade profile of one run, drawn by the
// chart library that draws kaskad-cli's plots, filling the window and drawn
// again whenever its size changes; saved as PNG or SVG.
#pragma once

#include "chart/cascade_profile.h"

#include <QWidget>

#include <memory>

class QGraphicsScene;
class QGraphicsView;
class QPushButton;

namespace kaskad::ui {

class ChartWindow : public QWidget {
public:
    ChartWindow();
    ~ChartWindow() override;

    // Shows `profile` under the caption line `caption`, in a window titled
    // `title`.
    void showProfile(chart::CascadeProfile profile, const QString& caption, const QString& title);

    QGraphicsView* view() const { return view_; }
    QPushButton* saveButton() const { return save_; }
    // The chart at the window's size, as PNG or SVG by the file type chosen.
    void save();

private:
    // The view's visible size, or the smallest a chart is drawn at.
    QSize chartSize() const;
    // Draws the profile again for that size.
    void redraw();

    chart::CascadeProfile profile_;
    QString caption_;
    QGraphicsView* view_;
    QPushButton* save_;
    std::unique_ptr<QGraphicsScene> scene_;
};

} // namespace kaskad::ui
