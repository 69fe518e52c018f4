// The results table and profile chart windows of a model window.
#include "ui/result_views.h"

#include "ui/chart_window.h"
#include "ui/results_table_model.h"
#include "ui/results_window.h"
#include "ui/run_report.h"
#include "ui/window_frame.h"

#include <QDateTime>
#include <QScreen>
#include <QStringList>

#include <algorithm>

#include <stdexcept>

namespace kaskad::ui {

namespace {

// A window manager's title bar and borders, as far as a window yet unshown can tell.
const QMargins kFrameAllowance(8, 40, 8, 8);

} // namespace

ResultViews::ResultViews(QWidget& form, ModelKind model, const std::vector<RunRecord>& runs,
                         const RegionalSettings& settings, const QString& formCaption)
    : form_(form),
      runs_(runs),
      modelKind_(model),
      formCaption_(formCaption),
      model_(std::make_unique<ResultsTableModel>(model, runs, settings, nullptr))
{}

ResultViews::~ResultViews() = default;

void ResultViews::runAdded()
{
    model_->runsAdded();
    // An open chart follows the new run, unless runs are chosen in the table.
    const std::vector<std::size_t> runs = runsToDraw();
    if (chart_ && chart_->isVisible() && runs.size() == 1 && !runs_[runs[0]].reactors.empty())
        drawChart(runs);
}

void ResultViews::showTable()
{
    if (!table_) {
        table_ = std::make_unique<ResultsWindow>(*model_, formCaption_, [this] { showChart(); });
        table_->addReportActions([this] { saveReport(); }, [this] { printReport(); });
        placeBeside(*table_, QPoint(40, 40));
    }
    showInFront(*table_);
}

void ResultViews::showChart() { showRunsInChart(runsToDraw()); }

void ResultViews::showRunsInChart(const std::vector<std::size_t>& runs)
{
    if (!chart_) {
        chart_ = std::make_unique<ChartWindow>(model_->decimalSeparator());
        placeBeside(*chart_, QPoint(80, 80));
    }
    drawChart(runs);
    showInFront(*chart_);
}

// One run's window is titled by its number, several runs' by all of theirs.
void ResultViews::drawChart(const std::vector<std::size_t>& runs)
{
    std::vector<ChartRun> drawn;
    QStringList numbers;
    for (std::size_t run : runs) {
        drawn.push_back({&runs_[run], &runs_[run].texts(), run + 1});
        numbers << QString::number(run + 1);
    }
    const QString title =
        runs.size() == 1 ? QStringLiteral("Профиль каскада — %1, расчёт %2").arg(formCaption_, numbers[0])
                         : QStringLiteral("Профиль каскада — %1, расчёты %2").arg(formCaption_, numbers.join(", "));
    chart_->showRuns(modelKind_, drawn, title);
}

std::vector<std::size_t> ResultViews::runsToDraw() const
{
    if (table_ && table_->isVisible())
        if (std::vector<std::size_t> selected = table_->selectedRuns(); !selected.empty())
            return selected;
    if (runs_.empty())
        return {};
    return {runs_.size() - 1};
}

std::size_t ResultViews::runToReport() const
{
    const std::vector<std::size_t> runs = runsToDraw();
    if (runs.empty())
        throw std::runtime_error("Отчёт составляется по выполненному расчёту: ни одного расчёта ещё нет.");
    return runs.front();
}

void ResultViews::saveReport()
{
    const std::size_t run = runToReport();
    QWidget* parent = table_ && table_->isActiveWindow() ? static_cast<QWidget*>(table_.get()) : &form_;
    saveRunReport(parent, {runs_[run], run + 1, model_->decimalSeparator(), QDateTime::currentDateTime()});
}

void ResultViews::printReport()
{
    const std::size_t run = runToReport();
    QWidget* parent = table_ && table_->isActiveWindow() ? static_cast<QWidget*>(table_.get()) : &form_;
    printRunReport(parent, {runs_[run], run + 1, model_->decimalSeparator(), QDateTime::currentDateTime()});
}

void ResultViews::present(QWidget& window, std::optional<QPoint> offset)
{
    if (offset)
        placeBeside(window, *offset);
    showInFront(window);
}

void ResultViews::hideWindows()
{
    if (table_)
        table_->hide();
    if (chart_)
        chart_->hide();
}

// A new window of ours opens a little below and right of the model window,
// within the screen, made smaller when the screen is. Before a window is
// first shown its frame is unknown: room is left for a title bar and borders.
void ResultViews::placeBeside(QWidget& window, QPoint offset)
{
    QPoint at = form_.pos() + offset;
    if (const QScreen* screen = form_.screen()) {
        const QRect room = screen->availableGeometry();
        const QMargins frame = window.frameGeometry() == window.geometry() ? kFrameAllowance : QMargins();
        window.resize(window.size().boundedTo(room.size().shrunkBy(frame)));
        const QSize outer = window.size().grownBy(frame);
        at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - outer.width())));
        at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - outer.height())));
    }
    window.move(at);
}

// A window without a parent widget, so that none of its controls counts as
// the model window's; as the model window's transient child it takes input
// while the model window is modal.
void ResultViews::showInFront(QWidget& window) { ui::showInFront(window, form_); }

} // namespace kaskad::ui
