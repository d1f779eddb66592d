// Rocks, far pinnacles and boulder corals: lumpy solids that never sway.
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <cmath>

namespace lumen::reef::ReefItemBuilders {

using namespace ReefShapes;

namespace {

// Two octaves of lumps seeded per item, so no two rocks share a silhouette.
Mesh::RadiusFunction lumps(std::uint32_t seed, float coarse, float fine) {
    return [=](float theta, float phi) {
        const Float3 d = sphereDirection(theta, phi);
        const float a = Noise::value(d * 1.6f, seed) - 0.5f;
        const float b = Noise::value(d * 4.1f, seed + 1u) - 0.5f;
        return 1.0f + coarse * a + fine * b;
    };
}

// Stone colour with mottling, greener or pinker growth on the upward faces, darker below.
void paintStone(Mesh& mesh, std::size_t first, Float3 tone, Float3 growth, std::uint32_t seed, float footY,
                float span) {
    paint(mesh, first, [&](MeshVertex& v) {
        const Float3 p = xyz(v.position);
        const float mottle = 0.75f + 0.45f * Noise::value(p * 2.2f, seed + 2u);
        const float cover = smoothstep(0.25f, 0.85f, v.normal.y) * Noise::value(p * 1.3f, seed + 3u);
        v.color = float4(mix(tone * mottle, growth, 0.6f * cover), 0.0f);
        v.position.w = 0.0f;
        v.normal.w = 0.35f + 0.65f * clamp01((p.y - footY) / span);
    });
}

}  // namespace

void rock(Context& c) {
    const std::uint32_t seed = fold(c.random.next());
    const int rings = c.coarse ? 8 : 14, segments = c.coarse ? 12 : 22;
    const std::size_t first = c.mesh.vertices.size();
    const Float4 white{1, 1, 1, 0};
    const Float3 radii{c.range(0.9f, 1.1f), c.range(0.62f, 0.78f), c.range(0.85f, 1.0f)};
    c.mesh.appendEllipsoid(rings, segments, {0.0f, 0.1f, 0.0f}, radii, white, lumps(seed, 0.3f, 0.12f));
    // A smaller shoulder breaks the egg shape.
    const Float3 shoulder{c.range(-0.55f, 0.55f), c.range(-0.1f, 0.1f), c.range(-0.55f, 0.55f)};
    const float s = c.range(0.45f, 0.62f);
    c.mesh.appendEllipsoid(rings, segments, shoulder, Float3{s, 0.8f * s, s}, white, lumps(seed + 7u, 0.3f, 0.12f));
    const Float3 growth = Palette::rock(c.palette + 1) * 1.15f;
    paintStone(c.mesh, first, Palette::rock(c.palette), growth, seed, -0.5f, 1.2f);
}

void pinnacle(Context& c) {
    const std::uint32_t seed = fold(c.random.next());
    const std::size_t first = c.mesh.vertices.size();
    const Float4 white{1, 1, 1, 0};
    // The spire narrows towards its top (theta near 0).
    const auto rough = lumps(seed, 0.35f, 0.15f);
    c.mesh.appendEllipsoid(16, 20, {0.0f, 1.9f, 0.0f}, {0.8f, 2.4f, 0.8f}, white, [&](float theta, float phi) {
        return rough(theta, phi) * (0.7f + 0.3f * theta / 3.14159265f);
    });
    for (int i = 0; i < 2; ++i) {
        const float angle = c.range(0.0f, 6.28f);
        const Float3 centre{0.75f * std::cos(angle), c.range(0.4f, 0.9f), 0.75f * std::sin(angle)};
        c.mesh.appendEllipsoid(10, 14, centre, {0.6f, c.range(0.9f, 1.3f), 0.6f}, white,
                               lumps(seed + 5u + static_cast<std::uint32_t>(i), 0.35f, 0.15f));
    }
    paintStone(c.mesh, first, {0.2f, 0.22f, 0.25f}, {0.42f, 0.25f, 0.33f}, seed, 0.0f, 3.5f);
}

// Brain coral: a dome whose meandering ridges alternate the deep and bright colours.
void boulder(Context& c) {
    const std::uint32_t seed = fold(c.random.next());
    const int rings = c.coarse ? 9 : 18, segments = c.coarse ? 14 : 28;
    const std::size_t first = c.mesh.vertices.size();
    const auto ridge = [seed](Float3 d) { return std::sin(6.28f * 5.0f * Noise::value(d * 2.5f, seed)); };
    const Float3 radii{c.range(0.55f, 0.65f), c.range(0.42f, 0.52f), c.range(0.55f, 0.65f)};
    c.mesh.appendEllipsoid(rings, segments, {0.0f, 0.12f, 0.0f}, radii, {1, 1, 1, 0},
                           [&](float theta, float phi) { return 1.0f + 0.035f * ridge(sphereDirection(theta, phi)); });
    paint(c.mesh, first, [&](MeshVertex& v) {
        const Float3 d = normalize(xyz(v.position) - Float3{0.0f, 0.12f, 0.0f});
        const float groove = 0.5f + 0.5f * ridge(d);
        const float height = clamp01((v.position.y + 0.2f) / 0.8f);
        v.color = float4(mix(c.colours.deep, c.colours.bright, 0.25f + 0.6f * groove * height), 0.35f * groove);
        v.position.w = 0.0f;
        v.normal.w = 0.3f + 0.7f * height;
    });
}

}  // namespace lumen::reef::ReefItemBuilders
