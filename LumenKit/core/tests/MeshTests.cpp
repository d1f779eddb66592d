#include "LumenKit/core/Box.hpp"
#include "LumenKit/core/Mesh.hpp"
#include "LumenKit/core/Noise.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using lumen::Box;
using lumen::Float3;
using lumen::Float4;
using lumen::Mesh;
using lumen::MeshVertex;

namespace {

MeshVertex vertexAt(Float3 p, Float4 normal = {0, 0, 0, 0}) { return {lumen::float4(p, 0), normal, {1, 1, 1, 1}}; }

void expectNear(Float3 a, Float3 b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// Unit cube with four vertices per face, wound counter-clockwise seen from outside.
Mesh faceCube() {
    Mesh mesh;
    const Float3 normals[] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const Float3 n : normals) {
        // Two in-face axes u, v with cross(u, v) = n.
        const Float3 u = std::fabs(n.y) > 0 ? Float3{0, 0, 1} : Float3{0, 1, 0};
        const Float3 v = cross(n, u);
        const Float3 uu = cross(v, n);
        const auto base = static_cast<std::uint32_t>(mesh.vertices.size());
        for (const auto& [a, b] : {std::pair{-1, -1}, std::pair{1, -1}, std::pair{1, 1}, std::pair{-1, 1}}) {
            mesh.vertices.push_back(vertexAt(n * 0.5f + uu * (0.5f * a) + v * (0.5f * b), {0, 0, 0, 0.25f}));
        }
        mesh.indices.insert(mesh.indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    }
    return mesh;
}

}  // namespace

TEST(MeshNormals, CubeFacesGetTheirOutwardNormalsAndKeepW) {
    Mesh mesh = faceCube();
    mesh.recomputeNormals(0, 0);
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const Float3 p = lumen::xyz(v.position);
        // The face normal is the axis along which the vertex sits at +-0.5 for all four corners.
        const Float3 expected = lumen::xyz(mesh.vertices[i - i % 4].position) + lumen::xyz(mesh.vertices[i - i % 4 + 2].position);
        expectNear(lumen::xyz(v.normal), normalize(expected));
        EXPECT_EQ(v.normal.w, 0.25f);
        EXPECT_GT(dot(lumen::xyz(v.normal), p), 0.0f);
    }
}

TEST(MeshNormals, LargerTrianglesWeighMore) {
    Mesh mesh;
    // Shared vertex 0 at the origin: a 2x2 triangle facing +z and a 1x1 triangle facing +x.
    mesh.vertices = {vertexAt({0, 0, 0}), vertexAt({2, 0, 0}), vertexAt({0, 2, 0}), vertexAt({0, 1, 0}), vertexAt({0, 0, 1})};
    mesh.indices = {0, 1, 2, 0, 3, 4};
    mesh.recomputeNormals(0, 0);
    // Unnormalised face normals are (0, 0, 4) and (1, 0, 0).
    expectNear(lumen::xyz(mesh.vertices[0].normal), normalize(Float3{1, 0, 4}));
    expectNear(lumen::xyz(mesh.vertices[1].normal), {0, 0, 1});
    expectNear(lumen::xyz(mesh.vertices[3].normal), {1, 0, 0});
}

TEST(MeshNormals, OnlyTouchesVerticesAndTrianglesFromTheFirstOnes) {
    Mesh mesh;
    const Float4 old{0, -1, 0, 0.5f};
    mesh.vertices = {vertexAt({0, 0, 0}, old), vertexAt({1, 0, 0}, old), vertexAt({0, 1, 0}, old),
                     vertexAt({0, 0, 5}, old), vertexAt({1, 0, 5}, old), vertexAt({0, 1, 5}, old)};
    // First triangle faces -z (clockwise from +z), the second +z; only the second counts.
    mesh.indices = {0, 2, 1, 0, 1, 2, 3, 4, 5};
    mesh.recomputeNormals(1, 3);
    EXPECT_EQ(mesh.vertices[0].normal, old);  // before the first vertex
    EXPECT_EQ(mesh.vertices[1].normal, (Float4{0, 0, 1, 0.5f}));
    EXPECT_EQ(mesh.vertices[2].normal, (Float4{0, 0, 1, 0.5f}));
    EXPECT_EQ(mesh.vertices[3].normal, (Float4{0, 0, 1, 0.5f}));
}

TEST(MeshNormals, DegenerateAndUntouchedVerticesKeepTheirNormal) {
    Mesh mesh;
    const Float4 old{0.6f, 0.8f, 0, 3};
    mesh.vertices = {vertexAt({0, 0, 0}, old), vertexAt({1, 1, 1}, old), vertexAt({2, 2, 2}, old), vertexAt({9, 9, 9}, old)};
    mesh.indices = {0, 1, 2, 0, 1, 7};  // a collinear triangle and one naming a missing vertex
    mesh.recomputeNormals(0, 0);
    for (const MeshVertex& v : mesh.vertices) EXPECT_EQ(v.normal, old);

    // A first vertex past the end, or an empty mesh, is a no-op.
    mesh.recomputeNormals(10, 0);
    Mesh empty;
    empty.recomputeNormals(0, 0);
    EXPECT_TRUE(empty.vertices.empty());
}

TEST(MeshBounds, SpanAllPositions) {
    Mesh mesh;
    const Box none = mesh.bounds();
    EXPECT_EQ(none.min.x, std::numeric_limits<float>::infinity());
    EXPECT_EQ(none.max.z, -std::numeric_limits<float>::infinity());

    mesh.vertices = {vertexAt({1, -2, 3}), vertexAt({-4, 5, 0.5f}), vertexAt({0, 0, -6})};
    EXPECT_EQ(mesh.bounds(), (Box{{-4, -2, -6}, {1, 5, 3}}));
}

TEST(Box, ContainsFacesAndHonoursMargin) {
    const Box box{{-1, 0, 2}, {1, 3, 4}};
    EXPECT_TRUE(box.contains({0, 1, 3}, 0));
    EXPECT_TRUE(box.contains({-1, 0, 2}, 0));  // corner
    EXPECT_TRUE(box.contains({1, 1.5f, 4}, 0));  // on two faces
    EXPECT_FALSE(box.contains({1.001f, 1, 3}, 0));
    EXPECT_FALSE(box.contains({0, -0.01f, 3}, 0));
    EXPECT_FALSE(box.contains({0, 1, 4.2f}, 0));
    EXPECT_TRUE(box.contains({1.2f, 1, 3}, 0.25f));
    EXPECT_TRUE(box.contains({0, 1, 4.25f}, 0.25f));
    EXPECT_FALSE(box.contains({0, 0.1f, 3}, -0.2f));
}

TEST(Ellipsoid, GridCountsAndIndicesAppendAfterExistingParts) {
    Mesh mesh = faceCube();
    const std::size_t cubeVertices = mesh.vertices.size(), cubeIndices = mesh.indices.size();
    const std::vector<MeshVertex> cubeBefore = mesh.vertices;

    mesh.appendEllipsoid(5, 8, {0, 0, 0}, {0.6f, 0.6f, 0.6f}, {0.2f, 0.5f, 0.1f, 1});
    EXPECT_EQ(mesh.vertices.size() - cubeVertices, 6u * 8u);
    EXPECT_EQ(mesh.indices.size() - cubeIndices, 5u * 8u * 6u);
    for (std::size_t i = cubeIndices; i < mesh.indices.size(); ++i) {
        ASSERT_GE(mesh.indices[i], cubeVertices);
        ASSERT_LT(mesh.indices[i], mesh.vertices.size());
    }
    // The earlier part is left exactly as it was.
    EXPECT_TRUE(std::equal(cubeBefore.begin(), cubeBefore.end(), mesh.vertices.begin()));
}

TEST(Ellipsoid, PointsLieOnTheSurfaceWithOutwardNormals) {
    Mesh mesh;
    const Float3 centre{1, 2, -3}, radii{2, 1, 0.5f};
    mesh.appendEllipsoid(12, 16, centre, radii, {1, 0, 0, 1});
    for (const MeshVertex& v : mesh.vertices) {
        const Float3 local = lumen::xyz(v.position) - centre;
        const Float3 scaled{local.x / radii.x, local.y / radii.y, local.z / radii.z};
        EXPECT_NEAR(length(scaled), 1.0f, 1e-5f);
        EXPECT_NEAR(length(lumen::xyz(v.normal)), 1.0f, 1e-5f);
        // The true ellipsoid normal is the gradient (x/a^2, y/b^2, z/c^2).
        const Float3 gradient = normalize(Float3{local.x / 4, local.y / 1, local.z / 0.25f});
        EXPECT_GT(dot(lumen::xyz(v.normal), gradient), 0.9f);
        EXPECT_EQ(v.color, (Float4{1, 0, 0, 1}));
    }
    // Top pole first, bottom pole last.
    EXPECT_NEAR(mesh.vertices.front().position.y, 3.0f, 1e-6f);
    EXPECT_NEAR(mesh.vertices.back().position.y, 1.0f, 1e-6f);
    EXPECT_EQ(mesh.bounds().max.y, 3.0f);
}

TEST(Ellipsoid, RadiusFunctionSeesTheGridAngles) {
    Mesh mesh;
    std::vector<std::pair<float, float>> seen;
    mesh.appendEllipsoid(4, 6, {0, 0, 0}, {1, 1, 1}, {1, 1, 1, 1}, [&](float theta, float phi) {
        seen.emplace_back(theta, phi);
        return 2.0f;
    });
    ASSERT_EQ(seen.size(), 5u * 6u);
    const float pi = std::numbers::pi_v<float>;
    for (int i = 0; i <= 4; ++i) {
        for (int j = 0; j < 6; ++j) {
            const auto [theta, phi] = seen[static_cast<std::size_t>(i * 6 + j)];
            EXPECT_FLOAT_EQ(theta, pi * static_cast<float>(i) / 4);
            EXPECT_FLOAT_EQ(phi, 2 * pi * static_cast<float>(j) / 6);
        }
    }
    for (const MeshVertex& v : mesh.vertices) {
        EXPECT_NEAR(length(lumen::xyz(v.position)), 2.0f, 1e-5f);
        EXPECT_EQ(v.position.w, 2.0f);
    }
}

TEST(Ellipsoid, NoisyMemberScalesByValueNoiseOfTheDirection) {
    Mesh mesh;
    const Float3 centre{0, 1, 0};
    mesh.appendNoisyEllipsoid(10, 14, centre, {0.5f, 0.5f, 0.5f}, {0.4f, 0.4f, 0.4f, 1});
    float smallest = 2, largest = 0;
    for (const MeshVertex& v : mesh.vertices) {
        const Float3 offset = lumen::xyz(v.position) - centre;
        const float factor = length(offset) / 0.5f;
        const float n = lumen::Noise::value(normalize(offset) * 3.1f, 4u);
        EXPECT_NEAR(factor, 1.0f + 0.12f * n - 0.06f, 1e-5f);
        EXPECT_GT(dot(lumen::xyz(v.normal), offset), 0.0f);
        smallest = std::min(smallest, factor);
        largest = std::max(largest, factor);
    }
    EXPECT_GE(smallest, 0.94f);
    EXPECT_LE(largest, 1.06f);
    EXPECT_GT(largest - smallest, 0.02f);  // actually lumpy
}

TEST(Ellipsoid, TooCoarseGridsAppendNothing) {
    Mesh mesh;
    mesh.appendEllipsoid(1, 8, {}, {1, 1, 1}, {});
    mesh.appendEllipsoid(4, 2, {}, {1, 1, 1}, {});
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.indices.empty());
}

TEST(Tube, FewerThanTwoPointsOrThreeSidesYieldNothing) {
    Mesh mesh;
    const auto one = [](float) { return 1.0f; };
    mesh.appendTube(std::vector<Float3>{}, one, 6, {});
    mesh.appendTube(std::vector<Float3>{{1, 2, 3}}, one, 6, {});
    mesh.appendTube(std::vector<Float3>{{0, 0, 0}, {1, 0, 0}}, one, 2, {});
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.indices.empty());
}

TEST(Tube, RingsFollowTheRadiusProfileWithOutwardNormals) {
    Mesh mesh;
    const std::vector<Float3> path{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}};
    std::vector<float> ts;
    mesh.appendTube(path, [&](float t) { ts.push_back(t); return 0.5f - 0.25f * t; }, 8, {0, 1, 0, 1});
    EXPECT_EQ(ts, (std::vector<float>{0, 0.25f, 0.5f, 0.75f, 1}));
    ASSERT_EQ(mesh.vertices.size(), 5u * 8u);
    EXPECT_EQ(mesh.indices.size(), 4u * 8u * 6u);
    for (std::size_t k = 0; k < path.size(); ++k) {
        for (std::size_t s = 0; s < 8; ++s) {
            const MeshVertex& v = mesh.vertices[k * 8 + s];
            const Float3 radial = lumen::xyz(v.position) - path[k];
            EXPECT_NEAR(radial.x, 0.0f, 1e-6f);
            EXPECT_NEAR(length(radial), 0.5f - 0.25f * ts[k], 1e-6f);
            EXPECT_EQ(v.position.w, ts[k]);
            // A cone: normals lean back towards the narrow end but point away from the axis.
            EXPECT_GT(dot(lumen::xyz(v.normal), normalize(radial)), 0.9f);
        }
    }
}

TEST(Tube, RingFramesDoNotFlipThroughVerticalBends) {
    // Along +x, bending up through vertical (where the reference up changes), then along -z.
    std::vector<Float3> path;
    for (int i = 0; i <= 8; ++i) path.push_back({0.25f * static_cast<float>(i), 0, 0});
    for (int i = 1; i <= 12; ++i) {
        const float a = std::numbers::pi_v<float> / 2 * static_cast<float>(i) / 12;
        path.push_back({2 + std::sin(a), 1 - std::cos(a), 0});
    }
    for (int i = 1; i <= 12; ++i) {
        const float a = std::numbers::pi_v<float> / 2 * static_cast<float>(i) / 12;
        path.push_back({3, 1 + std::sin(a), -(1 - std::cos(a))});
    }
    for (int i = 1; i <= 6; ++i) path.push_back({3, 2, -1 - 0.25f * static_cast<float>(i)});

    Mesh mesh;
    const int sides = 10;
    mesh.appendTube(path, [](float) { return 0.1f; }, sides, {1, 1, 1, 1});
    ASSERT_EQ(mesh.vertices.size(), path.size() * sides);
    Float3 previous{};
    for (std::size_t k = 0; k < path.size(); ++k) {
        // Vertex 0 of each ring points along the ring's frame normal.
        const Float3 first = normalize(lumen::xyz(mesh.vertices[k * sides].position) - path[k]);
        ASSERT_FALSE(std::isnan(first.x));
        if (k > 0) {
            EXPECT_GT(dot(first, previous), 0.9f) << "ring " << k;
        }
        previous = first;
        for (int s = 0; s < sides; ++s) {
            const MeshVertex& v = mesh.vertices[k * sides + static_cast<std::size_t>(s)];
            EXPECT_GT(dot(lumen::xyz(v.normal), lumen::xyz(v.position) - path[k]), 0.0f) << "ring " << k;
        }
    }
}

TEST(Tube, RepeatedPointsStayFinite) {
    Mesh mesh;
    const std::vector<Float3> path{{0, 0, 0}, {0, 0, 0}, {0, 1, 0}, {0, 1, 0}, {0, 2, 0.1f}};
    mesh.appendTube(path, [](float) { return 0.2f; }, 6, {1, 1, 1, 1});
    ASSERT_EQ(mesh.vertices.size(), 5u * 6u);
    for (const MeshVertex& v : mesh.vertices) {
        ASSERT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.position.y) && std::isfinite(v.position.z));
        ASSERT_TRUE(std::isfinite(v.normal.x) && std::isfinite(v.normal.y) && std::isfinite(v.normal.z));
    }
}
