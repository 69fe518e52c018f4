// The chart of a study: an outlet quantity against a swept field, a line per
// value of a second swept field, the criterion's bounds as shaded bands; or a
// map of the criterion's margin over two swept fields with the region that
// meets it outlined. Drawn in a graphics scene, saved as PNG or SVG.
#pragma once

#include "ui/study_table_model.h"

#include <QGraphicsScene>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QGraphicsView;

namespace kaskad::ui {

struct StudyChartChoice {
    bool map = false;                      // the margin's map rather than lines
    std::size_t xField = 0;                // a swept field, by its place in the plan
    std::optional<std::size_t> otherField; // the lines' (or the map's second) swept field
    Pane quantity = paneY1;                // the lines' outlet quantity
    std::size_t reference = 0;             // the point whose other swept fields hold
};

// The scene of `size` for the study's points so far. Raises
// std::runtime_error when the choice has nothing to draw.
std::unique_ptr<QGraphicsScene> studyChartScene(const study::SweepPlan& plan, const std::vector<StudyPoint>& points,
                                                const StudyChartChoice& choice, QSize size, DecimalSeparator separator);

class StudyChartWindow : public QWidget {
public:
    // `reference`: the point the table's current row shows, if any.
    StudyChartWindow(const StudyTableModel& model, std::function<std::optional<std::size_t>()> reference);
    ~StudyChartWindow() override;

    // Draws the study again, after a new study or new points.
    void redraw();
    // A new study has started: its swept fields are offered, nothing drawn.
    void studyStarted();
    // Draws again when the table's current row holds the swept fields not
    // drawn at other values than the chart shows.
    void followReference();
    void save();

    QComboBox* kindBox() const { return kind_; }
    QComboBox* xBox() const { return x_; }
    QComboBox* otherBox() const { return other_; }
    QComboBox* quantityBox() const { return quantity_; }
    QGraphicsView* view() const { return view_; }
    // What the window draws now, once it has drawn the study shown.
    std::optional<StudyChartChoice> shownChoice() const;
    // "При t = 433, ts = 600": the swept fields the choice does not draw and
    // the texts it holds them at, the reference point's.
    static QString heldFieldsText(const study::SweepPlan& plan, const StudyChartChoice& choice);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The swept fields offered, after a new study.
    void offerFields();
    StudyChartChoice choice() const;

    const StudyTableModel& model_;
    std::function<std::optional<std::size_t>()> reference_;
    // The study whose fields are offered, by the table's count of studies.
    std::uint64_t offeredFor_ = 0;
    std::optional<StudyChartChoice> shown_;
    QComboBox* kind_;
    QComboBox* x_;
    QComboBox* other_;
    QComboBox* quantity_;
    QGraphicsView* view_;
    std::unique_ptr<QGraphicsScene> scene_;
};

} // namespace kaskad::ui
