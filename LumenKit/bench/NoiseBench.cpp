#include "LumenKit/core/Noise.hpp"

#include <benchmark/benchmark.h>

namespace {

// Walks a diagonal so every call lands in a different cell pattern, as terrain sampling does.
void noiseValue3D(benchmark::State& state) {
    lumen::Float3 q{0.13f, 0.57f, -2.9f};
    const lumen::Float3 step{0.731f, 0.117f, 0.377f};
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::Noise::value(q, 4u));
        q += step;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(noiseValue3D);

void noiseFractal5(benchmark::State& state) {
    lumen::Float3 q{0.13f, 0.3f, -2.9f};
    const lumen::Float3 step{0.731f, 0.0f, 0.377f};
    for (auto _ : state) {
        benchmark::DoNotOptimize(lumen::Noise::fractal(q, 5, 91u));
        q += step;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(noiseFractal5);

}  // namespace
