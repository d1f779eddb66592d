#include "LumenKit/scenes/castle/CastleLayout.hpp"
#include "LumenKit/scenes/castle/CastleMeshes.hpp"
#include "LumenKit/scenes/castle/CastleTrees.hpp"

#include <benchmark/benchmark.h>

namespace {

// Everything the castle scene builds before its first frame: layout, terrain, castle, extras and
// both trees.
void castleWorld1888(benchmark::State& state) {
    using namespace lumen::castle;
    for (auto _ : state) {
        const CastleLayout layout(CastleLayout::shippedSeed);
        const auto terrain = CastleMeshes::terrain(layout.terrain, CastleMeshes::terrainCell);
        const auto castle = CastleMeshes::castle();
        const auto extras = CastleMeshes::lanternsAndDock(layout);
        const auto conifer = CastleTrees::conifer(CastleTrees::coniferTiers);
        const auto round = CastleTrees::round();
        benchmark::DoNotOptimize(terrain.vertices.data());
        benchmark::DoNotOptimize(castle.vertices.data());
        benchmark::DoNotOptimize(extras.vertices.data());
        benchmark::DoNotOptimize(conifer.vertices.data());
        benchmark::DoNotOptimize(round.vertices.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(castleWorld1888)->Unit(benchmark::kMillisecond);

}  // namespace
