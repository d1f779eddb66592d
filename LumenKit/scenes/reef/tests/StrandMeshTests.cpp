#include "LumenKit/scenes/reef/StrandMesh.hpp"

#include <gtest/gtest.h>

#include <cstdint>

using lumen::Float4;
using lumen::reef::StrandMesh;

TEST(StrandMesh, ARibbonOfQuadsUpAUnitSquareFacingPlusZ) {
    const std::pair<int, std::uint32_t> cases[] = {
        {StrandMesh::grassSegments, 4}, {StrandMesh::kelpSegments, 40}, {0, 1}, {-3, 1}};
    for (const auto& [segments, quads] : cases) {
        const auto mesh = StrandMesh::build(segments);
        ASSERT_EQ(mesh.vertices.size(), 2 * quads + 2) << segments;
        ASSERT_EQ(mesh.indices.size(), 6 * quads) << segments;
        for (std::uint32_t i = 0; i <= quads; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(quads);
            EXPECT_EQ(mesh.vertices[2 * i].position, (Float4{-0.5f, t, 0, 0}));
            EXPECT_EQ(mesh.vertices[2 * i + 1].position, (Float4{0.5f, t, 0, 0}));
            EXPECT_EQ(mesh.vertices[2 * i].color, (Float4{t, 0, 0, 0}));
            EXPECT_EQ(mesh.vertices[2 * i + 1].color, (Float4{t, 1, 0, 0}));
            EXPECT_EQ(mesh.vertices[2 * i + 1].normal, (Float4{0, 0, 1, 0}));
        }
        for (std::uint32_t i = 0; i < quads; ++i) {
            // Two triangles per quad, counter-clockwise seen from +z.
            const std::uint32_t expected[] = {2 * i, 2 * i + 1, 2 * i + 3, 2 * i, 2 * i + 3, 2 * i + 2};
            for (int k = 0; k < 6; ++k) EXPECT_EQ(mesh.indices[6 * i + k], expected[k]) << "quad " << i;
        }
    }
}
