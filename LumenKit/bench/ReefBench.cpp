#include "LumenKit/FishMesh.hpp"
#include "LumenKit/ReefLayout.hpp"
#include "LumenKit/ReefMeshes.hpp"
#include "LumenKit/StrandMesh.hpp"

#include <benchmark/benchmark.h>

namespace {

// The shipped reef's generation script alone.
void reefLayout2026(benchmark::State& state) {
    for (auto _ : state) {
        lumen::ReefLayout layout(lumen::ReefLayout::shippedSeed);
        benchmark::DoNotOptimize(layout.items.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(reefLayout2026);

// Everything the reef scene builds before its first frame: layout, sand, merged reef, fish and
// both strand ribbons.
void reefLayoutAndMeshes2026(benchmark::State& state) {
    for (auto _ : state) {
        const lumen::ReefLayout layout(lumen::ReefLayout::shippedSeed);
        const auto sand = lumen::ReefMeshes::sand(layout.terrain, layout.rockAnchors, lumen::ReefMeshes::sandColumns,
                                                  lumen::ReefMeshes::sandRows);
        const auto reef = lumen::ReefMeshes::reef(layout);
        const auto fish = lumen::FishMesh::build(lumen::FishMesh::reefSegments, lumen::FishMesh::reefSides);
        const auto kelp = lumen::StrandMesh::build(lumen::StrandMesh::kelpSegments);
        const auto grass = lumen::StrandMesh::build(lumen::StrandMesh::grassSegments);
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
