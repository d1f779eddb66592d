#include "LumenKit/scenes/reef/FishMesh.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/scenes/reef/ReefMeshes.hpp"
#include "LumenKit/scenes/reef/StrandMesh.hpp"

#include <benchmark/benchmark.h>

namespace {

// The shipped reef's generation script alone.
void reefLayout2026(benchmark::State& state) {
    for (auto _ : state) {
        lumen::reef::ReefLayout layout(lumen::reef::ReefLayout::shippedSeed);
        benchmark::DoNotOptimize(layout.items.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(reefLayout2026);

// Everything the reef scene builds before its first frame: layout, sand, merged reef, fish and
// both strand ribbons.
void reefLayoutAndMeshes2026(benchmark::State& state) {
    for (auto _ : state) {
        const lumen::reef::ReefLayout layout(lumen::reef::ReefLayout::shippedSeed);
        const auto sand = lumen::reef::ReefMeshes::sand(layout.terrain, layout.rockAnchors, lumen::reef::ReefMeshes::sandColumns,
                                                  lumen::reef::ReefMeshes::sandRows);
        const auto reef = lumen::reef::ReefMeshes::reef(layout);
        const auto fish = lumen::reef::FishMesh::build(lumen::reef::FishMesh::reefSegments, lumen::reef::FishMesh::reefSides);
        const auto kelp = lumen::reef::StrandMesh::build(lumen::reef::StrandMesh::kelpSegments);
        const auto grass = lumen::reef::StrandMesh::build(lumen::reef::StrandMesh::grassSegments);
        benchmark::DoNotOptimize(sand.vertices.data());
        benchmark::DoNotOptimize(reef.vertices.data());
        benchmark::DoNotOptimize(fish.vertices.data());
        benchmark::DoNotOptimize(kelp.vertices.data());
        benchmark::DoNotOptimize(grass.vertices.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(reefLayoutAndMeshes2026)->Unit(benchmark::kMillisecond);

}  // namespace
