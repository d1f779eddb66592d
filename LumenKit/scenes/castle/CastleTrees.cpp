#include "LumenKit/scenes/castle/CastleTrees.hpp"

#include <cmath>
#include <numbers>

namespace lumen::castle {

namespace {

constexpr int segments = 6;
constexpr float fullTurn = 2 * std::numbers::pi_v<float>;

// One tier: a ring round a shared tip (its normal straight up), normals leaning out by the slope.
void ring(Mesh& mesh, float y, float radius, float yTip, float colourAlpha, float shade) {
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    const float h = yTip - y;
    const Float4 colour{shade, shade, shade, colourAlpha};
    for (int i = 0; i < segments; ++i) {
        const float a = fullTurn * static_cast<float>(i) / segments;
        const Float3 out{std::cos(a), 0, std::sin(a)};
        const Float3 n = normalize(Float3{out.x * h, radius, out.z * h});
        mesh.vertices.push_back({{out.x * radius, y, out.z * radius, 0}, float4(n, y), colour});
    }
    const auto tip = static_cast<std::uint32_t>(mesh.vertices.size());
    mesh.vertices.push_back({{0, yTip, 0, 0}, {0, 1, 0, yTip}, colour});
    for (std::uint32_t i = 0; i < segments; ++i) {
        mesh.indices.insert(mesh.indices.end(), {first + i, tip, first + (i + 1) % segments});
    }
}

}  // namespace

Mesh CastleTrees::conifer(int tiers) {
    Mesh mesh;
    // A short trunk below the lowest tier.
    ring(mesh, 0, 0.06f, 0.3f, 1, 1);
    const float span = 1 - 0.12f;
    for (int i = 0; i < tiers; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(tiers);
        const float base = 0.12f + span * f * 0.9f;
        const float tip = i + 1 == tiers ? 1.0f : base + span * 0.3f;
        const float radius = 0.5f * (1 - 0.8f * f);
        // Lower tiers sit in the shade of the ones above.
        ring(mesh, base, radius, tip, 0, 0.75f + 0.25f * f);
    }
    return mesh;
}

Mesh CastleTrees::round() {
    Mesh mesh;
    mesh.appendEllipsoid(5, 8, {0, 0, 0}, {0.6f, 0.6f, 0.6f}, {1, 1, 1, 0});
    return mesh;
}

}  // namespace lumen::castle
