// Giant clams and sea stars: small animals with their own colour ranges.
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <cmath>

namespace lumen::reef::ReefItemBuilders {

using namespace ReefShapes;

// Fluted shell half sunk in the sand, a wavy bright mantle filling its gape.
void clam(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int rings = c.coarse ? 6 : 10, segments = c.coarse ? 16 : 30;
    c.mesh.appendEllipsoid(rings, segments, {0.0f, 0.22f, 0.0f}, {0.5f, 0.28f, 0.3f}, white,
                           [](float theta, float phi) {
                               // Flutes run up from the hinge at the bottom.
                               return 1.0f + 0.08f * std::sin(theta) * std::fabs(std::sin(5.0f * phi));
                           });
    const Float3 shellLow{0.45f, 0.42f, 0.36f}, shellHigh{0.82f, 0.78f, 0.7f};
    paint(c.mesh, first, [&](MeshVertex& v) {
        const float height = clamp01(v.position.y / 0.5f);
        v.color = float4(mix(shellLow, shellHigh, height), 0.0f);
        v.position.w = 0.0f;
        v.normal.w = 0.4f + 0.6f * height;
    });

    const std::size_t mantleFirst = c.mesh.vertices.size();
    const float wave = c.range(0.0f, tau);
    c.mesh.appendEllipsoid(
        c.coarse ? 4 : 6, segments, {0.0f, 0.48f, 0.0f}, {0.46f, 0.06f, 0.15f}, white,
        [=](float theta, float phi) { return 1.0f + 0.15f * std::sin(theta) * std::sin(10.0f * phi + wave); });
    const Float3 mantle = Palette::clamMantle(c.palette);
    const std::uint32_t seed = fold(c.random.next());
    paint(c.mesh, mantleFirst, [&](MeshVertex& v) {
        // Iridescent spots over the mantle.
        const float spots = Noise::value(xyz(v.position) * 24.0f, seed);
        v.color = float4(mantle * (0.7f + 0.6f * spots), 0.8f);
        v.position.w = 0.08f;  // the mantle breathes a little
        v.normal.w = 0.9f;
    });
}

// Five tapering arms from a central disc, tips curling slightly off the sand.
void seaStar(Context& c) {
    const std::size_t first = c.mesh.vertices.size();
    const int sides = c.coarse ? 5 : 7;
    c.mesh.appendEllipsoid(4, 10, {0.0f, 0.04f, 0.0f}, {0.13f, 0.05f, 0.13f}, white);
    const float offset = c.range(0.0f, tau);
    for (int arm = 0; arm < 5; ++arm) {
        const float angle = offset + tau * (static_cast<float>(arm) + c.range(-0.06f, 0.06f)) / 5.0f;
        const Float3 out{std::cos(angle), 0.0f, std::sin(angle)};
        const float len = c.range(0.36f, 0.44f);
        const float curl = c.range(0.0f, 0.08f);
        const Float3 sideways = Float3{-out.z, 0.0f, out.x} * c.range(-0.06f, 0.06f);
        const auto path = bentPath(out * 0.05f + Float3{0.0f, 0.045f, 0.0f}, out, len,
                                   Float3{0.0f, curl - 0.025f, 0.0f} + sideways, 5);
        appendCappedTube(c.mesh, path, 0.075f, 0.02f, sides, white);
    }
    const Float3 tone = Palette::seaStar(c.palette);
    const std::uint32_t seed = fold(c.random.next());
    paint(c.mesh, first, [&](MeshVertex& v) {
        const float bumps = Noise::value(xyz(v.position) * 20.0f, seed);
        v.color = float4(tone * (0.75f + 0.45f * bumps), 0.0f);
        v.position.w = 0.0f;
        v.normal.w = 0.5f + 0.5f * clamp01(v.normal.y * 0.5f + 0.5f);
    });
}

}  // namespace lumen::reef::ReefItemBuilders
