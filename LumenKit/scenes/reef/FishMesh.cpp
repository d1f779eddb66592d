#include "LumenKit/scenes/reef/FishMesh.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace lumen::reef {

namespace {

constexpr int finColumns = 8;
constexpr int finRows = 2;

int clampSegments(int segments) { return std::max(segments, 1); }
int clampSides(int sides) { return std::max(sides, 3); }

using Curve = std::function<Float3(float s)>;

// A fin membrane: rows run from the root curve (on the body) out to the edge curve.
void appendMembrane(Mesh& mesh, FishMesh::Fin fin, const Curve& root, const Curve& edge, Float3 normal) {
    const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
    const float part = 1.0f + static_cast<float>(fin);
    for (int row = 0; row <= finRows; ++row) {
        const float v = static_cast<float>(row) / finRows;
        for (int column = 0; column <= finColumns; ++column) {
            const float s = static_cast<float>(column) / finColumns;
            const Float3 p = root(s) + (edge(s) - root(s)) * v;
            mesh.vertices.push_back({float4(p, p.z + 0.5f), float4(normal, part), {s, v, 0.0f, 1.0f}});
        }
    }
    constexpr std::uint32_t stride = finColumns + 1;
    for (std::uint32_t row = 0; row < finRows; ++row) {
        for (std::uint32_t column = 0; column < finColumns; ++column) {
            const std::uint32_t a = first + row * stride + column;
            const std::uint32_t b = a + 1, c = a + stride, d = c + 1;
            mesh.indices.insert(mesh.indices.end(), {a, b, d, a, d, c});
        }
    }
}

Float3 lerp(Float3 a, Float3 b, float t) { return a + (b - a) * t; }

// Zero at both ends of the root, fullest a little past the middle: a rounded fin outline.
float lobe(float s) { return std::sqrt(std::max(std::sin(std::numbers::pi_v<float> * s), 0.0f)); }

// Point on the body surface at body coordinate t, straight up (side = +1) or down (-1).
Float3 onBack(float t, float side) { return {0.0f, side * 0.92f * FishMesh::bodyRadius(t), t - 0.5f}; }

void appendFins(Mesh& mesh) {
    using Fin = FishMesh::Fin;
    const Float3 across{1.0f, 0.0f, 0.0f};

    // Forked tail: lower lobe tip, notch, upper lobe tip.
    const Float3 lowerTip{0.0f, -0.85f, -0.78f}, notch{0.0f, 0.0f, -0.63f}, upperTip{0.0f, 0.85f, -0.78f};
    appendMembrane(
        mesh, Fin::caudal,
        [](float s) {
            return Float3{0.0f, -0.3f + 0.6f * s, -0.46f};
        },
        [=](float s) { return s < 0.5f ? lerp(lowerTip, notch, s * 2.0f) : lerp(notch, upperTip, s * 2.0f - 1.0f); },
        across);

    // Dorsal: tallest towards the front, trailing back.
    appendMembrane(
        mesh, Fin::dorsal, [](float s) { return onBack(0.72f - 0.5f * s, 1.0f); },
        [](float s) {
            const Float3 root = onBack(0.72f - 0.5f * s, 1.0f);
            return root + Float3{0.0f, 0.5f * (0.35f + 0.65f * (1.0f - s)) * lobe(s), -0.06f};
        },
        across);

    appendMembrane(
        mesh, Fin::anal, [](float s) { return onBack(0.48f - 0.28f * s, -1.0f); },
        [](float s) {
            const Float3 root = onBack(0.48f - 0.28f * s, -1.0f);
            return root + Float3{0.0f, -0.35f * (0.5f + 0.5f * (1.0f - s)) * lobe(s), -0.05f};
        },
        across);

    // Pectorals behind the gills, swept back and out; mirrored in x.
    for (const float side : {1.0f, -1.0f}) {
        const float x = side * 0.88f * FishMesh::bodyRadius(0.7f);
        const Float3 out = Float3{side * 0.32f, -0.06f, -0.2f};
        const Float3 normal = normalize(cross(Float3{0.0f, 1.0f, 0.0f}, out) * side);
        appendMembrane(
            mesh, side > 0.0f ? Fin::pectoralLeft : Fin::pectoralRight,
            [=](float s) {
                return Float3{x, -0.28f + 0.24f * s, 0.2f};
            },
            [=](float s) {
                return Float3{x, -0.28f + 0.24f * s, 0.2f} + out * lobe(s);
            },
            normal);
    }

    // A splayed pair under the belly, both part of the one pelvic fin.
    for (const float side : {1.0f, -1.0f}) {
        const Float3 out = Float3{side * 0.12f, -0.3f, -0.1f};
        const Float3 normal = normalize(cross(Float3{0.0f, 0.0f, 1.0f}, out));
        appendMembrane(
            mesh, Fin::pelvic,
            [=](float s) {
                return onBack(0.66f - 0.1f * s, -1.0f) + Float3{side * 0.12f, 0.0f, 0.0f};
            },
            [=](float s) {
                return onBack(0.66f - 0.1f * s, -1.0f) + Float3{side * 0.12f, 0.0f, 0.0f} + out * lobe(s);
            },
            normal);
    }
}

}  // namespace

float FishMesh::bodyRadius(float t) {
    const float u = std::clamp(t, 0.0f, 1.0f);
    return std::max(std::pow(u, 0.55f) * std::pow(1.0f - u, 0.62f) / 0.452f, 0.08f);
}

std::size_t FishMesh::bodyVertexCount(int segments, int sides) {
    return static_cast<std::size_t>(clampSegments(segments) + 1) * static_cast<std::size_t>(clampSides(sides)) + 2;
}

std::size_t FishMesh::bodyIndexCount(int segments, int sides) {
    const auto s = static_cast<std::size_t>(clampSegments(segments));
    const auto n = static_cast<std::size_t>(clampSides(sides));
    return 6 * s * n + 6 * n;
}

Mesh FishMesh::build(int segments, int sides) {
    const int segmentCount = clampSegments(segments);
    const int sideCount = clampSides(sides);
    constexpr float pi = std::numbers::pi_v<float>;
    Mesh mesh;

    for (int i = 0; i <= segmentCount; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(segmentCount);
        const float r = bodyRadius(t);
        for (int k = 0; k < sideCount; ++k) {
            const float turn = static_cast<float>(k) / static_cast<float>(sideCount);
            const float phi = 2.0f * pi * turn;
            const float c = std::cos(phi), s = std::sin(phi);
            mesh.vertices.push_back(
                {{r * c, r * s, t - 0.5f, t}, float4(normalize(Float3{c, s, 0.0f}), 0.0f), {t, turn, 0.0f, 1.0f}});
        }
    }
    const auto n = static_cast<std::uint32_t>(sideCount);
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(segmentCount); ++i) {
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t a = i * n + k, b = i * n + (k + 1) % n;
            const std::uint32_t c = b + n, d = a + n;
            mesh.indices.insert(mesh.indices.end(), {a, b, c, a, c, d});
        }
    }

    // Caps close the thin ends; the nose faces +z, the tail -z.
    const auto tailCentre = static_cast<std::uint32_t>(mesh.vertices.size());
    mesh.vertices.push_back({{0.0f, 0.0f, -0.5f, 0.0f}, {0.0f, 0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 0.0f, 1.0f}});
    const std::uint32_t noseCentre = tailCentre + 1;
    mesh.vertices.push_back({{0.0f, 0.0f, 0.5f, 1.0f}, {0.0f, 0.0f, 1.0f, 0.0f}, {1.0f, 0.0f, 0.0f, 1.0f}});
    const std::uint32_t noseRing = static_cast<std::uint32_t>(segmentCount) * n;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint32_t k1 = (k + 1) % n;
        mesh.indices.insert(mesh.indices.end(), {k1, k, tailCentre});
        mesh.indices.insert(mesh.indices.end(), {noseRing + k, noseRing + k1, noseCentre});
    }

    appendFins(mesh);
    return mesh;
}

}  // namespace lumen::reef
