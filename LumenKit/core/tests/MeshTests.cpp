#include "LumenKit/core/Mesh.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using lumen::Float3;
using lumen::Float4;
using lumen::Mesh;
using lumen::MeshVertex;
using lumen::xyz;

namespace {

MeshVertex vertexAt(Float3 p, Float4 normal = {0, 0, 0, 0}) { return {lumen::float4(p, 0), normal, {1, 1, 1, 1}}; }

}  // namespace

TEST(MeshNormals, AreaWeightedOverTheGivenRangeOnly) {
    Mesh mesh;
    // Shared vertex 0: a 2x2 triangle facing +z and a 1x1 triangle facing +x.
    mesh.vertices = {vertexAt({0, 0, 0}), vertexAt({2, 0, 0}), vertexAt({0, 2, 0}), vertexAt({0, 1, 0}),
                     vertexAt({0, 0, 1}, {0, 0, 0, 0.25f})};
    mesh.indices = {0, 1, 2, 0, 3, 4};
    mesh.recomputeNormals(0, 0);
    EXPECT_LT(length(xyz(mesh.vertices[0].normal) - normalize(Float3{1, 0, 4})), 1e-5f);  // larger faces weigh more
    EXPECT_LT(length(xyz(mesh.vertices[1].normal) - Float3{0, 0, 1}), 1e-5f);
    EXPECT_EQ(mesh.vertices[4].normal, (Float4{1, 0, 0, 0.25f}));  // w is kept

    const Float4 old{0, -1, 0, 0.5f};
    mesh.vertices = {vertexAt({0, 0, 0}, old), vertexAt({1, 0, 0}, old), vertexAt({0, 1, 0}, old),
                     vertexAt({0, 0, 5}, old), vertexAt({1, 0, 5}, old), vertexAt({0, 1, 5}, old),
                     vertexAt({9, 9, 9}, old)};
    // The first triangle faces -z and is skipped; the second faces +z; the last two are a collinear
    // triangle and one naming a missing vertex.
    mesh.indices = {0, 2, 1, 0, 1, 2, 3, 4, 5, 3, 3, 4, 0, 1, 7};
    mesh.recomputeNormals(1, 3);
    EXPECT_EQ(mesh.vertices[0].normal, old);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(mesh.vertices[i].normal, (Float4{0, 0, 1, 0.5f})) << i;
    EXPECT_EQ(mesh.vertices[6].normal, old);
}

TEST(Tube, RingsFollowThePathWithoutFlippingThroughVerticalBendsOrBreakingOnRepeatedPoints) {
    // A repeated point, then along +x, straight up (where the reference up changes), along -z.
    const std::vector<Float3> path{{0, 0, 0}, {0, 0, 0},  {1, 0, 0},   {2, 0, 0},   {2.7f, 0.3f, 0}, {3, 1, 0},
                                   {3, 2, 0}, {3, 2.7f, -0.3f}, {3, 3, -1}, {3, 3, -2}};
    Mesh mesh;
    mesh.appendTube(std::vector<Float3>{{1, 2, 3}}, [](float) { return 1.0f; }, 6, {});  // too short
    mesh.appendTube(path, [](float) { return 1.0f; }, 2, {});                          // too few sides
    ASSERT_TRUE(mesh.vertices.empty());
    const std::size_t sides = 10;
    std::vector<float> along;
    mesh.appendTube(path, [&](float t) { along.push_back(t); return 0.1f; }, static_cast<int>(sides), {1, 1, 1, 1});
    ASSERT_EQ(mesh.vertices.size(), path.size() * sides);
    EXPECT_EQ(mesh.indices.size(), (path.size() - 1) * sides * 6);
    EXPECT_EQ(along.front(), 0.0f);
    EXPECT_EQ(along.back(), 1.0f);
    Float3 previous = normalize(xyz(mesh.vertices[0].position) - path[0]);
    for (std::size_t k = 0; k < path.size(); ++k) {
        // Vertex 0 of each ring points along the ring's frame normal, which turns only a little.
        const Float3 first = normalize(xyz(mesh.vertices[k * sides].position) - path[k]);
        ASSERT_TRUE(std::isfinite(first.x + first.y + first.z)) << "ring " << k;
        EXPECT_GT(dot(first, previous), 0.7f) << "ring " << k;
        previous = first;
        for (std::size_t s = 0; s < sides; ++s) {
            const MeshVertex& v = mesh.vertices[k * sides + s];
            EXPECT_NEAR(length(xyz(v.position) - path[k]), 0.1f, 1e-5f) << "ring " << k;
            EXPECT_EQ(v.position.w, along[k]);
            EXPECT_GT(dot(xyz(v.normal), xyz(v.position) - path[k]), 0.0f) << "ring " << k;
        }
    }
}
