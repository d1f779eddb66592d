#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::reef::ReefShapes {

Float3 rotateY(Float3 p, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
}

Float3 sphereDirection(float theta, float phi) {
    const float s = std::sin(theta);
    return {s * std::sin(phi), std::cos(theta), s * std::cos(phi)};
}

std::uint32_t fold(std::uint64_t seed) {
    return static_cast<std::uint32_t>(seed) ^ static_cast<std::uint32_t>(seed >> 32);
}

void paintUpright(Mesh& mesh, std::size_t first, const ColourPair& colours, float height, float flex, float glow,
                  float aoFloor) {
    paint(mesh, first, [&](MeshVertex& v) {
        const float t = clamp01(v.position.y / height);
        v.color = float4(mix(colours.deep, colours.bright, t), glow * t);
        v.position.w = flex * t * t;
        v.normal.w = aoFloor + (1.0f - aoFloor) * t;
    });
}

void appendLathe(Mesh& mesh, std::span<const Float2> profile, int segments,
                 const std::function<float(float phi, float v)>& ripple, Float4 colour) {
    if (profile.size() < 2 || segments < 3) return;
    const std::size_t firstVertex = mesh.vertices.size();
    const std::size_t firstIndex = mesh.indices.size();
    const auto last = static_cast<float>(profile.size() - 1);
    for (std::size_t k = 0; k < profile.size(); ++k) {
        const float v = static_cast<float>(k) / last;
        for (int j = 0; j < segments; ++j) {
            const float phi = 2.0f * std::numbers::pi_v<float> * static_cast<float>(j) / static_cast<float>(segments);
            const float r = profile[k].x * ripple(phi, v);
            const Float3 outward{std::sin(phi), 0.0f, std::cos(phi)};
            const Float3 p{r * outward.x, profile[k].y, r * outward.z};
            mesh.vertices.push_back({float4(p, v), float4(outward, 0.0f), colour});
        }
    }
    const auto base = static_cast<std::uint32_t>(firstVertex);
    const auto columns = static_cast<std::uint32_t>(segments);
    for (std::uint32_t k = 0; k + 1 < static_cast<std::uint32_t>(profile.size()); ++k) {
        // The upper ring plays the part of the ellipsoid's upper row, so the winding matches it.
        const std::uint32_t upper = base + (k + 1) * columns, lower = base + k * columns;
        for (std::uint32_t j = 0; j < columns; ++j) {
            const std::uint32_t c = j, d = (j + 1) % columns;
            mesh.indices.insert(mesh.indices.end(), {upper + c, lower + c, lower + d, upper + c, lower + d, upper + d});
        }
    }
    mesh.recomputeNormals(firstVertex, firstIndex);
}

std::vector<Float3> bentPath(Float3 start, Float3 direction, float length, Float3 bend, int points) {
    const int n = std::max(points, 2);
    std::vector<Float3> path;
    path.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float s = static_cast<float>(i) / static_cast<float>(n - 1);
        path.push_back(start + direction * (length * s) + bend * (s * s));
    }
    return path;
}

void appendCappedTube(Mesh& mesh, std::span<const Float3> path, float rootRadius, float tipRadius, int sides,
                      Float4 colour) {
    if (path.size() < 2) return;
    mesh.appendTube(
        path, [=](float t) { return rootRadius + (tipRadius - rootRadius) * t; }, sides, colour);
    const float r = tipRadius * 1.05f;
    const std::size_t first = mesh.vertices.size();
    mesh.appendEllipsoid(3, std::max(sides, 4), path.back(), {r, r, r}, colour);
    // The blob is the tube's tip: t = 1 for the painters that read the tube parameter.
    paint(mesh, first, [](MeshVertex& v) { v.position.w = 1.0f; });
}

}  // namespace lumen::reef::ReefShapes
