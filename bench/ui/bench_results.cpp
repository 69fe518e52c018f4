// The results table: opening its window over 12,000 rows (500 runs of 24
// reactors) until it is painted, scrolling through them a page at a time,
// and a 24-reactor bubble-column click with the table closed and with it
// open, painted after the click.
#include "bubble_window.h"
#include "ui/result_views.h"
#include "ui/results_table_model.h"
#include "ui/results_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

using kaskad::bench::BubbleWindow;

void BM_OpenTableOver12000Rows(benchmark::State& state)
{
    BubbleWindow window;
    for (int run = 0; run < 500; ++run)
        window.calculate->click();
    kaskad::ui::ResultsTableModel& model = window.form.resultViews().tableModel();
    PaintCounter viewport;
    for (auto _ : state) {
        // Made, shown and painted whole, as Ctrl+T makes it the first time.
        kaskad::ui::ResultsWindow table(model, window.form.windowTitle(), [] {});
        table.view()->viewport()->installEventFilter(&viewport);
        table.show();
        QApplication::processEvents();
        state.PauseTiming();
        table.hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(model.rowCount());
    state.counters["paints"] = benchmark::Counter(viewport.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_OpenTableOver12000Rows)->Unit(benchmark::kMillisecond);

// A page down through 12,000 rows and its paint: at 60 pages a second the
// view needs well under 16 ms a page not to stutter.
void BM_ScrollTableOver12000Rows(benchmark::State& state)
{
    BubbleWindow window;
    for (int run = 0; run < 500; ++run)
        window.calculate->click();
    window.form.resultViews().showTable();
    QTableView* view = window.form.resultViews().tableWindow()->view();
    QScrollBar* bar = view->verticalScrollBar();
    QApplication::processEvents();
    PaintCounter viewport;
    view->viewport()->installEventFilter(&viewport);
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
        QApplication::processEvents();
    }
    state.counters["paints"] = benchmark::Counter(viewport.paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ScrollTableOver12000Rows)->Unit(benchmark::kMillisecond);

// A click and the paint that follows it, from panes emptied; the table keeps
// the runs before, as the window does.
void runWithTable(benchmark::State& state, bool tableOpen)
{
    BubbleWindow window;
    PaintCounter viewport;
    if (tableOpen) {
        window.form.resultViews().showTable();
        window.form.resultViews().tableWindow()->view()->viewport()->installEventFilter(&viewport);
    }
    for (auto _ : state) {
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
        window.calculate->click();
        QApplication::processEvents();
    }
    state.counters["table_paints"] = benchmark::Counter(viewport.paints, benchmark::Counter::kAvgIterations);
}

void BM_ClickWithTableClosed(benchmark::State& state) { runWithTable(state, false); }
BENCHMARK(BM_ClickWithTableClosed)->Unit(benchmark::kMillisecond);

void BM_ClickWithTableOpen(benchmark::State& state) { runWithTable(state, true); }
BENCHMARK(BM_ClickWithTableOpen)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The offscreen platform says at every layout that it keeps no size
    // hints; that is no news here.
    static const QtMessageHandler standardHandler =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (!message.contains(QLatin1String("does not support propagateSizeHints")))
                standardHandler(type, context, message);
        });
    return kaskad::bench::runWindowBenchmarks(argc, argv);
}
