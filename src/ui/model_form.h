// What the two model windows share: fields and panes seen by a calculation,
// the runs kept while the program runs with their table and chart, modal
// opening with the reset before the first paint, and closing by hiding.
#pragma once

#include "model/model_window.h"
#include "model/run_record.h"
#include "numeric/number_text.h"
#include "ui/model_actions.h"
#include "ui/window_layout.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class QEventLoop;
class QAbstractButton;
class QLineEdit;
class QPlainTextEdit;

namespace kaskad::ui {

class CriterionVerdict;
class DesignDialog;
class RegionalSettings;
class ResultViews;
class StudyWindow;
class UncertaintyWindow;

class ModelForm : public QWidget, public ModelWindow {
public:
    // The result ShowModal gives: every way of closing is a cancel.
    static constexpr int kModalResultCancel = 2;

    ModelForm(const WindowDescription& layout, const RegionalSettings& settings, ModelKind model);
    ~ModelForm() override;

    // Shows the window in front with the other windows blocked, runs the
    // reset before anything is painted, and returns once the window is closed.
    int ShowModal();

    // The reset: the button's click and the activation of every opening.
    virtual void Button4Click() = 0;

    QLineEdit* field(int number) const { return fields_[Field(number)]; }
    // Return in any field presses `button`, the window's calculation.
    void calculateOnReturn(QAbstractButton* button);
    QPlainTextEdit* pane(int number) const { return panes_[Pane(number)]; }

    // The whole text of input field LabeledEditN, N = 1..8.
    std::string fieldText(int field) const;
    void beginReactor(std::int32_t reactor) override;
    void appendResult(const StoredResult& result) override;

    ModelKind modelKind() const { return model_; }
    // Every run of this window since the program started, oldest first, as
    // stored, each with the field texts it read. Neither the reset nor
    // closing the window forgets a run: a run keeps its number for the
    // program's life.
    const std::vector<RunRecord>& runs() const { return runs_; }
    // The results table and profile chart windows of these runs.
    ResultViews& resultViews() { return *views_; }
    QAction* action(ModelAction which) const { return actions_[std::size_t(which)]; }
    // Ctrl+D: the design window on this window's fields, made at the first
    // call; its answers come back into the fields.
    void showDesign();
    DesignDialog* designDialog() const { return design_.get(); }
    // Ctrl+R: opens the study window with the fields' texts, or raises it.
    void showStudy();
    // The study window, once Ctrl+R has made it.
    StudyWindow* studyWindow() const { return study_.get(); }
    // Ctrl+U: opens the tolerances and reliability window with the fields'
    // texts, or raises it.
    void showUncertainty();
    UncertaintyWindow* uncertaintyWindow() const { return uncertainty_.get(); }

    // The separator for a run that starts now, and of the fields' texts.
    DecimalSeparator decimalSeparator() const;
    // Forms the lines of a run that starts now, with the window's word.
    ResultWriter resultWriter() { return ResultWriter(*this, resultWord(model_), decimalSeparator()); }

protected:
    // Reads the fields into inputs and runs a calculation of them on this
    // window: its lines go to the panes and its values to a new run. An error
    // is kept in the run, then thrown on to the handler's guard, which
    // reports it.
    void calculateAndKeep(const std::function<void(const ModelInputs&)>& calculation);
    // Empties Text1..Text12 in the order the reset clears them; the runs
    // whose lines they held stay kept.
    void clearPanes();
    void clearFields(std::initializer_list<int> numbers);

    void hideEvent(QHideEvent* event) override;

private:
    const RegionalSettings& settings_;
    const ModelKind model_;
    FieldArray<QLineEdit*> fields_{};
    PaneArray<QPlainTextEdit*> panes_{};
    QEventLoop* modalLoop_ = nullptr;
    // Held apart from Qt's own memory of the window's focus, which a late
    // activation of the hidden window moves on to the next control.
    QPointer<QWidget> focusAtClosing_;
    std::vector<RunRecord> runs_;
    // Records the run under way, if any.
    RunRecorder* recorder_ = nullptr;
    std::unique_ptr<ResultViews> views_;
    std::unique_ptr<DesignDialog> design_;
    std::unique_ptr<StudyWindow> study_;
    std::unique_ptr<UncertaintyWindow> uncertainty_;
    std::unique_ptr<CriterionVerdict> verdict_;
    ModelActions actions_{};
};

} // namespace kaskad::ui
