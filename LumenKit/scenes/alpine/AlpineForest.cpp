#include "LumenKit/scenes/alpine/AlpineForest.hpp"

#include "LumenKit/core/SeededRandom.hpp"
#include "LumenKit/scenes/alpine/AlpineNoise.hpp"
#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lumen::alpine::AlpineForest {

namespace {

float unit(SeededRandom& rng) { return static_cast<float>(rng.next() >> 40) * (1.0f / 16777216.0f); }

float rowSpacing(float z) {
    const float a = std::fabs(z);
    if (a < 400) return 8;
    if (a < 1200) return 12;
    return 17;
}

float ramp(float t) { return AlpineNoise::smooth(std::clamp(t, 0.0f, 1.0f)); }

}  // namespace

float treeLine(float x, float z) { return 1250.0f + 160.0f * AlpineNoise::fbm(x / 700.0f, z / 700.0f); }

std::vector<Tree> trees(float radius, std::uint64_t seed, int maxCount, const HeightFunction& height) {
    SeededRandom rng(seed);
    std::vector<Tree> placed;
    for (float z = 60; z >= -radius;) {
        const float s = rowSpacing(z);
        for (float x = -radius; x <= radius; x += s) {
            const float xj = x + s * (0.9f * unit(rng) - 0.45f);
            const float zj = z + s * (0.9f * unit(rng) - 0.45f);
            const float r = std::hypot(xj, zj);
            if (!(r > 25 && r < radius) || !(r * 0.0871558f < -zj)) continue;
            if (!(AlpineTerrain::lakeField(xj, zj) > 6)) continue;
            const float h = height(xj, zj);
            const float line = treeLine(xj, zj);
            if (h >= line) continue;
            const float p = 0.55f + 0.6f * AlpineNoise::fbm(xj / 240.0f + 3.0f, zj / 240.0f - 5.0f) -
                            0.6f * ramp((h - (line - 250.0f)) / 250.0f);
            if (!(unit(rng) < p)) continue;
            const float ny = 6.0f / length(Float3{height(xj - 3, zj) - height(xj + 3, zj), 6.0f,
                                                  height(xj, zj - 3) - height(xj, zj + 3)});
            if (!(ny > 0.62f)) continue;
            const float f = std::clamp((h - (line - 400.0f)) / 400.0f, 0.0f, 1.0f);
            Tree tree;
            tree.height = (13.0f + 14.0f * unit(rng)) * (1.0f - 0.35f * AlpineNoise::smooth(f));
            tree.width = (0.24f + 0.08f * unit(rng)) * tree.height;
            tree.tint = unit(rng);
            tree.phase = 6.28f * unit(rng);
            tree.position = {xj, h - 0.3f, zj};
            placed.push_back(tree);
        }
        z -= s;
    }
    if (maxCount >= 0 && placed.size() > static_cast<std::size_t>(maxCount)) {
        for (std::size_t i = placed.size() - 1; i >= 1; --i) {
            const std::size_t j = static_cast<std::size_t>(rng.next() % (i + 1));
            std::swap(placed[i], placed[j]);
        }
        placed.resize(static_cast<std::size_t>(maxCount));
    }
    return placed;
}

}  // namespace lumen::alpine::AlpineForest
