#include "LumenKit/scenes/castle/CastleTerrain.hpp"

#include "LumenKit/core/Noise.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace lumen::castle {

namespace {

float clamp01(float v) { return std::min(std::max(v, 0.0f), 1.0f); }

float smoothStep(float v) {
    const float c = clamp01(v);
    return c * c * (3 - 2 * c);
}

float fbm(Float3 q, int octaves, std::uint32_t seed) { return Noise::fractal(q, octaves, seed); }

}  // namespace

CastleTerrain CastleTerrain::shipped() {
    constexpr std::array<Float2, 10> points{{{-12, -398}, {6, -393}, {24, -395}, {40, -391}, {50, -382},
                                             {47, -370}, {55, -359}, {69, -350}, {79, -340}, {86, -329}}};
    std::array<float, points.size()> along{};
    for (std::size_t i = 1; i < points.size(); ++i) along[i] = along[i - 1] + length(points[i] - points[i - 1]);
    const float total = along.back();
    // Level on the hilltop for 52 m, then down to the shore, steepest near the top.
    CastleTerrain terrain;
    terrain.seed = 9;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const float t = std::max(along[i] - 52, 0.0f) / (total - 52);
        terrain.path.push_back({points[i].x, 33.6f - 32.4f * (0.65f * t + 0.35f * t * t), points[i].y});
    }
    return terrain;
}

float CastleTerrain::shoreZ(float x) {
    return -300 + 28 * std::sin(0.006f * x + 1) + 14 * std::sin(0.017f * x + 0.4f);
}

float CastleTerrain::height(float x, float z) const {
    const float d = shoreZ(x) - z;
    const float nb = 0.5f * fbm({x / 330, 0.5f, z / 330}, 4, seed);
    const float ridge = 1 - std::fabs(fbm({x / 900, 2, 0.3f}, 4, seed + 9));
    const float far = 8.5f * smoothStep((d + 25) / 50) - 7 + smoothStep((d - 40) / 380) * (75 * (nb + 0.5f) + 22) +
                      smoothStep(-(z + 1300) / 1300) * (260 * ridge * ridge + 240);

    const float a = -235 + 35 * std::sin(0.012f * z + 0.5f);
    const float b = 265 + 30 * std::sin(0.011f * z + 2);
    const float g = std::max(smoothStep((a - x) / 70), smoothStep((x - b) / 70));
    const float side = g * (22 * (0.5f * fbm({x / 140, 4, z / 140}, 3, seed + 2) + 0.5f) + 13) - 7;
    const float near = 10 * smoothStep((z - 60) / 50) - 7;

    float h = std::max({far, side, near});
    const float m = mountHeight(x, z);
    if (m > 0 && m >= h) h = m;
    if (std::fabs(x + 10) < 50 && std::fabs(z + 430) < 36 && h <= 33.7f) h = 33.7f;
    const PathPoint p = nearestPathPoint(x, z);
    if (p.distance < 6) h += (p.height - 0.1f - h) * smoothStep((6 - p.distance) / 3.8f);
    return h;
}

float CastleTerrain::mountHeight(float x, float z) const {
    const Float2 q{(x + 10) / 104, (z + 430) / 82};
    const float r = length(q);
    if (r >= 1.35f) return 0;
    const float theta = std::atan2(q.y, q.x);
    const float rr = r + 0.045f * std::sin(7 * theta + 1.3f) + 0.03f * std::sin(13 * theta + 0.4f) +
                     0.09f * fbm({0.035f * x, 1.7f, 0.035f * z}, 3, seed + 3);
    const float a = smoothStep((rr - 0.44f) / 0.16f);
    const float b = smoothStep((rr - 0.6f) / 0.48f);
    const float base = 35.5f * (1 - 0.72f * a - 0.28f * b);
    const float rock = 2.2f * fbm({0.11f * x, 3.1f, 0.11f * z}, 2, seed + 5) * smoothStep((rr - 0.42f) / 0.08f) *
                       (1 - smoothStep((rr - 0.62f) / 0.18f));
    return std::min(base + rock, 35.5f);
}

PathPoint CastleTerrain::nearestPathPoint(float x, float z) const {
    PathPoint best{std::numeric_limits<float>::max(), 0};
    const Float2 p{x, z};
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        const Float2 a{path[i].x, path[i].z};
        const Float2 ab = Float2{path[i + 1].x, path[i + 1].z} - a;
        const float t = clamp01(dot(p - a, ab) / dot(ab, ab));
        const float distance = length(p - (a + ab * t));
        if (distance < best.distance) best = {distance, path[i].y + t * (path[i + 1].y - path[i].y)};
    }
    return best;
}

Float3 CastleTerrain::normal(float x, float z, float e) const {
    return normalize(Float3{height(x - e, z) - height(x + e, z), 2 * e, height(x, z - e) - height(x, z + e)});
}

}  // namespace lumen::castle
