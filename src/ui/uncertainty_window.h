// The window "Допуски и надёжность" of a model window: a tolerance or a
// distribution per field, the criterion margin's sensitivity at the window's
// point, and the uncertainty study run off the GUI thread with the
// probability of meeting the criterion, its histogram, Sobol' indices and
// quantiles.
#pragma once

#include "chart/sensitivity_scenes.h"
#include "model/run_record.h"
#include "ui/uncertainty_report.h"
#include "ui/uncertainty_summary.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QGraphicsView;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;

namespace kaskad::ui {

class FindingsView;
class ModelForm;
class UncertaintyRun;

class UncertaintyWindow : public QWidget {
public:
    // The tabs, in their order.
    enum Tab { tornadoTab, histogramTab, sobolTab, quantilesTab };

    explicit UncertaintyWindow(ModelForm& form);
    ~UncertaintyWindow() override;

    // The model window's field texts as they stand now.
    void takeFieldTexts();

    QLineEdit* toleranceCell(Field field) const { return cells_[field]; }
    QSpinBox* samplesBox() const { return samples_; }
    QSpinBox* seedBox() const { return seed_; }
    QComboBox* methodBox() const { return method_; }
    QCheckBox* indicesBox() const { return indices_; }
    QPushButton* sensitivityButton() const { return sensitivity_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* stopButton() const { return stop_; }
    QProgressBar* progressBar() const { return progress_; }
    QLabel* probabilityLine() const { return probability_; }
    QLabel* statusLine() const { return status_; }
    QTabWidget* tabs() const { return tabs_; }
    QGraphicsView* chartView(Tab tab) const;
    const UncertaintySummaryModel& summaryModel() const { return summary_; }
    const ReliabilityFindings& findings() const { return findings_; }
    bool running() const { return bool(study_); }

    // "Чувствительность": the margin's tornado chart at the window's point.
    void computeSensitivity();
    // "Рассчитать": starts the uncertainty study. Raises StudyError when the
    // cells do not make one.
    void startStudy();
    // "Остановить": the figures cover the runs made.
    void stopStudy();
    void saveResults();
    // Ctrl+P: the report as a PDF whose name the user chooses; Ctrl+Shift+P prints it.
    void saveReport();
    void printReport();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeFieldsGrid();
    QLayout* makeSettingsRow();
    QLayout* makeRunRow();
    QWidget* makeTabs();
    void addShortcuts();
    // The fields and cells as they stand; the findings of other texts are dropped.
    void takeTexts();
    void poll();
    void finishStudy();
    void updateButtons();
    void showFindings();
    // Marks a cell that does not read, its reason in the tooltip.
    void checkCell(const FieldDescription& field);
    // The report's contents, or raises when there is nothing to report.
    UncertaintyReport report() const;

    ModelForm& form_;
    const ModelKind modelKind_;
    FieldArray<QLabel*> texts_{};
    FieldArray<QLineEdit*> cells_{};
    QSpinBox* samples_ = nullptr;
    QSpinBox* seed_ = nullptr;
    QComboBox* method_ = nullptr;
    QCheckBox* indices_ = nullptr;
    QPushButton* sensitivity_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* probability_ = nullptr;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    std::array<FindingsView*, 3> views_{};
    QTableView* quantiles_ = nullptr;
    UncertaintySummaryModel summary_;
    ReliabilityFindings findings_;
    std::unique_ptr<UncertaintyRun> study_;
    QTimer poll_;
};

} // namespace kaskad::ui
