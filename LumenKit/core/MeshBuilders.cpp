#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/core/Noise.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen {

namespace {

// Unit direction at latitude theta from +y and longitude phi; with rows going down and columns
// going round in this sense, the quads below wind counter-clockwise seen from outside.
Float3 ellipsoidDirection(float theta, float phi) {
    const float s = std::sin(theta);
    return {s * std::sin(phi), std::cos(theta), s * std::cos(phi)};
}

// Two triangles per quad of a grid whose columns wrap round: rows a and b, columns c and d.
void appendWrappedQuad(std::vector<std::uint32_t>& indices, std::uint32_t rowA, std::uint32_t rowB,
                       std::uint32_t columnC, std::uint32_t columnD) {
    const std::uint32_t ac = rowA + columnC, ad = rowA + columnD;
    const std::uint32_t bc = rowB + columnC, bd = rowB + columnD;
    indices.insert(indices.end(), {ac, bc, bd, ac, bd, ad});
}

// Frame of a ring: `normal` and `side` span the ring, `tangent` runs along the path.
struct RingFrame {
    Float3 tangent;
    Float3 normal;
    Float3 side;
};

RingFrame startFrame(Float3 direction) {
    const Float3 reference = std::fabs(direction.y) >= 0.9f ? Float3{1, 0, 0} : Float3{0, 1, 0};
    const Float3 side = normalize(cross(direction, reference));
    return {direction, cross(side, direction), side};
}

// Turns the frame by the smallest rotation taking its tangent onto `tangent`, so consecutive rings
// keep their orientation instead of snapping to a fixed reference.
RingFrame carryFrame(const RingFrame& frame, Float3 tangent) {
    const Float3 axis = cross(frame.tangent, tangent);
    const float c = dot(frame.tangent, tangent);
    Float3 normal = frame.normal;
    if (c > -0.9999f) {
        // Rodrigues' rotation with the unnormalised axis: v c + axis x v + axis (axis . v) / (1 + c).
        normal = normal * c + cross(axis, normal) + axis * (dot(axis, normal) / (1.0f + c));
    }
    // A full reversal has no preferred axis: keep the normal and let the side follow.
    normal = normal - tangent * dot(normal, tangent);
    const float len = length(normal);
    if (len > 1e-6f) {
        normal = normal / len;
    } else {
        normal = normalize(cross(frame.side, tangent));
    }
    return {tangent, normal, cross(tangent, normal)};
}

constexpr float minimumStep = 1e-7f;

}  // namespace

void Mesh::appendEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour,
                           const RadiusFunction& radius) {
    if (rings < 2 || segments < 3) return;
    const std::size_t firstVertex = vertices.size();
    const std::size_t firstIndex = indices.size();
    constexpr float pi = std::numbers::pi_v<float>;

    for (int i = 0; i <= rings; ++i) {
        const float theta = pi * static_cast<float>(i) / static_cast<float>(rings);
        for (int j = 0; j < segments; ++j) {
            const float phi = 2.0f * pi * static_cast<float>(j) / static_cast<float>(segments);
            const Float3 direction = ellipsoidDirection(theta, phi);
            const float factor = radius(theta, phi);
            const Float3 position = centre + radii * direction * factor;
            vertices.push_back({float4(position, factor), float4(direction, theta / pi), colour});
        }
    }

    const auto base = static_cast<std::uint32_t>(firstVertex);
    const auto columns = static_cast<std::uint32_t>(segments);
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(rings); ++i) {
        const std::uint32_t rowA = base + i * columns, rowB = rowA + columns;
        for (std::uint32_t j = 0; j < columns; ++j) {
            appendWrappedQuad(indices, rowA, rowB, j, (j + 1) % columns);
        }
    }
    recomputeNormals(firstVertex, firstIndex);
}

void Mesh::appendEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour) {
    appendEllipsoid(rings, segments, centre, radii, colour, [](float, float) { return 1.0f; });
}

void Mesh::appendNoisyEllipsoid(int rings, int segments, Float3 centre, Float3 radii, Float4 colour) {
    appendEllipsoid(rings, segments, centre, radii, colour, [](float theta, float phi) {
        const float n = Noise::value(ellipsoidDirection(theta, phi) * 3.1f, 4u);
        return 1.0f + 0.12f * n - 0.06f;
    });
}

void Mesh::appendTube(std::span<const Float3> path, const RadiusProfile& radius, int sides, Float4 colour) {
    if (path.size() < 2 || sides < 3) return;
    const std::size_t count = path.size();
    const std::size_t firstVertex = vertices.size();
    const std::size_t firstIndex = indices.size();
    constexpr float pi = std::numbers::pi_v<float>;

    // The first segment sets the frame; repeated leading points have no direction, so the first
    // segment that has one stands in.
    Float3 direction{0, 1, 0};
    for (std::size_t k = 1; k < count; ++k) {
        const Float3 step = path[k] - path[k - 1];
        if (length(step) > minimumStep) {
            direction = normalize(step);
            break;
        }
    }
    RingFrame frame = startFrame(direction);

    for (std::size_t k = 0; k < count; ++k) {
        // Looking two points ahead smooths the bends; at the end, or on repeated points, there is
        // nothing ahead and the previous tangent carries on.
        const Float3 ahead = path[std::min(k + 2, count - 1)] - path[k];
        const float aheadLength = length(ahead);
        if (aheadLength > minimumStep) frame = carryFrame(frame, ahead / aheadLength);

        const float t = static_cast<float>(k) / static_cast<float>(count - 1);
        const float r = radius(t);
        for (int s = 0; s < sides; ++s) {
            const float turn = static_cast<float>(s) / static_cast<float>(sides);
            const float angle = 2.0f * pi * turn;
            const Float3 outward = frame.normal * std::cos(angle) + frame.side * std::sin(angle);
            vertices.push_back({float4(path[k] + outward * r, t), float4(outward, turn), colour});
        }
    }

    const auto base = static_cast<std::uint32_t>(firstVertex);
    const auto columns = static_cast<std::uint32_t>(sides);
    for (std::uint32_t k = 0; k + 1 < static_cast<std::uint32_t>(count); ++k) {
        const std::uint32_t rowA = base + k * columns, rowB = rowA + columns;
        for (std::uint32_t s = 0; s < columns; ++s) {
            // Ring direction and path direction run the other way round from the ellipsoid's
            // rows and columns, so the quad is walked in the mirrored order.
            const std::uint32_t s1 = (s + 1) % columns;
            indices.insert(indices.end(), {rowA + s, rowA + s1, rowB + s1, rowA + s, rowB + s1, rowB + s});
        }
    }
    recomputeNormals(firstVertex, firstIndex);
}

}  // namespace lumen
