#include "LumenKit/scenes/alpine/AlpineGrid.hpp"

#include <cmath>
#include <numbers>

namespace lumen::alpine::AlpineGrid {

float angle(int k) {
    constexpr double degree = std::numbers::pi / 180.0;
    if (k < frontAngles) return static_cast<float>((-105.0 + 210.0 * k / frontAngles) * degree);
    return static_cast<float>((105.0 + 150.0 * (k - frontAngles) / backAngles) * degree);
}

Grid build(int rings, float inner, float outer) {
    Grid grid;
    if (rings < 2) return grid;
    constexpr int n = angleCount;
    grid.vertices.reserve(1 + static_cast<std::size_t>(rings) * n);
    grid.vertices.push_back({0, 0});
    float sines[n], cosines[n];
    for (int k = 0; k < n; ++k) {
        sines[k] = std::sin(angle(k));
        cosines[k] = std::cos(angle(k));
    }
    for (int i = 0; i < rings; ++i) {
        const float r = static_cast<float>(inner * std::pow(double(outer) / inner, double(i) / (rings - 1)));
        for (int k = 0; k < n; ++k) grid.vertices.push_back({r * sines[k], -r * cosines[k]});
    }
    auto& idx = grid.indices;
    idx.reserve(3 * n + 6 * static_cast<std::size_t>(rings - 1) * n);
    for (std::uint32_t k = 1; k <= n; ++k) idx.insert(idx.end(), {0u, k, (k % n) + 1});
    for (int r = 0; r + 1 < rings; ++r) {
        const std::uint32_t b0 = 1 + static_cast<std::uint32_t>(r) * n, b1 = b0 + n;
        for (std::uint32_t k = 1; k <= n; ++k) {
            const std::uint32_t a = k - 1, c = k % n;
            idx.insert(idx.end(), {b0 + a, b1 + a, b1 + c, b0 + a, b1 + c, b0 + c});
        }
    }
    return grid;
}

}  // namespace lumen::alpine::AlpineGrid
