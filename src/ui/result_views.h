// The views of a model window's runs, each in a window of its own: the
// results table and the cascade profile chart.
#pragma once

#include "model/run_record.h"

#include <QPoint>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace kaskad::ui {

class ChartWindow;
class RegionalSettings;
class ResultsTableModel;
class ResultsWindow;

class ResultViews {
public:
    // `form` is the model window of `model` whose `runs` these show, each
    // with the field texts it read.
    ResultViews(QWidget& form, ModelKind model, const std::vector<RunRecord>& runs, const RegionalSettings& settings,
                const QString& formCaption);
    ~ResultViews();

    // The window has kept a new run: its rows go to the end of the table.
    void runAdded();

    // Ctrl+T: opens the table, or raises it when it is open.
    void showTable();
    // Ctrl+G: draws the runs selected in the open table on one chart, or the
    // last run. Raises std::runtime_error when there is no reactor to draw
    // or more runs than one chart tells apart.
    void showChart();
    // Draws the window's runs `runs` (from 0) in the chart window, opened or
    // raised.
    void showRunsInChart(const std::vector<std::size_t>& runs);
    // Ctrl+P: the report of the run Ctrl+G would draw, as a PDF whose name
    // the user chooses; Ctrl+Shift+P prints it. Both raise
    // std::runtime_error when there is no run.
    void saveReport();
    void printReport();
    // Shows another window of the model window's in front, placed beside it
    // at `offset` when one is given.
    void present(QWidget& window, std::optional<QPoint> offset);
    // The model window has closed: its views close with it.
    void hideWindows();

    ResultsTableModel& tableModel() { return *model_; }
    // The table window, once Ctrl+T has made it.
    ResultsWindow* tableWindow() const { return table_.get(); }
    // The chart window, once Ctrl+G has made it.
    ChartWindow* chartWindow() const { return chart_.get(); }

private:
    // Shows a window of ours in front, tied to the model window so that the
    // model window's modality leaves it usable.
    void showInFront(QWidget& window);
    // Places a new window of ours beside the model window, within the screen.
    void placeBeside(QWidget& window, QPoint offset);
    void drawChart(const std::vector<std::size_t>& runs);
    // The runs Ctrl+G draws, from 0.
    std::vector<std::size_t> runsToDraw() const;
    // The first of the runs Ctrl+G would draw, for the report.
    std::size_t runToReport() const;

    QWidget& form_;
    const std::vector<RunRecord>& runs_;
    ModelKind modelKind_;
    QString formCaption_;
    std::unique_ptr<ResultsTableModel> model_;
    std::unique_ptr<ResultsWindow> table_;
    std::unique_ptr<ChartWindow> chart_;
};

} // namespace kaskad::ui
