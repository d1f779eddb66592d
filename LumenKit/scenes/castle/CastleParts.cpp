#include "LumenKit/scenes/castle/CastleParts.hpp"

#include <cmath>
#include <numbers>

namespace lumen::castle {

namespace {
constexpr float tau = 2 * std::numbers::pi_v<float>;
}

void CastleParts::vertex(Float3 p, Float3 n, float u, CastleMaterial material, Float3 colour) {
    mesh_.vertices.push_back({float4(p, part_), float4(n, u), float4(colour, materialTag(material))});
}

void CastleParts::box(Float3 centre, Float3 size, CastleMaterial material, Float3 colour) {
    const Float3 h = size * 0.5f;
    // Each face: normal, then two axes spanning it (their cross product is the normal).
    const Float3 faces[6][3] = {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                                {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
                                {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    for (const auto& face : faces) {
        const Float3 n = face[0], a = face[1], b = face[2];
        const auto first = static_cast<std::uint32_t>(mesh_.vertices.size());
        for (const Float2 c : {Float2{-1, -1}, Float2{1, -1}, Float2{1, 1}, Float2{-1, 1}}) {
            const Float3 p = centre + (n + a * c.x + b * c.y) * h;
            vertex(p, n, dot(p, a), material, colour);
        }
        mesh_.indices.insert(mesh_.indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }
    part_ += 1;
}

void CastleParts::cylinder(Float2 centre, float radius, float y0, float y1, int segments, CastleMaterial material,
                           Float3 colour) {
    const auto first = static_cast<std::uint32_t>(mesh_.vertices.size());
    for (int i = 0; i <= segments; ++i) {
        const float a = tau * static_cast<float>(i) / static_cast<float>(segments);
        const Float3 n{std::cos(a), 0, -std::sin(a)};
        for (const float y : {y0, y1}) {
            vertex({centre.x + n.x * radius, y, centre.y + n.z * radius}, n, a * radius, material, colour);
        }
    }
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(segments); ++i) {
        const std::uint32_t v = first + 2 * i;
        mesh_.indices.insert(mesh_.indices.end(), {v, v + 2, v + 3, v, v + 3, v + 1});
    }
    part_ += 1;
}

void CastleParts::cone(Float2 centre, Float2 radii, float y0, float h, int segments, float startAngle,
                       CastleMaterial material, Float3 colour) {
    const auto first = static_cast<std::uint32_t>(mesh_.vertices.size());
    const float slope = radii.x / h;
    for (int i = 0; i <= segments; ++i) {
        const float a = startAngle + tau * static_cast<float>(i) / static_cast<float>(segments);
        const Float3 out{std::cos(a), 0, -std::sin(a)};
        const Float3 n = normalize(Float3{out.x, slope, out.z});
        const float u = a * radii.x;
        vertex({centre.x + out.x * radii.x, y0, centre.y + out.z * radii.y}, n, u, material, colour);
        vertex({centre.x, y0 + h, centre.y}, n, u, material, colour);
    }
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(segments); ++i) {
        const std::uint32_t v = first + 2 * i;
        mesh_.indices.insert(mesh_.indices.end(), {v, v + 2, v + 1});
    }
    part_ += 1;
}

void CastleParts::ball(Float3 centre, float radius, CastleMaterial material, Float3 colour) {
    const std::size_t first = mesh_.vertices.size();
    mesh_.appendEllipsoid(4, 8, centre, {radius, radius, radius}, float4(colour, materialTag(material)));
    for (std::size_t i = first; i < mesh_.vertices.size(); ++i) {
        mesh_.vertices[i].position.w = part_;
        mesh_.vertices[i].normal.w = 0;
    }
    part_ += 1;
}

}  // namespace lumen::castle
