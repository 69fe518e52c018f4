// A 24-reactor bubble-column click into the window's panes: into empty
// panes, and into panes that already hold 500 runs' worth of lines. Appending
// must not grow with what the panes hold.
#include "numeric/extended.h"
#include "ui/RegionalSettings.h"
#include "ui/Unit3.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

const char* const kInputs[] = {"24", "3", "2.5", "0.05", "433", "2", "3", "3600"};

struct BubbleWindow {
    kaskad::ui::RegionalSettings settings{[] { return QLocale::c(); }};
    kaskad::ui::TForm3 form{settings};
    QPushButton* calculate = form.findChild<QPushButton*>("Button1");

    BubbleWindow()
    {
        form.show();
        for (int n = 1; n <= 8; ++n)
            form.field(n)->setText(kInputs[n - 1]);
    }
    void clearPanes()
    {
        for (int n = 1; n <= 12; ++n)
            form.pane(n)->clear();
    }
};

void BM_ClickIntoEmptyPanes(benchmark::State& state)
{
    BubbleWindow window;
    for (auto _ : state) {
        state.PauseTiming();
        window.clearPanes();
        state.ResumeTiming();
        window.calculate->click();
    }
}
BENCHMARK(BM_ClickIntoEmptyPanes)->Unit(benchmark::kMillisecond);

void BM_ClickAfter500Runs(benchmark::State& state)
{
    BubbleWindow window;
    for (int run = 0; run < 500; ++run)
        window.calculate->click();
    for (auto _ : state)
        window.calculate->click();
    state.counters["lines_per_pane"] =
        double(window.form.pane(1)->document()->blockCount() - 1);
}
BENCHMARK(BM_ClickAfter500Runs)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    kaskad::setCalculationFloatingPointEnvironment();
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
