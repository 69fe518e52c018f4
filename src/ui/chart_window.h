// The profile chart window: the cascade profile of one run, or of several
// runs told apart by their line styles, drawn by the chart library that draws
// kaskad-cli's plots, filling the window and drawn again whenever its size
// changes; saved as PNG or SVG at the window's size, twice its resolution or
// a size chosen.
#pragma once

#include "chart/profile_scene.h"

#include <QSize>
#include <QWidget>

#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

class QComboBox;
class QGraphicsScene;
class QGraphicsView;
class QPushButton;

namespace kaskad::ui {

// A run to draw: what it stored, the field texts it read and the number it
// is known by ("Расчёт 3", or a study's "Точка 12").
struct ChartRun {
    const RunRecord* run;
    const FieldTexts* fields;
    std::size_t number;
    std::string_view noun = "Расчёт";
};

// Raises std::runtime_error, saying so, when `chosen` runs are more than one
// chart tells apart.
void checkRunsOnOneChart(std::size_t chosen);

// How a saved picture is sized: the window's size times `scale`, or `size`.
struct PictureSize {
    std::optional<QSize> size;
    int scale = 1;
};

class ChartWindow : public QWidget {
public:
    // Its axes write numbers with `separator`, the model window's.
    explicit ChartWindow(DecimalSeparator separator);
    ~ChartWindow() override;

    // Shows `profile` under the caption line `caption`, in a window titled
    // `title`.
    void showProfile(chart::CascadeProfile profile, const QString& caption, const QString& title);
    // Shows runs of `model` on one chart, in a window titled `title`: one run
    // as its own profile under its field texts; several under the texts they
    // share, each in the legend with the texts that tell it apart. Runs that
    // computed no reactor are left out. Raises std::runtime_error when none is
    // left or more than chart::kMostRunsOnOneChart are.
    void showRuns(ModelKind model, std::span<const ChartRun> runs, const QString& title);

    QGraphicsView* view() const { return view_; }
    QPushButton* saveButton() const { return save_; }
    // The picture size chosen beside the save button; it may be typed, as
    // "1600 × 1000".
    QComboBox* pictureSizeBox() const { return pictureSize_; }
    // The chart as PNG or SVG by the file type chosen, at the picture size.
    void save();

    // The size the box says; raises std::runtime_error on a text that is
    // no size.
    static PictureSize pictureSizeOf(const QString& text);

private:
    // The view's visible size, or the smallest a chart is drawn at.
    QSize chartSize() const;
    // Draws the profile again for that size.
    void redraw();
    void showDrawing(std::vector<chart::ProfileRun> runs, const QString& caption, const QString& title);

    const QString separator_;
    std::vector<chart::ProfileRun> runs_;
    QString caption_;
    QGraphicsView* view_;
    QPushButton* save_;
    QComboBox* pictureSize_;
    std::unique_ptr<QGraphicsScene> scene_;
};

} // namespace kaskad::ui
