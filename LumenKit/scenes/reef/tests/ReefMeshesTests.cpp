#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/Palette.hpp"
#include "LumenKit/scenes/reef/ReefItemBuilders.hpp"
#include "LumenKit/scenes/reef/ReefMeshes.hpp"
#include "LumenKit/scenes/reef/ReefShapes.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

using lumen::Float3;
using lumen::Mesh;
using lumen::reef::Palette;
using lumen::reef::ReefItem;
using lumen::reef::ReefKind;
using lumen::reef::ReefLayout;
using lumen::xyz;
namespace ReefMeshes = lumen::reef::ReefMeshes;
namespace ReefItemBuilders = lumen::reef::ReefItemBuilders;

namespace {

const ReefLayout& shipped() {
    static const ReefLayout layout(ReefLayout::shippedSeed);
    return layout;
}

const Mesh& shippedReef() {
    static const Mesh mesh = ReefMeshes::reef(shipped());
    return mesh;
}

const Mesh& shippedSand() {
    static const Mesh mesh = ReefMeshes::sand(shipped().terrain, shipped().rockAnchors, 180, 140);
    return mesh;
}

std::uint64_t checksum(const Mesh& mesh) {
    reeftest::Fnv1a f;
    f.add(mesh);
    return f.hash;
}

bool finite(lumen::Float4 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

void expectWellFormed(const Mesh& mesh) {
    ASSERT_EQ(mesh.indices.size() % 3, 0u);
    for (const auto index : mesh.indices) ASSERT_LT(index, mesh.vertices.size());
    for (const auto& v : mesh.vertices) {
        ASSERT_TRUE(finite(v.position) && finite(v.normal) && finite(v.color));
        ASSERT_NEAR(length(xyz(v.normal)), 1.0f, 1e-3f);
    }
}

ReefItem sampleItem(ReefKind kind, float size = 1.0f, float yaw = 0.0f) {
    return {kind, {2.0f, 1.0f, -3.0f}, size, yaw, 1, 0x1234'5678'9abc'def0ull};
}

}  // namespace

TEST(ReefMeshes, SandGridCountsAndEdges) {
    const Mesh& sand = shippedSand();
    ASSERT_EQ(sand.vertices.size(), 181u * 141u);
    EXPECT_EQ(sand.indices.size(), 180u * 140u * 6u);
    EXPECT_EQ(sand.vertices.front().position.z, -90.0f);
    EXPECT_EQ(sand.vertices.back().position.z, 20.0f);
    EXPECT_EQ(sand.vertices.front().position.x, -80.0f);
    EXPECT_EQ(sand.vertices[180].position.x, 80.0f);
    // Rows crowd towards the viewer.
    float previousStep = 1e9f;
    for (std::size_t j = 1; j <= 140; ++j) {
        const float step = sand.vertices[j * 181].position.z - sand.vertices[(j - 1) * 181].position.z;
        EXPECT_GT(step, 0.0f);
        EXPECT_LE(step, previousStep + 1e-5f);
        previousStep = step;
    }
}

TEST(ReefMeshes, SandFollowsTheTerrain) {
    const Mesh& sand = shippedSand();
    const auto& terrain = shipped().terrain;
    expectWellFormed(sand);
    for (std::size_t i = 0; i < sand.vertices.size(); i += 97) {
        const auto& v = sand.vertices[i];
        const float x = v.position.x, z = v.position.z;
        EXPECT_EQ(v.position.y, terrain.height(x, z));
        const Float3 n = normalize(Float3{terrain.height(x - 0.25f, z) - terrain.height(x + 0.25f, z), 0.5f,
                                          terrain.height(x, z - 0.25f) - terrain.height(x, z + 0.25f)});
        EXPECT_NEAR(v.normal.x, n.x, 1e-6f);
        EXPECT_NEAR(v.normal.y, n.y, 1e-6f);
        EXPECT_EQ(v.position.w, 0.0f);
        EXPECT_EQ(v.normal.w, 0.0f);
        EXPECT_EQ(v.color.w, 0.0f);
        // Base colour times k in [0.64, 1.08], ripples, occlusion no darker than 0.3.
        EXPECT_LE(v.color.x, 0.42f * 1.08f + 1e-6f);
        EXPECT_GE(v.color.x, 0.42f * 0.64f * 0.82f * 0.3f - 1e-6f);
    }
    // Every quad faces up.
    for (std::size_t i = 0; i < sand.indices.size(); i += 3 * 41) {
        const Float3 a = xyz(sand.vertices[sand.indices[i]].position);
        const Float3 b = xyz(sand.vertices[sand.indices[i + 1]].position);
        const Float3 c = xyz(sand.vertices[sand.indices[i + 2]].position);
        EXPECT_GT(cross(b - a, c - a).y, 0.0f);
    }
}

TEST(ReefMeshes, SandDarkensAroundRocks) {
    const auto& layout = shipped();
    const Mesh open = ReefMeshes::sand(layout.terrain, {}, 40, 30);
    const Mesh shaded = ReefMeshes::sand(layout.terrain, layout.rockAnchors, 40, 30);
    ASSERT_EQ(open.vertices.size(), shaded.vertices.size());
    int darker = 0;
    for (std::size_t i = 0; i < open.vertices.size(); ++i) {
        const float ratio = shaded.vertices[i].color.y / open.vertices[i].color.y;
        EXPECT_LE(ratio, 1.0f + 1e-6f);
        EXPECT_GE(ratio, 0.3f - 1e-6f);
        if (ratio < 0.9f) ++darker;
    }
    EXPECT_GT(darker, 0);
    // Far from every rock nothing changes.
    EXPECT_EQ(shaded.vertices.front().color, open.vertices.front().color);
}

TEST(ReefMeshes, DegenerateSandGridIsOneQuad) {
    const Mesh sand = ReefMeshes::sand(shipped().terrain, {}, 0, -2);
    EXPECT_EQ(sand.vertices.size(), 4u);
    EXPECT_EQ(sand.indices.size(), 6u);
}

// Golden values: computed once from these builders after checking the sand rules and looking
// at every item kind; a change in any builder, the layout or the merge order changes them.
TEST(ReefMeshes, ShippedMeshesMatchGoldenChecksums) {
    EXPECT_EQ(checksum(shippedSand()), 8600940426936428352ull);
    EXPECT_EQ(checksum(shippedReef()), 6872570386661935253ull);
    EXPECT_EQ(shippedReef().vertices.size(), 304848u);
}

TEST(ReefMeshes, ReefMeshIsWellFormed) {
    const Mesh& reef = shippedReef();
    ASSERT_FALSE(reef.vertices.empty());
    expectWellFormed(reef);
    for (const auto& v : reef.vertices) {
        ASSERT_GE(v.position.w, 0.0f);
        ASSERT_LE(v.position.w, 1.0f);
        ASSERT_GE(v.normal.w, 0.0f);
        ASSERT_LE(v.normal.w, 1.0f);
        ASSERT_GE(v.color.w, 0.0f);
        ASSERT_LE(v.color.w, 1.0f);
    }
}

TEST(ReefMeshes, ReefMergesItemsInListOrder) {
    const auto& layout = shipped();
    Mesh expected;
    for (std::size_t i = 0; i < layout.items.size(); ++i) {
        Mesh part;
        ReefItemBuilders::append(part, layout.items[i], ReefMeshes::colourSet(layout, i));
        const auto offset = static_cast<std::uint32_t>(expected.vertices.size());
        expected.vertices.insert(expected.vertices.end(), part.vertices.begin(), part.vertices.end());
        for (const auto index : part.indices) expected.indices.push_back(index + offset);
    }
    EXPECT_EQ(expected.vertices, shippedReef().vertices);
    EXPECT_EQ(expected.indices, shippedReef().indices);
}

TEST(ReefMeshes, EveryKindBuildsACompactShape) {
    for (int k = 0; k < lumen::reef::reefKindCount; ++k) {
        const auto kind = static_cast<ReefKind>(k);
        for (const float size : {0.3f, 1.2f}) {
            const ReefItem item = sampleItem(kind, size);
            Mesh mesh;
            ReefItemBuilders::append(mesh, item, 3);
            ASSERT_GT(mesh.vertices.size(), 20u) << k;
            expectWellFormed(mesh);
            const auto box = mesh.bounds();
            // Pinnacles tower and a rock's position is its centre, not its foot; everything else
            // stays within a couple of sizes of its base.
            const bool rock = kind == ReefKind::rock;
            const bool pinnacle = kind == ReefKind::pinnacle;
            const float reach = (pinnacle ? 4.5f : 1.6f) * size;
            const float across = (rock || pinnacle ? 1.6f : 1.3f) * size;
            EXPECT_LE(box.max.y - item.position.y, reach) << k;
            EXPECT_GE(box.min.y - item.position.y, (rock ? -1.0f : -0.8f) * size) << k;
            EXPECT_LE(std::max(box.max.x - item.position.x, item.position.x - box.min.x), across) << k;
            EXPECT_LE(std::max(box.max.z - item.position.z, item.position.z - box.min.z), across) << k;
        }
    }
}

TEST(ReefMeshes, ItemsAreScaledTurnedAndMoved) {
    for (const auto kind : {ReefKind::table, ReefKind::seaStar, ReefKind::fan}) {
        Mesh plain, turned;
        ReefItemBuilders::append(plain, sampleItem(kind, 1.0f, 0.0f), 2);
        ReefItemBuilders::append(turned, sampleItem(kind, 1.0f, 1.3f), 2);
        ASSERT_EQ(plain.vertices.size(), turned.vertices.size());
        EXPECT_EQ(plain.indices, turned.indices);
        const Float3 base = sampleItem(kind).position;
        for (std::size_t i = 0; i < plain.vertices.size(); i += 7) {
            const Float3 expected = base + lumen::reef::ReefShapes::rotateY(xyz(plain.vertices[i].position) - base, 1.3f);
            const Float3 actual = xyz(turned.vertices[i].position);
            EXPECT_NEAR(actual.x, expected.x, 1e-4f);
            EXPECT_NEAR(actual.y, expected.y, 1e-4f);
            EXPECT_NEAR(actual.z, expected.z, 1e-4f);
            EXPECT_EQ(plain.vertices[i].position.w, turned.vertices[i].position.w);
        }
    }
}

TEST(ReefMeshes, ItemSeedShapesTheItem) {
    ReefItem a = sampleItem(ReefKind::branching);
    ReefItem b = a;
    b.seed += 1;
    Mesh ma, ma2, mb;
    ReefItemBuilders::append(ma, a, 0);
    ReefItemBuilders::append(ma2, a, 0);
    ReefItemBuilders::append(mb, b, 0);
    EXPECT_EQ(ma.vertices, ma2.vertices);
    EXPECT_NE(ma.vertices, mb.vertices);
}

TEST(ReefMeshes, FlexibleGrowthSwaysAndRockDoesNot) {
    const auto maxSway = [](ReefKind kind) {
        Mesh mesh;
        ReefItemBuilders::append(mesh, sampleItem(kind), 0);
        float sway = 0.0f;
        for (const auto& v : mesh.vertices) sway = std::max(sway, v.position.w);
        return sway;
    };
    EXPECT_EQ(maxSway(ReefKind::rock), 0.0f);
    EXPECT_EQ(maxSway(ReefKind::boulder), 0.0f);
    EXPECT_GT(maxSway(ReefKind::whip), 0.8f);
    EXPECT_GT(maxSway(ReefKind::anemone), 0.8f);
    EXPECT_GT(maxSway(ReefKind::fan), 0.3f);
}

TEST(ReefMeshes, ColoursComeFromTheItemsColourSet) {
    Mesh mesh;
    ReefItemBuilders::append(mesh, sampleItem(ReefKind::whip), 4);
    const auto& pair = Palette::pair(4);
    for (const auto& v : mesh.vertices) {
        // A blend of the pair stays inside the box the two colours span.
        EXPECT_GE(v.color.z, std::min(pair.deep.z, pair.bright.z) - 1e-5f);
        EXPECT_LE(v.color.z, std::max(pair.deep.z, pair.bright.z) + 1e-5f);
    }
}

TEST(ReefMeshes, UnknownKindAddsNothing) {
    Mesh mesh;
    ReefItem item = sampleItem(ReefKind::rock);
    item.kind = static_cast<ReefKind>(lumen::reef::reefKindCount);
    ReefItemBuilders::append(mesh, item, 0);
    item.kind = static_cast<ReefKind>(-1);
    ReefItemBuilders::append(mesh, item, 0);
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(mesh.indices.empty());
}

TEST(ReefMeshes, ColourSetRule) {
    const auto& layout = shipped();
    const std::size_t nearCorals = layout.itemsPerPhase[0];
    const ReefItem& coral = layout.items[nearCorals];
    EXPECT_EQ(ReefMeshes::colourSet(layout, nearCorals),
              static_cast<int>(lumen::reef::ReefShapes::fold(coral.seed) % Palette::size));
    // Rocks, encrusting growth and the foreground corals keep their own palette.
    EXPECT_EQ(ReefMeshes::colourSet(layout, 0), layout.items[0].palette);
    std::size_t encrusting = 0;
    for (std::size_t p = 0; p < 6; ++p) encrusting += layout.itemsPerPhase[p];
    for (std::size_t i = encrusting; i < encrusting + 20; ++i)
        EXPECT_EQ(ReefMeshes::colourSet(layout, i), layout.items[i].palette);
    const std::size_t last = layout.items.size() - 1;
    EXPECT_EQ(ReefMeshes::colourSet(layout, last), layout.items[last].palette);
}

TEST(Palette, TableAndWrapping) {
    EXPECT_EQ(Palette::size, 7u);
    EXPECT_EQ(Palette::pair(0).bright, (Float3{0.95f, 0.24f, 0.72f}));
    EXPECT_EQ(Palette::pair(6).deep, (Float3{0.42f, 0.32f, 0.18f}));
    EXPECT_EQ(Palette::pair(7), Palette::pair(0));
    EXPECT_EQ(Palette::pair(-1), Palette::pair(6));
    EXPECT_EQ(Palette::blend(4, 0.0f), Palette::pair(4).deep);
    EXPECT_EQ(Palette::blend(4, 1.0f), Palette::pair(4).bright);
    EXPECT_EQ(Palette::rock(3), Palette::rock(0));
    EXPECT_EQ(Palette::clamMantle(-4), Palette::clamMantle(0));
    EXPECT_NE(Palette::seaStar(1), Palette::seaStar(2));
}

TEST(ReefShapes, LatheNormalsFaceAwayFromTheAxis) {
    Mesh mesh;
    const std::array<lumen::Float2, 3> profile{{{0.5f, 0.0f}, {0.5f, 0.5f}, {0.5f, 1.0f}}};
    lumen::reef::ReefShapes::appendLathe(mesh, profile, 12, [](float, float) { return 1.0f; }, {1, 1, 1, 1});
    ASSERT_EQ(mesh.vertices.size(), 36u);
    for (const auto& v : mesh.vertices) {
        const Float3 radial = normalize(Float3{v.position.x, 0.0f, v.position.z});
        EXPECT_GT(dot(xyz(v.normal), radial), 0.9f);
    }
}

TEST(ReefShapes, RotateYTurnsXTowardsMinusZ) {
    const Float3 p = lumen::reef::ReefShapes::rotateY({1.0f, 2.0f, 0.0f}, std::numbers::pi_v<float> / 2.0f);
    EXPECT_NEAR(p.x, 0.0f, 1e-6f);
    EXPECT_EQ(p.y, 2.0f);
    EXPECT_NEAR(p.z, -1.0f, 1e-6f);
}
