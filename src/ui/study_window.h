// The study window "Исследование параметров" of a model window: per field the
// values it takes, the study run on every core off the GUI thread, and its
// points in a table.
#pragma once

#include "formats/table_text.h"
#include "model/run_record.h"
#include "ui/study_chart.h"
#include "ui/study_table_model.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

namespace kaskad::ui {

class ChartWindow;
class ModelForm;
class StudyRun;

class StudyWindow : public QWidget {
public:
    explicit StudyWindow(ModelForm& form);
    ~StudyWindow() override;

    // The model window's field texts as they stand now; the values of a
    // study not yet defined start as those texts.
    void takeFieldTexts();
    // The model window has closed: at its next opening the values start
    // again as its field texts.
    void startAfresh() { defined_ = false; }

    QLineEdit* valuesCell(Field field) const { return values_[field]; }
    QLabel* pointCountLine() const { return pointCount_; }
    QLabel* statusLine() const { return status_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* stopButton() const { return stop_; }
    QProgressBar* progressBar() const { return progress_; }
    QTableView* view() const { return view_; }
    QCheckBox* everyReactorBox() const { return everyReactor_; }
    QCheckBox* onlyMeetingBox() const { return onlyMeeting_; }
    StudyTableModel& tableModel() { return model_; }
    bool running() const { return bool(study_); }

    // The values texts of every field.
    FieldTexts valuesTexts() const;
    // "Рассчитать": starts the study of the values as they stand. Raises
    // StudyError when they do not make one.
    void startStudy();
    // "Остановить": a sort under way ends, the rows keeping their order;
    // else the study stops, the points computed so far staying.
    void stopStudy();
    // "Подставить в поля": the current row's field texts into the model
    // window's fields, without calculating.
    void putIntoFields();
    // Ctrl+C: the selected cells (or all) as tab-separated text, a single
    // cell just its value; Ctrl+Shift+C the same with the columns' names.
    void copyCells(formats::WithHeader header);
    void saveResults();
    // Ctrl+G and "График…": the chart of the study's points so far.
    void showChart();
    StudyChartWindow* chartWindow() const { return chart_.get(); }
    // Ctrl+Shift+G "Профиль каскада": the runs of the points of the selected
    // rows (or of the current row) on one profile chart, run again.
    void showProfile();
    ChartWindow* profileWindow() const { return profile_.get(); }
    // Ctrl+P "Отчёт…": the study's report as a PDF whose name the user
    // chooses; Ctrl+Shift+P prints it.
    void saveReport();
    void printReport();
    void saveStudy();
    void openStudy();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeFieldsGrid();
    QLayout* makeRunRow();
    QLayout* makeResultsRow();
    void addShortcuts();
    // Recounts the points as the values are typed, marking a wrong cell.
    void updatePointCount();
    // Takes the points the study delivered and shows its progress, and a
    // sort's.
    void poll();
    // A sort of the table started or ended.
    void sortChanged();
    void showSortProgress();
    // The line under the cells, once a sort's progress has left it.
    void showStatus(const QString& text);
    // The criterion's filter with the count of points meeting it; the line
    // under the cells says so when it leaves none.
    void showMeetingCount();
    // Fields the study holds constant take the room of their texts.
    void fitColumnWidths();
    void finishStudy();
    void updateButtons();
    // The points of the selected rows' cells, or of the current row, as
    // places in the model's points, in point order.
    std::vector<std::size_t> selectedPoints() const;
    // The chart the report draws: the chart window's, or the one it opens with.
    StudyChartChoice reportChart() const;
    // Raises when there is no study to report.
    void checkReportable() const;

    ModelForm& form_;
    const ModelKind modelKind_;
    bool defined_ = false;
    FieldArray<QLabel*> texts_{};
    FieldArray<QLineEdit*> values_{};
    QLabel* pointCount_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* speed_ = nullptr;
    QCheckBox* everyReactor_ = nullptr;
    QCheckBox* onlyMeeting_ = nullptr;
    QPushButton* putIntoFields_ = nullptr;
    QTableView* view_ = nullptr;
    StudyTableModel model_;
    std::shared_ptr<const study::SweepPlan> plan_;
    std::unique_ptr<StudyRun> study_;
    std::unique_ptr<StudyChartWindow> chart_;
    std::unique_ptr<ChartWindow> profile_;
    // The values texts of the study shown.
    FieldTexts studied_;
    // The line under the cells as it was before a sort wrote its progress there.
    QString statusBeforeSort_;
    // What the line under the cells says of the study last finished.
    QString studyStatus_;
    QTimer poll_;
    QElapsedTimer elapsed_;
};

} // namespace kaskad::ui
