// The results table and profile chart windows of a model window.
#include "ui/ResultViews.h"

#include "ui/ErrorReport.h"
#include "ui/ResultsTableModel.h"
#include "ui/ResultsWindow.h"

#include <QWindow>

namespace kaskad::ui {

ResultViews::ResultViews(QWidget& form, const std::vector<RunRecord>& runs, const RegionalSettings& settings,
                         const QString& formCaption)
    : form_(form), runs_(runs), formCaption_(formCaption),
      model_(std::make_unique<ResultsTableModel>(runs, settings, nullptr))
{
}

ResultViews::~ResultViews() = default;

void ResultViews::runsCleared()
{
    model_->runsCleared();
}

void ResultViews::runAdded()
{
    model_->runsAdded();
}

void ResultViews::showTable()
{
    if (!table_)
        table_ = std::make_unique<ResultsWindow>(*model_, formCaption_, [this] { showChart(); });
    showInFront(*table_);
}

void ResultViews::showChart()
{
}

void ResultViews::hideWindows()
{
    if (table_)
        table_->hide();
}

// A window without a parent widget, so that none of its controls counts as
// the model window's; as the model window's transient child it takes input
// while the model window is modal.
void ResultViews::showInFront(QWidget& window)
{
    window.winId();
    if (QWindow* handle = window.windowHandle())
        handle->setTransientParent(form_.windowHandle());
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace kaskad::ui
