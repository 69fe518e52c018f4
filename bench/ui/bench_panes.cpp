// A 24-reactor bubble-column click into the window's panes: into empty
// panes, and into panes that already hold 500 runs' worth of lines. Appending
// must not grow with what the panes hold.
#include "bubble_window.h"

namespace {

using kaskad::bench::BubbleWindow;

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
    state.counters["lines_per_pane"] = double(window.form.pane(1)->document()->blockCount() - 1);
}
BENCHMARK(BM_ClickAfter500Runs)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return kaskad::bench::runWindowBenchmarks(argc, argv); }
