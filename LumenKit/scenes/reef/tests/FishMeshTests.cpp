#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/scenes/reef/FishMesh.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using lumen::reef::FishMesh;
using lumen::Float3;
using lumen::xyz;

TEST(FishMesh, BodyRadiusProfile) {
    EXPECT_FLOAT_EQ(FishMesh::bodyRadius(0.0f), 0.08f);
    EXPECT_FLOAT_EQ(FishMesh::bodyRadius(1.0f), 0.08f);
    const float peakT = 0.55f / 1.17f;
    EXPECT_NEAR(FishMesh::bodyRadius(peakT), 0.985f, 0.002f);
    for (float t = 0.0f; t <= 1.0f; t += 0.01f) EXPECT_LE(FishMesh::bodyRadius(t), FishMesh::bodyRadius(peakT) + 1e-6f);
    EXPECT_NEAR(FishMesh::bodyRadius(0.3f), std::pow(0.3f, 0.55f) * std::pow(0.7f, 0.62f) / 0.452f, 1e-6f);
}

TEST(FishMesh, ReefTessellationCounts) {
    const auto mesh = FishMesh::build(FishMesh::reefSegments, FishMesh::reefSides);
    // The renderer draws the body as the index range [0, 2784).
    EXPECT_EQ(FishMesh::bodyIndexCount(28, 16), 2784u);
    EXPECT_EQ(FishMesh::bodyVertexCount(28, 16), 29u * 16 + 2);
    EXPECT_GT(mesh.indices.size(), 2784u);
    EXPECT_EQ(mesh.indices.size() % 3, 0u);
    for (std::size_t i = 0; i < 2784; ++i) EXPECT_LT(mesh.indices[i], FishMesh::bodyVertexCount(28, 16));
    for (std::size_t i = 2784; i < mesh.indices.size(); ++i)
        EXPECT_GE(mesh.indices[i], FishMesh::bodyVertexCount(28, 16));
}

TEST(FishMesh, RingsFollowTheProfile) {
    const auto mesh = FishMesh::build(28, 16);
    for (int i = 0; i <= 28; ++i) {
        const float t = static_cast<float>(i) / 28.0f;
        for (int k = 0; k < 16; ++k) {
            const auto& v = mesh.vertices[static_cast<std::size_t>(i * 16 + k)];
            const float phi = 2.0f * std::numbers::pi_v<float> * static_cast<float>(k) / 16.0f;
            EXPECT_NEAR(v.position.x, FishMesh::bodyRadius(t) * std::cos(phi), 1e-5f);
            EXPECT_NEAR(v.position.y, FishMesh::bodyRadius(t) * std::sin(phi), 1e-5f);
            EXPECT_FLOAT_EQ(v.position.z, t - 0.5f);
            EXPECT_NEAR(v.normal.x, std::cos(phi), 1e-5f);
            EXPECT_NEAR(v.normal.y, std::sin(phi), 1e-5f);
            EXPECT_EQ(v.normal.z, 0.0f);
            EXPECT_EQ(v.normal.w, 0.0f);  // body part
        }
    }
}

TEST(FishMesh, BodyTrianglesFaceOutward) {
    const auto mesh = FishMesh::build(28, 16);
    for (std::size_t i = 0; i < 2784; i += 3) {
        const Float3 a = xyz(mesh.vertices[mesh.indices[i]].position);
        const Float3 b = xyz(mesh.vertices[mesh.indices[i + 1]].position);
        const Float3 c = xyz(mesh.vertices[mesh.indices[i + 2]].position);
        const Float3 centre = (a + b + c) / 3.0f;
        const Float3 face = cross(b - a, c - a);
        // Outward means away from the axis on the sides and along the axis on the caps.
        const Float3 out =
            std::fabs(face.z) > std::hypot(face.x, face.y) ? Float3{0, 0, centre.z} : Float3{centre.x, centre.y, 0};
        EXPECT_GT(dot(face, out), 0.0f) << i;
    }
}

TEST(FishMesh, FinsFollowTheBodyInFinOrder) {
    const auto mesh = FishMesh::build(28, 16);
    const std::size_t bodyVertices = FishMesh::bodyVertexCount(28, 16);
    float previous = 1.0f;
    bool seen[FishMesh::finCount] = {};
    for (std::size_t i = bodyVertices; i < mesh.vertices.size(); ++i) {
        const auto& v = mesh.vertices[i];
        EXPECT_GE(v.normal.w, previous);
        previous = v.normal.w;
        const int fin = static_cast<int>(v.normal.w) - 1;
        ASSERT_GE(fin, 0);
        ASSERT_LT(fin, FishMesh::finCount);
        seen[fin] = true;
        EXPECT_NEAR(v.position.w, v.position.z + 0.5f, 1e-6f);
    }
    for (const bool s : seen) EXPECT_TRUE(s);
    // The tail fin reaches behind the body; the pectorals sit one on each side.
    float minZ = 0.0f, leftX = 0.0f, rightX = 0.0f;
    for (std::size_t i = bodyVertices; i < mesh.vertices.size(); ++i) {
        const auto& v = mesh.vertices[i];
        const auto fin = static_cast<FishMesh::Fin>(static_cast<int>(v.normal.w) - 1);
        if (fin == FishMesh::Fin::caudal) minZ = std::min(minZ, v.position.z);
        if (fin == FishMesh::Fin::pectoralLeft) leftX = std::max(leftX, v.position.x);
        if (fin == FishMesh::Fin::pectoralRight) rightX = std::min(rightX, v.position.x);
    }
    EXPECT_LT(minZ, -0.6f);
    EXPECT_GT(leftX, 0.5f);
    EXPECT_LT(rightX, -0.5f);
}

TEST(FishMesh, WellFormed) {
    for (const auto& [segments, sides] : {std::pair{28, 16}, std::pair{4, 5}, std::pair{0, 1}}) {
        const auto mesh = FishMesh::build(segments, sides);
        ASSERT_EQ(mesh.indices.size() % 3, 0u);
        for (const auto index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
        for (const auto& v : mesh.vertices) {
            EXPECT_NEAR(length(xyz(v.normal)), 1.0f, 1e-5f);
            EXPECT_TRUE(std::isfinite(v.position.x) && std::isfinite(v.position.y) && std::isfinite(v.position.z));
        }
        EXPECT_GE(mesh.vertices.size(), FishMesh::bodyVertexCount(segments, sides));
    }
    EXPECT_EQ(FishMesh::bodyIndexCount(0, 1), 6u * 1 * 3 + 6u * 3);
}

// Golden value: computed once from this builder after checking the body rules; any change to
// the body or the fins changes it.
TEST(FishMesh, ReefFishMatchesGoldenChecksum) {
    reeftest::Fnv1a f;
    f.add(FishMesh::build(FishMesh::reefSegments, FishMesh::reefSides));
    EXPECT_EQ(f.hash, 8146049943867744306ull);
}
