#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/scenes/reef/FishMesh.hpp"

#include <gtest/gtest.h>

using lumen::reef::FishMesh;
using lumen::xyz;

// The winding and the shape are pinned by the golden checksum below.
TEST(FishMesh, BodyComesFirstThenTheFinsInOrder) {
    const auto mesh = FishMesh::build(FishMesh::reefSegments, FishMesh::reefSides);
    // The renderer draws the body as the index range [0, 2784).
    ASSERT_EQ(FishMesh::bodyIndexCount(28, 16), 2784u);
    const std::size_t bodyVertices = FishMesh::bodyVertexCount(28, 16);
    ASSERT_EQ(bodyVertices, 29u * 16 + 2);
    ASSERT_GT(mesh.indices.size(), 2784u);
    for (std::size_t i = 0; i < 2784; ++i) ASSERT_LT(mesh.indices[i], bodyVertices);
    for (std::size_t i = 2784; i < mesh.indices.size(); ++i) ASSERT_GE(mesh.indices[i], bodyVertices);
    // Fin vertices carry their part (1 + the fin) in fin order and t along the body for the tail bend.
    float previousPart = 1;
    for (std::size_t i = bodyVertices; i < mesh.vertices.size(); ++i) {
        const auto& v = mesh.vertices[i];
        ASSERT_TRUE(v.normal.w >= previousPart && v.normal.w <= FishMesh::finCount) << i;
        previousPart = v.normal.w;
        EXPECT_NEAR(v.position.w, v.position.z + 0.5f, 1e-6f);
    }
    EXPECT_EQ(previousPart, FishMesh::finCount);
}

TEST(FishMesh, CoarseTessellationsStayWellFormed) {
    const auto mesh = FishMesh::build(0, 1);  // counted as 1 segment and 3 sides
    EXPECT_EQ(FishMesh::bodyIndexCount(0, 1), 6u * 1 * 3 + 6u * 3);
    for (const auto index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
    for (const auto& v : mesh.vertices) EXPECT_NEAR(length(xyz(v.normal)), 1.0f, 1e-5f);
}

// Golden value: computed once from this builder after checking the body rules; any change to
// the body or the fins changes it.
TEST(FishMesh, ReefFishMatchesGoldenChecksum) {
    reeftest::Fnv1a f;
    f.add(FishMesh::build(FishMesh::reefSegments, FishMesh::reefSides));
    EXPECT_EQ(f.hash, 8146049943867744306ull);
}
