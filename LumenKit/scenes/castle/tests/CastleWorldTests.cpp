#include "LumenKit/scenes/castle/CastleCamera.hpp"
#include "LumenKit/scenes/castle/CastleLayout.hpp"
#include "LumenKit/scenes/castle/CastleMeshes.hpp"
#include "LumenKit/scenes/castle/CastleTrees.hpp"
#include "LumenKit/testsupport/Fnv1a.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace lumen;
using namespace lumen::castle;

namespace {

const CastleLayout& shipped() {
    static const CastleLayout layout(CastleLayout::shippedSeed);
    return layout;
}

}  // namespace

// Update these checksums only when the world is meant to change (terrain, placement or meshes).
TEST(CastleWorld, LayoutAndMeshesMatchTheGoldenWorld) {
    const CastleLayout& layout = shipped();
    reeftest::Fnv1a placed;
    for (const Float3 p : layout.lanterns) placed.add(p);
    for (const auto& t : layout.trees) {
        placed.add(t.position);
        placed.add(t.height);
        placed.add(t.width);
        placed.add(t.kind);
        placed.add(t.tint);
        placed.add(t.phase);
    }
    for (const PlankBox& b : layout.dock) placed.add(b.centre);
    EXPECT_EQ(layout.lanterns.size(), 18u);
    EXPECT_EQ(layout.trees.size(), 5591u);
    EXPECT_EQ(placed.hash, 17459920066421818801u);

    reeftest::Fnv1a meshes;
    meshes.add(CastleMeshes::terrain(layout.terrain, CastleMeshes::terrainCell));
    meshes.add(CastleMeshes::castle());
    meshes.add(CastleMeshes::lanternsAndDock(layout));
    meshes.add(CastleTrees::conifer(CastleTrees::coniferTiers));
    meshes.add(CastleTrees::round());
    EXPECT_EQ(meshes.hash, 4811205188785401032u);
}

TEST(CastleTerrain, PlateauPathAndHillKeepTheirShape) {
    const CastleTerrain& terrain = shipped().terrain;
    EXPECT_GE(terrain.height(-10, -430), 33.7f);
    for (float x = -59.5f; x < 40; x += 3.7f) {
        for (float z = -465.5f; z < -394; z += 2.9f) {
            // The path bed, 0.1 below the path's 33.6, reaches in at the gate.
            if (terrain.nearestPathPoint(x, z).distance < 6) continue;
            EXPECT_GE(terrain.height(x, z), 33.7f) << x << " " << z;
        }
    }
    // On the centre line the path bed lies 0.1 below the path; from 6 m away it has no say.
    for (std::size_t i = 0; i + 1 < terrain.path.size(); ++i) {
        const Float3 mid = (terrain.path[i] + terrain.path[i + 1]) * 0.5f;
        EXPECT_NEAR(terrain.height(mid.x, mid.z), mid.y - 0.1f, 1e-3f) << i;
    }
    EXPECT_EQ(terrain.path.front().y, 33.6f);
    EXPECT_NEAR(terrain.path.back().y, 1.2f, 1e-5f);
    CastleTerrain bare = terrain;
    bare.path = {terrain.path.front()};
    EXPECT_EQ(bare.nearestPathPoint(0, 0).height, 0);
    const Float3 far{120, 0, -300};  // well over 6 m from the path
    ASSERT_GE(terrain.nearestPathPoint(far.x, far.z).distance, 6);
    EXPECT_EQ(terrain.height(far.x, far.z), bare.height(far.x, far.z));
    for (float r = 0; r < 2; r += 0.01f) {
        const float m = terrain.mountHeight(-10 + 104 * r * 0.6f, -430 + 82 * r * 0.8f);
        EXPECT_LE(m, 35.5f);
        if (r >= 1.35f) {
            EXPECT_EQ(m, 0) << r;
        }
    }
}

TEST(CastleLayout, LanternsAndDockStandWhereTheyShould) {
    const CastleLayout& layout = shipped();
    const auto& path = layout.terrain.path;
    auto unit = [](Float2 v) { return v / length(v); };
    const Float2 d = unit(Float2{path[1].x - path[0].x, path[1].z - path[0].z});
    EXPECT_NEAR(layout.lanterns[0].x, path[0].x - 2.1f * d.y, 1e-4f);
    EXPECT_NEAR(layout.lanterns[0].z, path[0].z + 2.1f * d.x, 1e-4f);
    // Every 9 m of path, sides alternating, counted across the first segment's end (18.7 m long).
    const Float2 d2 = unit(Float2{path[2].x - path[1].x, path[2].z - path[1].z});
    const float into = 27 - length(Float2{path[1].x - path[0].x, path[1].z - path[0].z});
    EXPECT_NEAR(layout.lanterns[3].x, path[1].x + d2.x * into + 2.1f * d2.y, 1e-3f);
    EXPECT_NEAR(layout.lanterns[3].z, path[1].z + d2.y * into - 2.1f * d2.x, 1e-3f);
    EXPECT_NEAR(layout.lanterns[1].x, path[0].x + d.x * 9 + 2.1f * d.y, 1e-3f);

    ASSERT_EQ(layout.dock.size(), 10u);
    const Float3 last = path.back();
    const float ux = 0.25f / std::sqrt(1.0625f), uz = 1 / std::sqrt(1.0625f);
    std::size_t dockEnd = 0;
    for (std::size_t i = 0; i + 1 < layout.lanterns.size(); ++i) {
        if (layout.lanterns[i].y == 2.6f && layout.lanterns[i + 1].y == 2.6f) dockEnd = i;
    }
    EXPECT_NEAR(layout.lanterns[dockEnd].x, last.x + 26 * ux - 1.4f, 1e-4f);
    EXPECT_NEAR(layout.lanterns[dockEnd + 1].x, last.x + 26 * ux + 1.4f, 1e-4f);
    EXPECT_NEAR(layout.lanterns[dockEnd].z, last.z + 26 * uz, 1e-4f);
    for (std::size_t i = dockEnd + 2; i < layout.lanterns.size(); ++i) {
        EXPECT_GT(std::fabs(layout.lanterns[i].x - last.x), 14) << i;  // the column at x 86 is skipped
    }
}

TEST(CastleCamera, DisplaysStandApartAndTheEyeStaysAboveTheWater) {
    const CastleCamera camera;
    struct Case {
        int display;
        float dx;
    };
    for (const Case c : {Case{0, 0}, Case{1, -110}, Case{2, 110}, Case{3, -220}}) {
        const CastlePose pose = camera.pose(c.display, 0, {0, 0});
        const CastlePose alone = camera.pose(0, 61.0 * c.display, {0, 0});
        EXPECT_NEAR(pose.eye.x - alone.eye.x, c.dx, 1e-3f) << c.display;
    }
    for (double t = 0; t < 400; t += 7) EXPECT_GE(camera.pose(0, t, {0, -1}).eye.y, 2.5f);
    EXPECT_GE(camera.pose(0, 0, {0, -50}).eye.y, 2.5f);
}
