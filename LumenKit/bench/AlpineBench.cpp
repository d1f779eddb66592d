#include "LumenKit/scenes/alpine/AlpineForest.hpp"
#include "LumenKit/scenes/alpine/AlpineGrid.hpp"
#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace lumen::alpine;

// The bake on the CPU, per texel: the scene bakes on the GPU, this is the price it avoids
// (multiply by 1024^2 + 2048^2 texels for the whole of it).
void alpineBakeNearRegion(benchmark::State& state) {
    const int stride = static_cast<int>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(AlpineTerrain::bake(AlpineTerrain::nearRegion, stride));
    const long side = (AlpineTerrain::nearRegion.texels + stride - 1) / stride;
    state.SetItemsProcessed(state.iterations() * side * side);
}
BENCHMARK(alpineBakeNearRegion)->Arg(16)->Unit(benchmark::kMillisecond);

// What the scene does on the CPU while it is made: forest placement and the terrain grid.
void alpineForest(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(AlpineForest::trees(2300, 77, 9000, AlpineTerrain::height));
}
BENCHMARK(alpineForest)->Unit(benchmark::kMillisecond);

void alpineGrid(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(AlpineGrid::build(150, 3, 26000));
}
BENCHMARK(alpineGrid)->Unit(benchmark::kMillisecond);

}  // namespace
