#include "LumenKit/scenes/rainglass/RainGlass.hpp"

#include <benchmark/benchmark.h>

namespace {

// One frame's step of a pane in heavy rain, past the pre-roll so it holds its full load of drops.
void BM_RainGlassStep(benchmark::State& state) {
    lumen::rainglass::RainGlass glass(16.0f / 9.0f, static_cast<float>(state.range(0)) / 100, 7919);
    glass.advance(25, 0);
    for (auto _ : state) {
        glass.step(1.0f / 60);
        glass.strokes.clear();
        benchmark::DoNotOptimize(glass.drops.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(glass.drops.size()));
}
BENCHMARK(BM_RainGlassStep)->Arg(42)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
