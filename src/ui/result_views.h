// The views of a model window's runs, each in a window of its own: the
// results table and the cascade profile chart.
#pragma once

#include "model/run_record.h"

#include <QPoint>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

namespace kaskad::ui {

class ChartWindow;
class RegionalSettings;
class ResultsTableModel;
class ResultsWindow;

class ResultViews {
public:
    // `form` is the model window whose `runs` these show; `runFields` holds
    // the field texts each run read.
    ResultViews(QWidget& form, const std::vector<RunRecord>& runs, const std::vector<FieldTexts>& runFields,
                const RegionalSettings& settings, const QString& formCaption);
    ~ResultViews();

    // The window has forgotten its runs: the table empties, the chart closes.
    void runsCleared();
    // The window has kept a new run: its rows go to the end of the table.
    void runAdded();

    // Ctrl+T: opens the table, or raises it when it is open.
    void showTable();
    // Ctrl+G: draws the run selected in the open table, or the last run.
    // Raises std::runtime_error when there is no reactor to draw.
    void showChart();
    // The model window has closed: its views close with it.
    void hideWindows();

    ResultsTableModel& tableModel() { return *model_; }
    // The table window, once Ctrl+T has made it.
    ResultsWindow* tableWindow() const { return table_.get(); }
    // The chart window, once Ctrl+G has made it.
    ChartWindow* chartWindow() const { return chart_.get(); }

    // Shows a window of ours in front, tied to the model window so that the
    // model window's modality leaves it usable.
    void showInFront(QWidget& window);
    // Places a new window of ours beside the model window, within the screen.
    void placeBeside(QWidget& window, QPoint offset);

private:
    void drawChart(std::size_t run);
    // The run Ctrl+G draws, from 0.
    std::size_t runToDraw() const;

    QWidget& form_;
    const std::vector<RunRecord>& runs_;
    const std::vector<FieldTexts>& runFields_;
    QString formCaption_;
    std::unique_ptr<ResultsTableModel> model_;
    std::unique_ptr<ResultsWindow> table_;
    std::unique_ptr<ChartWindow> chart_;
};

} // namespace kaskad::ui
