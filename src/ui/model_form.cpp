// Modal model window behaviour shared by the gas-lift and bubble-column windows.
#include "ui/model_form.h"

#include "ui/criterion_verdict.h"
#include "ui/design_dialog.h"
#include "ui/error_report.h"
#include "ui/input_set_files.h"
#include "ui/pane_text.h"
#include "ui/qt_text.h"
#include "ui/quantity_notes.h"
#include "ui/regional_settings.h"
#include "ui/result_views.h"
#include "ui/study_window.h"
#include "ui/uncertainty_window.h"

#include <QApplication>
#include <QEventLoop>
#include <QHideEvent>
#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace kaskad::ui {

ModelForm::ModelForm(const WindowDescription& layout, const RegionalSettings& settings, ModelKind model)
    : settings_(settings), model_(model)
{
    QWidget* client = buildWindow(*this, layout);
    addQuantityNotes(*this, model);
    for (int n = 1; n <= kFieldCount; ++n)
        fields_[Field(n)] = requireControl<QLineEdit>(*this, "LabeledEdit" + std::to_string(n));
    for (int n = 1; n <= kPaneCount; ++n)
        panes_[Pane(n)] = requireControl<QPlainTextEdit>(*this, "Text" + std::to_string(n));
    views_ = std::make_unique<ResultViews>(*this, model_, runs_, settings_, windowTitle());
    verdict_ = std::make_unique<CriterionVerdict>(*this, model_, "Label1");
    actions_ = addModelActions(*this, *client, panes_,
                               {[this] { views_->showTable(); }, [this] { views_->showChart(); },
                                [this] { saveInputSet(*this); }, [this] { openInputSet(*this); },
                                [this] { views_->saveReport(); }, [this] { views_->printReport(); },
                                [this] { showDesign(); }, [this] { showStudy(); }, [this] { showUncertainty(); }});
}

ModelForm::~ModelForm() = default;

void ModelForm::showStudy()
{
    const bool first = !study_;
    if (first)
        study_ = std::make_unique<StudyWindow>(*this);
    study_->takeFieldTexts();
    views_->present(*study_, first ? std::optional(QPoint(60, 60)) : std::nullopt);
}

void ModelForm::showUncertainty()
{
    const bool first = !uncertainty_;
    if (first)
        uncertainty_ = std::make_unique<UncertaintyWindow>(*this);
    uncertainty_->takeFieldTexts();
    views_->present(*uncertainty_, first ? std::optional(QPoint(90, 60)) : std::nullopt);
}

int ModelForm::ShowModal()
{
    setWindowModality(Qt::ApplicationModal);
    if (focusAtClosing_)
        focusAtClosing_->setFocus(Qt::OtherFocusReason);
    show();
    // The activation of this opening: show() has only scheduled the first
    // paint, so the user never sees the texts of the previous visit.
    guarded([this] { Button4Click(); });
    raise();
    activateWindow();
    // The window system confirms the activation later. Meanwhile Qt counts
    // a transient window as active whenever its owner is, so the keyboard
    // focus moves here now, before the loop runs anything.
    QApplication::setActiveWindow(this);

    QEventLoop loop;
    modalLoop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    modalLoop_ = nullptr;
    return kModalResultCancel;
}

void ModelForm::showDesign()
{
    const bool first = !design_;
    if (first)
        design_ =
            std::make_unique<DesignDialog>(model_, decimalSeparator(), windowTitle(), [this](const FieldTexts& texts) {
                for (int n = 1; n <= kFieldCount; ++n)
                    field(n)->setText(toQString(texts[Field(n)]));
            });
    FieldTexts texts;
    for (int n = 1; n <= kFieldCount; ++n)
        texts[Field(n)] = fieldText(n);
    design_->takeFieldTexts(texts);
    views_->present(*design_, first ? std::optional(QPoint(120, 60)) : std::nullopt);
}

void ModelForm::calculateOnReturn(QAbstractButton* button)
{
    for (QLineEdit* field : fields_)
        connect(field, &QLineEdit::returnPressed, button, &QAbstractButton::click);
}

std::string ModelForm::fieldText(int number) const { return field(number)->text().toStdString(); }

void ModelForm::beginReactor(std::int32_t reactor)
{
    if (recorder_)
        recorder_->beginReactor(reactor);
}

void ModelForm::appendResult(const StoredResult& result)
{
    if (recorder_)
        recorder_->store(result);
    appendLineToPane(*pane(result.pane), result.line());
}

void ModelForm::calculateAndKeep(const std::function<void(const ModelInputs&)>& calculation)
{
    FieldTexts fields;
    for (int n = 1; n <= kFieldCount; ++n)
        fields[Field(n)] = fieldText(n);
    RunRecord& run = runs_.emplace_back();
    run.model = model_;
    run.inputs.texts = fields;
    RunRecorder recorder(run);
    recorder_ = &recorder;
    PaneArray<int> firstLines{};
    for (const Pane pane : kStoreOrder)
        firstLines[pane] = nextLineOfPane(*panes_[pane]);
    // However the run ends, its rows go to the table, the criterion's caption
    // gives its verdict, and each pane it wrote to shows its first line.
    const auto finish = [this, &firstLines] {
        recorder_ = nullptr;
        views_->runAdded();
        verdict_->show(runs_.back(), decimalSeparator());
        for (const Pane pane : kStoreOrder)
            if (nextLineOfPane(*panes_[pane]) > firstLines[pane])
                showPaneFromLine(*panes_[pane], firstLines[pane]);
    };
    try {
        run.inputs.values = readModelInputs(model_, fields, decimalSeparator());
        run.inputs.stored = true;
        calculation(run.inputs.values);
    } catch (const Exception& error) {
        recorder.fail(error);
        finish();
        throw;
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

DecimalSeparator ModelForm::decimalSeparator() const { return settings_.decimalSeparator(); }

void ModelForm::clearPanes()
{
    verdict_->clear();
    for (const Pane pane : kStoreOrder)
        panes_[pane]->clear();
}

void ModelForm::clearFields(std::initializer_list<int> numbers)
{
    for (int number : numbers)
        field(number)->clear();
}

// Closing (the exit button, the title-bar close box) hides the window and so
// ends the modal loop; the control that has the focus gets it back at the
// next opening. A window the window system hides, e.g. on minimising,
// stays open.
void ModelForm::hideEvent(QHideEvent* event)
{
    guarded([&] {
        if (event->spontaneous())
            return;
        views_->hideWindows();
        if (design_)
            design_->close();
        if (study_) {
            study_->close();
            study_->startAfresh();
        }
        if (uncertainty_)
            uncertainty_->close();
        if (modalLoop_) {
            focusAtClosing_ = focusWidget();
            modalLoop_->exit(kModalResultCancel);
        }
    });
}

} // namespace kaskad::ui
