#include "LumenKit/scenes/reef/FishWorld.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/scenes/reef/ReefSimulation.hpp"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

const lumen::reef::ReefLayout& reef() {
    static const lumen::reef::ReefLayout layout(lumen::reef::ReefLayout::shippedSeed);
    return layout;
}

// One fixed step of the whole reef (310 fish, both grids, the overlap pass), from a world
// whose schools have formed.
void BM_FishWorldStep(benchmark::State& state) {
    lumen::reef::FishWorld world(reef());
    for (int i = 0; i < 100; ++i) world.step(0.1);
    for (auto _ : state) {
        world.step(0.1);
        benchmark::DoNotOptimize(world.fish().data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(world.fish().size()));
}
BENCHMARK(BM_FishWorldStep)->Unit(benchmark::kMicrosecond);

// The same with the pointer threat cutting through the silverside school.
void BM_FishWorldStepWithThreat(benchmark::State& state) {
    lumen::reef::FishWorld world(reef());
    for (int i = 0; i < 100; ++i) world.step(0.1);
    world.setThreat(lumen::reef::Threat{{0, 2.7f, 8.6f}, {0.05f, 0.15f, -1}, 2.2f});
    for (auto _ : state) {
        world.step(0.1);
        benchmark::DoNotOptimize(world.fish().data());
    }
}
BENCHMARK(BM_FishWorldStepWithThreat)->Unit(benchmark::kMicrosecond);

// Spawn plus the six overlap passes, as on every scene construction.
void BM_FishWorldConstruction(benchmark::State& state) {
    for (auto _ : state) {
        lumen::reef::FishWorld world(reef());
        benchmark::DoNotOptimize(world.fish().data());
    }
}
BENCHMARK(BM_FishWorldConstruction)->Unit(benchmark::kMicrosecond);

// A 60 Hz frame of the reef world: fixed steps when due plus the instance interpolation.
void BM_ReefSimulationFrame(benchmark::State& state) {
    const auto now = std::chrono::system_clock::time_point{std::chrono::seconds{1'714'000'000}};
    lumen::reef::ReefSimulation world(reef(), now, nullptr);
    for (auto _ : state) {
        world.step(1.0 / 60.0);
        benchmark::DoNotOptimize(world.instances().data());
    }
}
BENCHMARK(BM_ReefSimulationFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
