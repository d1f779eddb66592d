#include "LumenKit/scenes/reef/StrandMesh.hpp"

#include <gtest/gtest.h>

#include <cstdint>

using lumen::Float4;
using lumen::reef::StrandMesh;

TEST(StrandMesh, SeagrassAndKelpCounts) {
    const auto grass = StrandMesh::build(StrandMesh::grassSegments);
    EXPECT_EQ(grass.vertices.size(), 10u);
    EXPECT_EQ(grass.indices.size(), 8u * 3);
    const auto kelp = StrandMesh::build(StrandMesh::kelpSegments);
    EXPECT_EQ(kelp.vertices.size(), 82u);
    EXPECT_EQ(kelp.indices.size(), 80u * 3);
}

TEST(StrandMesh, VerticesRunUpBothEdges) {
    const auto mesh = StrandMesh::build(4);
    for (std::size_t i = 0; i <= 4; ++i) {
        const float t = static_cast<float>(i) / 4.0f;
        const auto& left = mesh.vertices[2 * i];
        const auto& right = mesh.vertices[2 * i + 1];
        EXPECT_EQ(left.position, (Float4{-0.5f, t, 0.0f, 0.0f}));
        EXPECT_EQ(right.position, (Float4{0.5f, t, 0.0f, 0.0f}));
        EXPECT_EQ(left.color, (Float4{t, 0.0f, 0.0f, 0.0f}));
        EXPECT_EQ(right.color, (Float4{t, 1.0f, 0.0f, 0.0f}));
        EXPECT_EQ(left.normal, (Float4{0.0f, 0.0f, 1.0f, 0.0f}));
        EXPECT_EQ(right.normal, left.normal);
    }
}

TEST(StrandMesh, TrianglesFollowTheRibbonPattern) {
    const auto mesh = StrandMesh::build(40);
    for (std::uint32_t i = 0; i < 40; ++i) {
        const std::uint32_t* tri = &mesh.indices[6 * i];
        EXPECT_EQ(tri[0], 2 * i);
        EXPECT_EQ(tri[1], 2 * i + 1);
        EXPECT_EQ(tri[2], 2 * i + 3);
        EXPECT_EQ(tri[3], 2 * i);
        EXPECT_EQ(tri[4], 2 * i + 3);
        EXPECT_EQ(tri[5], 2 * i + 2);
    }
    // Wound counter-clockwise seen from +z, the side the normal names.
    const auto p = [&](std::uint32_t k) { return lumen::xyz(mesh.vertices[k].position); };
    EXPECT_GT(lumen::cross(p(1) - p(0), p(3) - p(0)).z, 0.0f);
}

TEST(StrandMesh, TopReachesExactlyOne) {
    const auto mesh = StrandMesh::build(40);
    EXPECT_EQ(mesh.vertices.back().position.y, 1.0f);
    EXPECT_EQ(mesh.vertices.front().position.y, 0.0f);
}

TEST(StrandMesh, NoSegmentsStillGivesOneQuad) {
    const auto mesh = StrandMesh::build(0);
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.indices.size(), 6u);
    EXPECT_EQ(StrandMesh::build(-3).vertices, mesh.vertices);
}
