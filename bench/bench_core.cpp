// Speed of a 24-reactor run of each model and of the number conversions,
// beside the C library's powl and expl.
#include "model/design.h"
#include "numeric/number_text.h"
#include "numeric/power.h"
#include "text_model_window.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace kaskad {
namespace {

void BubbleColumn24Reactors(benchmark::State& state)
{
    for (auto _ : state) {
        TextModelWindow window;
        window.fields = {"24", "3", "2.5", "0.05", "433", "2", "3", "3600"};
        runModel(ModelKind::bubble, window.texts(), window, '.');
        benchmark::DoNotOptimize(window.panes);
    }
}
BENCHMARK(BubbleColumn24Reactors)->Unit(benchmark::kMicrosecond);

void GasLift24Reactors(benchmark::State& state)
{
    for (auto _ : state) {
        TextModelWindow window;
        window.fields = {"24", "3", "2", "0.05", "450", "2", "", "3600"};
        runModel(ModelKind::gaslift, window.texts(), window, '.');
        benchmark::DoNotOptimize(window.panes);
    }
}
BENCHMARK(GasLift24Reactors)->Unit(benchmark::kMicrosecond);

void TextToNumberOfAField(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TextToNumber("0.0199999995529652", '.'));
}
BENCHMARK(TextToNumberOfAField);

void NumberToTextOfASingle(benchmark::State& state)
{
    long double value = 0.02f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(NumberToText(value, '.'));
    }
}
BENCHMARK(NumberToTextOfASingle);

void PowerOfFractional(benchmark::State& state)
{
    long double base = 4.5e-7L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(base);
        benchmark::DoNotOptimize(PowerOf(base, 0.333L));
    }
}
BENCHMARK(PowerOfFractional);

void CLibraryPowl(benchmark::State& state)
{
    long double base = 4.5e-7L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(base);
        benchmark::DoNotOptimize(std::pow(base, 0.333L));
    }
}
BENCHMARK(CLibraryPowl);

void ExpOfExtended(benchmark::State& state)
{
    long double x = -0.71L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(Exp(x));
    }
}
BENCHMARK(ExpOfExtended);

void CLibraryExpl(benchmark::State& state)
{
    long double x = -0.71L;
    for (auto _ : state) {
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(std::exp(x));
    }
}
BENCHMARK(CLibraryExpl);

} // namespace
} // namespace kaskad
