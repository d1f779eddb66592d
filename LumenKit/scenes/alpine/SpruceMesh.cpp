#include "LumenKit/scenes/alpine/SpruceMesh.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::alpine {

namespace {

constexpr Float4 trunkColour{0.09f, 0.06f, 0.04f, 0};
constexpr Float4 needleColour{0.013f, 0.03f, 0.02f, 1};

Float4 shaded(Float4 c) { return {c.x * 0.6f, c.y * 0.6f, c.z * 0.6f, c.w}; }

// A cone from radius `r` at `y0` to a point at `y1`; its skirt vertices take the darker shade
// so each tier reads against the one below.
void appendCone(Mesh& mesh, int segments, float y0, float y1, float r, Float4 colour, bool darkSkirt) {
    const auto base = static_cast<std::uint32_t>(mesh.vertices.size());
    const float slope = r / (y1 - y0);
    for (int i = 0; i < segments; ++i) {
        const float a = 2.0f * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(segments);
        const float c = std::cos(a), s = std::sin(a);
        const Float3 n = normalize(Float3{c, slope, s});
        mesh.vertices.push_back({{r * c, y0, r * s, y0}, {n.x, n.y, n.z, 0}, darkSkirt ? shaded(colour) : colour});
    }
    mesh.vertices.push_back({{0, y1, 0, y1}, {0, 1, 0, 0}, colour});
    const auto tip = static_cast<std::uint32_t>(mesh.vertices.size() - 1);
    for (int i = 0; i < segments; ++i) {
        const auto a = base + static_cast<std::uint32_t>(i), b = base + static_cast<std::uint32_t>((i + 1) % segments);
        mesh.indices.insert(mesh.indices.end(), {a, b, tip});
    }
}

}  // namespace

Mesh spruceMesh(int detail) {
    Mesh mesh;
    const int segments = std::max(detail, 3);
    appendCone(mesh, 4, 0.0f, 0.35f, 0.035f, trunkColour, false);
    // Tiers narrow upward and overlap so the silhouette stays closed.
    constexpr int tiers = 5;
    for (int t = 0; t < tiers; ++t) {
        const float f = static_cast<float>(t) / tiers;
        const float y0 = 0.12f + 0.74f * f;
        const float y1 = std::min(y0 + 0.36f - 0.05f * f, 1.0f);
        const float r = 1.0f - 0.78f * f;
        appendCone(mesh, segments, y0, y1, r, needleColour, true);
    }
    return mesh;
}

}  // namespace lumen::alpine
