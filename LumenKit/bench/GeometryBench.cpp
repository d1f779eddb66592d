#include "LumenKit/core/Mesh.hpp"

#include <benchmark/benchmark.h>

namespace {

// One rock-sized part as the reef layout builds hundreds of them: grid, indices and normals.
void ellipsoid24x32(benchmark::State& state) {
    for (auto _ : state) {
        lumen::Mesh mesh;
        mesh.appendNoisyEllipsoid(24, 32, {0, 1, 0}, {0.8f, 0.5f, 0.7f}, {0.4f, 0.35f, 0.3f, 1});
        benchmark::DoNotOptimize(mesh.vertices.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 25 * 32);
}
BENCHMARK(ellipsoid24x32);

}  // namespace
