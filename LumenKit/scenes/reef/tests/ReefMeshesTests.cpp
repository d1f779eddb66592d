#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/testsupport/ShippedReef.hpp"
#include "LumenKit/scenes/reef/Palette.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefMeshes.hpp"

#include <gtest/gtest.h>

#include <cmath>

using lumen::Float3;
using lumen::Mesh;
using lumen::reef::Palette;
using lumen::reef::ReefItem;
using lumen::reef::ReefKind;
using lumen::xyz;
using reeftest::shippedReef;
namespace ReefMeshes = lumen::reef::ReefMeshes;
namespace ReefItemBuilders = lumen::reef::ReefItemBuilders;

namespace {

const Mesh& shippedSand() {
    static const Mesh mesh = ReefMeshes::sand(shippedReef().terrain, shippedReef().rockAnchors, 180, 140);
    return mesh;
}

std::uint64_t checksum(const Mesh& mesh) {
    reeftest::Fnv1a f;
    f.add(mesh);
    return f.hash;
}

// Indices in range, finite lanes, unit normals, and the shader lanes of the reef in [0, 1].
void expectWellFormed(const Mesh& mesh) {
    ASSERT_EQ(mesh.indices.size() % 3, 0u);
    for (const auto index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
    for (const auto& v : mesh.vertices) {
        ASSERT_TRUE(std::isfinite(v.position.x + v.position.y + v.position.z + v.color.x + v.color.y + v.color.z));
        ASSERT_NEAR(length(xyz(v.normal)), 1.0f, 1e-3f);
        ASSERT_TRUE(v.position.w >= 0 && v.position.w <= 1 && v.normal.w >= 0 && v.normal.w <= 1);
        ASSERT_TRUE(v.color.w >= 0 && v.color.w <= 1);
    }
}

Mesh built(ReefKind kind, float size = 1.0f, float yaw = 0.0f, std::uint64_t seed = 0x1234'5678'9abc'def0ull,
           int colourSet = 3) {
    Mesh mesh;
    ReefItemBuilders::append(mesh, {kind, {2.0f, 1.0f, -3.0f}, size, yaw, 1, seed}, colourSet);
    return mesh;
}

}  // namespace

// Golden values: computed once from these builders after checking the sand rules and looking
// at every item kind; a change in any builder, the layout, the colour sets or the merge order
// changes them.
TEST(ReefMeshes, ShippedMeshesMatchGoldenChecksums) {
    EXPECT_EQ(checksum(shippedSand()), 8600940426936428352ull);
    const Mesh reef = ReefMeshes::reef(shippedReef());
    EXPECT_EQ(checksum(reef), 6872570386661935253ull);
    EXPECT_EQ(reef.vertices.size(), 304848u);
    expectWellFormed(reef);
}

TEST(ReefMeshes, EveryKindBuildsACompactShape) {
    for (int k = 0; k < lumen::reef::reefKindCount; ++k) {
        const auto kind = static_cast<ReefKind>(k);
        for (const float size : {0.3f, 1.2f}) {
            const Mesh mesh = built(kind, size);
            ASSERT_GT(mesh.vertices.size(), 20u) << k;
            expectWellFormed(mesh);
            // Pinnacles tower and a rock's position is its centre, not its foot; everything else
            // stays within a couple of sizes of its base.
            const bool rock = kind == ReefKind::rock, pinnacle = kind == ReefKind::pinnacle;
            const auto box = mesh.bounds();
            EXPECT_LE(box.max.y - 1.0f, (pinnacle ? 4.5f : 1.6f) * size) << k;
            EXPECT_GE(box.min.y - 1.0f, (rock ? -1.0f : -0.8f) * size) << k;
            const float across = (rock || pinnacle ? 1.6f : 1.3f) * size;
            EXPECT_LE(std::max(box.max.x - 2.0f, 2.0f - box.min.x), across) << k;
            EXPECT_LE(std::max(box.max.z + 3.0f, -3.0f - box.min.z), across) << k;
        }
    }
    // Rock is rigid, a whip sways up to its free tip; a blend of the item's colour pair stays
    // inside the box the two colours span.
    for (const auto& v : built(ReefKind::rock).vertices) ASSERT_EQ(v.position.w, 0.0f);
    float sway = 0.0f;
    const auto& pair = Palette::pair(4);
    for (const auto& v : built(ReefKind::whip, 1, 0, 7, 4).vertices) {
        sway = std::max(sway, v.position.w);
        EXPECT_GE(v.color.z, std::min(pair.deep.z, pair.bright.z) - 1e-5f);
        EXPECT_LE(v.color.z, std::max(pair.deep.z, pair.bright.z) + 1e-5f);
    }
    EXPECT_GT(sway, 0.8f);
    // The seed shapes the item; the same seed, the same item.
    EXPECT_EQ(built(ReefKind::branching).vertices, built(ReefKind::branching).vertices);
    EXPECT_NE(built(ReefKind::branching, 1, 0, 1).vertices, built(ReefKind::branching, 1, 0, 2).vertices);
    Mesh unknown;
    ReefItemBuilders::append(unknown, {static_cast<ReefKind>(lumen::reef::reefKindCount), {}, 1, 0, 0, 1}, 0);
    ReefItemBuilders::append(unknown, {static_cast<ReefKind>(-1), {}, 1, 0, 0, 1}, 0);
    EXPECT_TRUE(unknown.vertices.empty());
}
