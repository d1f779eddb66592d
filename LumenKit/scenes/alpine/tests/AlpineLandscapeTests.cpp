#include "LumenKit/scenes/alpine/AlpineCamera.hpp"
#include "LumenKit/scenes/alpine/AlpineForest.hpp"
#include "LumenKit/scenes/alpine/AlpineGrid.hpp"
#include "LumenKit/scenes/alpine/AlpineTerrain.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <span>

namespace lumen::alpine {
namespace {

std::uint64_t fnv(std::span<const float> values) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (float v : values) {
        h ^= std::bit_cast<std::uint32_t>(v);
        h *= 0x100000001B3ull;
    }
    return h;
}

const std::vector<AlpineForest::Tree>& forest() {
    static const auto trees = AlpineForest::trees(2300, 77, 9000, AlpineTerrain::height);
    return trees;
}

TEST(AlpineTerrainTest, LakeCentreShoreAndCameraGround) {
    EXPECT_NEAR(AlpineTerrain::lakeField(-60, -1000), -520, 70);
    EXPECT_NEAR(AlpineTerrain::height(-60, -1000), -16.6f, 0.01f);
    EXPECT_GT(AlpineTerrain::lakeField(0, 600), 0);
    EXPECT_GT(AlpineTerrain::height(0, 600), 0);
    // Walk south from the camera (over the water) to the shore: the bed meets the beach without
    // a step.
    float z = 0;
    ASSERT_LT(AlpineTerrain::lakeField(0, z), 0);
    while (AlpineTerrain::lakeField(0, z) < 0) z += 0.01f;
    EXPECT_NEAR(AlpineTerrain::height(0, z - 0.01f), -0.6f, 0.01f);
    EXPECT_NEAR(AlpineTerrain::height(0, z), 0, 0.05f);
    const Float3 n = AlpineTerrain::normal(300, -2500, 2);
    EXPECT_NEAR(length(n), 1, 1e-5f);
    EXPECT_GT(n.y, 0);
}

// Golden values: update them only when the landscape is changed on purpose (and check the
// renders), never to make a failure go away.
TEST(AlpineTerrainTest, BakedRegionsAndForestMatchTheirGoldenChecksums) {
    EXPECT_EQ(fnv(AlpineTerrain::bake(AlpineTerrain::nearRegion, 16)), 9616618298262009782ull);
    EXPECT_EQ(fnv(AlpineTerrain::bake(AlpineTerrain::farRegion, 32)), 9649255368569373746ull);
    std::vector<float> fields;
    for (const auto& t : forest()) fields.insert(fields.end(), {t.position.x, t.position.y, t.position.z, t.height, t.width, t.tint, t.phase});
    EXPECT_EQ(forest().size(), 9000u);
    EXPECT_EQ(fnv(fields), 13608048320900445401ull);
}

TEST(AlpineGridTest, RingsAndTriangles) {
    const auto grid = AlpineGrid::build(150, 3, 26000);
    ASSERT_EQ(grid.vertices.size(), 1u + 150u * 820u);
    EXPECT_EQ(grid.indices.size(), 3u * 820u + 6u * 149u * 820u);
    EXPECT_NEAR(length(grid.vertices[1]), 3, 1e-4f);
    EXPECT_NEAR(length(grid.vertices.back()), 26000, 1);
    // Column 380 of the first ring is straight ahead.
    EXPECT_NEAR(grid.vertices[1 + 380].x, 0, 1e-4f);
    EXPECT_NEAR(grid.vertices[1 + 380].y, -3, 1e-4f);
    for (std::uint32_t i : grid.indices) ASSERT_LT(i, grid.vertices.size());
}

TEST(AlpineForestTest, TreesStandOnlyWhereTheyMay) {
    const auto& trees = forest();
    EXPECT_EQ(trees, AlpineForest::trees(2300, 77, 9000, AlpineTerrain::height));
    for (const auto& t : trees) {
        const float x = t.position.x, z = t.position.z, r = std::hypot(x, z);
        const float h = t.position.y + 0.3f;
        ASSERT_GT(r, 25);
        ASSERT_LT(r * 0.0871558f, -z);
        ASSERT_GT(AlpineTerrain::lakeField(x, z), 6);
        ASSERT_LT(h, AlpineForest::treeLine(x, z));
        ASSERT_GT(AlpineTerrain::normal(x, z, 3).y, 0.62f);
        ASSERT_GE(t.tint, 0);
        ASSERT_LT(t.phase, 6.29f);
    }
}

TEST(AlpineForestTest, UnderTheCapKeepsPlacementOrderOverItShuffles) {
    const auto flat = [](float x, float z) { return 0.001f * x + 0.001f * z + 30; };
    const auto all = AlpineForest::trees(400, 5, 1 << 30, flat);
    ASSERT_GT(all.size(), 100u);
    for (std::size_t i = 1; i < all.size(); ++i) ASSERT_GE(all[i - 1].position.z + 12, all[i].position.z);
    const auto capped = AlpineForest::trees(400, 5, 50, flat);
    ASSERT_EQ(capped.size(), 50u);
    EXPECT_NE(std::vector(all.begin(), all.begin() + 50), capped);
}

TEST(AlpineCameraTest, DisplayZeroStaysNearItsRestPosition) {
    const AlpineCamera camera;
    for (double t = 0; t < 2000; t += 3.7) {
        const auto pose = camera.pose(t, 0, {0, 0});
        ASSERT_LE(std::fabs(pose.eye.x), 4.7f);
        ASSERT_LE(std::fabs(pose.eye.z), 2.0f);
        ASSERT_LE(std::fabs(pose.eye.y - 3), 0.6f);
        ASSERT_LT(pose.forward.y, 0);
    }
    EXPECT_FLOAT_EQ(AlpineCamera::displayYaw(1), -0.85f);
    EXPECT_FLOAT_EQ(AlpineCamera::displayYaw(4), 1.7f);
}

}  // namespace
}  // namespace lumen::alpine
