// The window "Подбор параметров": design to a target on a model window's
// fields with the study library's optimiser and solver, run off the GUI
// thread; its answers go back into the model window's fields on request.
#pragma once

#include "model/run_record.h"
#include "study/design_space.h"

#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace kaskad::ui {

class DesignResultsModel;
struct DesignOutcome;

class DesignDialog : public QWidget {
public:
    // The objectives offered, in the list's order.
    enum Goal { largestMargin, largestValue, smallestValue, targetValue };

    // `fill` puts texts into the model window's fields; `separator` is that
    // window's, with which every text here is typed and shown.
    DesignDialog(ModelKind model, DecimalSeparator separator, const QString& modelCaption,
                 std::function<void(const FieldTexts&)> fill);
    // Stops a search under way and waits for it.
    ~DesignDialog() override;

    // The model window's texts: the value of every field not searched.
    void takeFieldTexts(const FieldTexts& texts);

    // Starts the search the controls describe; raises on a malformed study.
    void calculate();
    // Asks the search under way to stop; it answers with the best so far.
    void stop();
    bool running() const { return worker_.joinable(); }
    // The selected answer's texts into the model window's fields.
    void fillFields();

    QCheckBox* searched(int field) const { return searched_[Field(field)]; }
    QLineEdit* from(int field) const { return from_[Field(field)]; }
    QLineEdit* to(int field) const { return to_[Field(field)]; }
    QLineEdit* tolerance(int field) const { return tolerance_[Field(field)]; }
    QComboBox* goal() const { return goal_; }
    QComboBox* quantity() const { return quantity_; }
    QLineEdit* target() const { return target_; }
    QSpinBox* reactor() const { return reactor_; }
    QCheckBox* meetCriterion() const { return meetCriterion_; }
    QPlainTextEdit* bounds() const { return bounds_; }
    QSpinBox* digits() const { return digits_; }
    QSpinBox* maxEvaluations() const { return maxEvaluations_; }
    QPushButton* calculateButton() const { return calculate_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* fillButton() const { return fill_; }
    QProgressBar* progress() const { return progress_; }
    QTableView* answers() const { return answers_; }
    QLabel* status() const { return status_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildFields();
    QWidget* buildGoal();
    QWidget* buildButtons();
    // The option texts of the study, with "." as the library reads them.
    FieldTexts studyTexts() const;
    // The tolerance cells that are not empty, as the space's fields.
    std::vector<study::ToleratedField> tolerances(const study::DesignSpace& space) const;
    // The bounds, a line each; raises, in the window's words, on one not understood.
    std::vector<study::QuantityBound> quantityBounds() const;
    // Marks the bounds' box red, the reason as its tooltip, while a line is wrong.
    void markBounds();
    // Raises, naming the field by its caption, when the cells do not make a search.
    void checkFields() const;
    void checkSolverFields(const std::vector<const FieldDescription*>& searched) const;
    long double fieldNumber(const FieldDescription& field, const QLineEdit& cell, const QString& end) const;
    void startOptimizer();
    void startSolver();
    void runOffThread(std::function<DesignOutcome(std::stop_token stop)> search);
    void finished(DesignOutcome outcome);
    void showRunning(bool running);
    void updateProgress();
    void updateControls();

    const ModelKind model_;
    const DecimalSeparator separator_;
    std::function<void(const FieldTexts&)> putIntoFields_;
    FieldArray<QCheckBox*> searched_{};
    FieldArray<QLineEdit*> from_{};
    FieldArray<QLineEdit*> to_{};
    FieldArray<QLineEdit*> tolerance_{};
    QComboBox* goal_ = nullptr;
    QComboBox* quantity_ = nullptr;
    QLineEdit* target_ = nullptr;
    QSpinBox* reactor_ = nullptr;
    QCheckBox* meetCriterion_ = nullptr;
    QPlainTextEdit* bounds_ = nullptr;
    QSpinBox* digits_ = nullptr;
    QSpinBox* maxEvaluations_ = nullptr;
    QPushButton* calculate_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* fill_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableView* answers_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    std::unique_ptr<DesignResultsModel> results_;

    std::jthread worker_; // its stop is the search's
    std::atomic<std::size_t> done_{0};
};

} // namespace kaskad::ui
