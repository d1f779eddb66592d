#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/core/Noise.hpp"
#include "LumenKit/scenes/reef/ReefLayout.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

using lumen::Float3;
using lumen::reef::ReefItem;
using lumen::reef::ReefKind;
using lumen::reef::ReefLayout;
using lumen::reef::Strand;
using reeftest::Fnv1a;

namespace {

std::uint64_t itemsChecksum(const ReefLayout& layout) {
    Fnv1a f;
    for (const ReefItem& item : layout.items) {
        f.add(static_cast<std::int32_t>(item.kind));
        f.add(item.position);
        f.add(item.size);
        f.add(item.yaw);
        f.add(item.palette);
        f.add(item.seed);
    }
    return f.hash;
}

std::uint64_t obstaclesChecksum(const ReefLayout& layout) {
    Fnv1a f;
    for (const auto& o : layout.obstacles) {
        f.add(o.center);
        f.add(o.radius);
    }
    f.add(layout.anemoneHome);
    return f.hash;
}

std::uint64_t strandsChecksum(const std::vector<Strand>& strands) {
    Fnv1a f;
    for (const Strand& s : strands) {
        f.add(s.base);
        f.add(s.height);
        f.add(s.width);
        f.add(s.phase);
        f.add(s.tint);
    }
    return f.hash;
}

const ReefLayout& shipped() {
    static const ReefLayout layout(ReefLayout::shippedSeed);
    return layout;
}

std::size_t phaseStart(const ReefLayout& layout, std::size_t phase) {
    return std::accumulate(layout.itemsPerPhase.begin(),
                           layout.itemsPerPhase.begin() + static_cast<std::ptrdiff_t>(phase), std::size_t{0});
}

float horizontalDistance(Float3 a, Float3 b) { return std::hypot(a.x - b.x, a.z - b.z); }

float moundTerm(float x, float z) {
    const float dx = x / 11.0f, dz = (z + 5.0f) / 7.0f;
    return 0.9f * std::exp(-(dx * dx + dz * dz));
}

float noiseTerm(const ReefLayout& layout, float x, float z) {
    return 0.4f * lumen::Noise::fractal({0.05f * x, 0.3f, 0.05f * z}, 3, layout.terrain.seed);
}

}  // namespace

TEST(ReefLayout, TerrainAtMoundCentreHasFullMoundTerm) {
    const ReefLayout& layout = shipped();
    EXPECT_EQ(layout.terrain.moundCenter, (lumen::Float2{0.0f, -5.0f}));
    EXPECT_NEAR(layout.height(0.0f, -5.0f), 0.9f + noiseTerm(layout, 0.0f, -5.0f), 1e-6f);
}

TEST(ReefLayout, TerrainBackSlopeIsFlatInFrontAndFullFarBack) {
    const ReefLayout& layout = shipped();
    for (const float z : {-46.0f, -50.0f, -80.0f}) {
        for (const float x : {-20.0f, 0.0f, 13.0f}) {
            EXPECT_NEAR(layout.height(x, z) - moundTerm(x, z) - noiseTerm(layout, x, z), 1.4f, 1e-5f) << x << "," << z;
        }
    }
    for (const float z : {-16.0f, -10.0f, 4.0f}) {
        EXPECT_NEAR(layout.height(3.0f, z) - moundTerm(3.0f, z) - noiseTerm(layout, 3.0f, z), 0.0f, 1e-6f) << z;
    }
    // Halfway up the slope the smoothstep gives half its height.
    EXPECT_NEAR(layout.height(0.0f, -31.0f) - moundTerm(0.0f, -31.0f) - noiseTerm(layout, 0.0f, -31.0f), 0.7f, 1e-5f);
}

TEST(ReefLayout, TerrainIsContinuous) {
    const ReefLayout& layout = shipped();
    for (const float x : {-30.0f, -2.5f, 7.0f}) {
        float previous = layout.height(x, -60.0f);
        for (float z = -60.0f; z <= 20.0f; z += 0.01f) {
            const float h = layout.height(x, z);
            ASSERT_LT(std::fabs(h - previous), 0.01f) << x << "," << z;
            previous = h;
        }
    }
}

TEST(ReefLayout, RandomKindThresholds) {
    EXPECT_EQ(ReefLayout::randomKind(0.0f), ReefKind::branching);
    EXPECT_EQ(ReefLayout::randomKind(0.1999f), ReefKind::branching);
    EXPECT_EQ(ReefLayout::randomKind(0.2f), ReefKind::boulder);
    EXPECT_EQ(ReefLayout::randomKind(0.31f), ReefKind::fingers);
    EXPECT_EQ(ReefLayout::randomKind(0.42f), ReefKind::table);
    EXPECT_EQ(ReefLayout::randomKind(0.49f), ReefKind::fan);
    EXPECT_EQ(ReefLayout::randomKind(0.57f), ReefKind::sponge);
    EXPECT_EQ(ReefLayout::randomKind(0.65f), ReefKind::softCoral);
    EXPECT_EQ(ReefLayout::randomKind(0.75f), ReefKind::lettuce);
    EXPECT_EQ(ReefLayout::randomKind(0.82f), ReefKind::pillar);
    EXPECT_EQ(ReefLayout::randomKind(0.8799f), ReefKind::pillar);
    EXPECT_EQ(ReefLayout::randomKind(0.88f), ReefKind::whip);
    EXPECT_EQ(ReefLayout::randomKind(0.9999f), ReefKind::whip);
}

TEST(ReefLayout, KindSizeSpansTheRangeTimesScale) {
    EXPECT_FLOAT_EQ(ReefLayout::kindSize(ReefKind::fan, 1.0f, 0.0f), 1.3f);
    EXPECT_FLOAT_EQ(ReefLayout::kindSize(ReefKind::fan, 1.0f, 1.0f), 2.1f);
    EXPECT_FLOAT_EQ(ReefLayout::kindSize(ReefKind::whip, 0.5f, 0.5f), 0.5f * 1.9f);
    EXPECT_EQ(ReefLayout::sizeRange(ReefKind::pinnacle), ReefLayout::sizeRange(ReefKind::rock));
    EXPECT_EQ(ReefLayout::sizeRange(ReefKind::seaStar), (lumen::Float2{0.28f, 0.4f}));
}

TEST(ReefLayout, SameSeedGivesIdenticalLists) {
    const ReefLayout again(2026);
    EXPECT_EQ(again.items, shipped().items);
    EXPECT_EQ(again.obstacles, shipped().obstacles);
    EXPECT_EQ(again.kelp, shipped().kelp);
    EXPECT_EQ(again.seagrass, shipped().seagrass);
    EXPECT_EQ(again.anemoneHome, shipped().anemoneHome);
}

// Golden values: computed once from this generator after checking it phase by phase against
// the layout rules; any change in draw order or arithmetic changes them.
TEST(ReefLayout, ShippedSeedMatchesGoldenChecksums) {
    EXPECT_EQ(itemsChecksum(shipped()), 8072468546824102346ull);
    EXPECT_EQ(obstaclesChecksum(shipped()), 10797831206062688808ull);
    EXPECT_EQ(strandsChecksum(shipped().kelp), 11920576146582076572ull);
    EXPECT_EQ(strandsChecksum(shipped().seagrass), 17284141685760053564ull);
}

TEST(ReefLayout, DifferentSeedGivesDifferentReef) {
    const ReefLayout other(2027);
    EXPECT_NE(itemsChecksum(other), itemsChecksum(shipped()));
    EXPECT_NE(strandsChecksum(other.seagrass), strandsChecksum(shipped().seagrass));
    EXPECT_NE(other.terrain.height(3.0f, -3.0f), shipped().terrain.height(3.0f, -3.0f));
    // The fixed script still holds.
    EXPECT_EQ(other.itemsPerPhase[3], 80u);
    EXPECT_EQ(other.itemsPerPhase[11], 26u);
}

TEST(ReefLayout, PhaseCounts) {
    for (const std::uint32_t seed : {2026u, 1u, 77777u}) {
        const ReefLayout layout(seed);
        const auto& n = layout.itemsPerPhase;
        EXPECT_EQ(n[0], 14u);
        EXPECT_EQ(n[2], 1u);
        EXPECT_EQ(n[3], 80u) << seed;
        EXPECT_EQ(n[4], 10u);
        EXPECT_EQ(n[5], 9u + 4 + 3 + 4 + 3 + 5 + 5 + 3 + 3 + 4);  // far rocks and Int(2.2 size) corals each
        EXPECT_EQ(n[7], 7u);
        EXPECT_EQ(n[8], 0u);
        EXPECT_EQ(n[9], 7u);
        EXPECT_EQ(n[10], 4u);
        EXPECT_EQ(n[11], 26u) << seed;
        EXPECT_EQ(n[12], 0u);
        std::size_t near = 0, encrusting = 0;
        for (std::size_t i = 0; i < layout.rockAnchors.size(); ++i) {
            const float r = layout.rockAnchors[i].size;
            if (i < 14) near += static_cast<std::size_t>(static_cast<int>(r * 2.6f));
            encrusting += static_cast<std::size_t>(static_cast<int>(r * r * 4.5f));
        }
        EXPECT_EQ(n[1], near);
        EXPECT_EQ(n[6], encrusting);
        EXPECT_EQ(layout.items.size(), phaseStart(layout, ReefLayout::phaseCount));
        EXPECT_EQ(layout.kelp.size(), 48u);
        EXPECT_EQ(layout.seagrass.size(), 870u);
        EXPECT_EQ(layout.rockAnchors.size(), 23u);
    }
}

// The first rock re-derived draw by draw: jitter x, jitter z, size, then yaw, palette, seed.
TEST(ReefLayout, FirstRockFollowsTheDrawOrder) {
    lumen::SeededRandom random(2026);
    const float x = -0.8f + (random.uniform(0, 1) * 0.5f - 0.25f);
    const float z = -5.2f + (random.uniform(0, 1) * 0.5f - 0.25f);
    const float size = 2.5f * (0.92f + 0.16f * random.uniform(0, 1));
    const float yaw = 6.28f * random.uniform(0, 1);
    const int palette = static_cast<int>(random.next() % 3);
    const std::uint64_t seed = random.next();
    const ReefItem& rock = shipped().items[0];
    EXPECT_EQ(rock.kind, ReefKind::rock);
    EXPECT_EQ(rock.position, (Float3{x, shipped().height(x, z) - 0.5f * size, z}));
    EXPECT_EQ(rock.size, size);
    EXPECT_EQ(rock.yaw, yaw);
    EXPECT_EQ(rock.palette, palette);
    EXPECT_EQ(rock.seed, seed);
    EXPECT_EQ(shipped().obstacles[0].center, (rock.position + Float3{0.0f, 0.12f * size, 0.0f}));
    EXPECT_FLOAT_EQ(shipped().obstacles[0].radius, 0.92f * size);
    EXPECT_EQ(shipped().rockAnchors[0].center, rock.position);
}

TEST(ReefLayout, PhaseKindsAndPalettes) {
    const ReefLayout& layout = shipped();
    const auto& items = layout.items;
    for (std::size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(items[i].kind, ReefKind::rock);
        EXPECT_LT(items[i].palette, 3);
    }
    const ReefItem& anemone = items[phaseStart(layout, 2)];
    EXPECT_EQ(anemone.kind, ReefKind::anemone);
    EXPECT_EQ(anemone.size, 0.9f);
    EXPECT_EQ(anemone.yaw, 0.0f);
    EXPECT_EQ(layout.anemoneHome, (anemone.position + Float3{0.0f, 0.6f, 0.0f}));
    for (std::size_t i = phaseStart(layout, 6); i < phaseStart(layout, 7); ++i) {
        EXPECT_GE(items[i].palette, 0);
        EXPECT_LT(items[i].palette, 7);
    }
    const std::size_t pinnacles = phaseStart(layout, 7);
    EXPECT_EQ(items[pinnacles].kind, ReefKind::pinnacle);
    EXPECT_EQ(items[pinnacles].yaw, 9.0f);
    EXPECT_EQ(items[pinnacles + 6].size, 3.2f);
    const std::size_t foreground = phaseStart(layout, 9);
    const int palettes[] = {3, 0, 1, 4, 0, 2, 5};
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(items[foreground + i].palette, palettes[i]);
    EXPECT_EQ(items[foreground + 5].kind, ReefKind::sponge);
    const std::size_t clams = phaseStart(layout, 10);
    for (std::size_t i = clams; i < clams + 4; ++i) {
        EXPECT_EQ(items[i].kind, ReefKind::clam);
        EXPECT_GE(items[i].size, 0.55f);
        EXPECT_LT(items[i].size, 0.8f);
        EXPECT_LT(items[i].palette, 4);
    }
    // Clam obstacles close the obstacle list, centred 0.45 size up with radius 0.55 size.
    const auto& lastClam = items[clams + 3];
    EXPECT_EQ(layout.obstacles.back().center, (lastClam.position + Float3{0.0f, 0.45f * lastClam.size, 0.0f}));
    EXPECT_FLOAT_EQ(layout.obstacles.back().radius, 0.55f * lastClam.size);
    const std::size_t critters = phaseStart(layout, 11);
    for (std::size_t i = 0; i < 26; ++i) {
        EXPECT_EQ(items[critters + i].kind, i % 3 == 0 ? ReefKind::seaStar : ReefKind::mushroom) << i;
        EXPECT_LT(items[critters + i].palette, 4);
    }
}

TEST(ReefLayout, RejectionPhasesKeepClearOfTheRocks) {
    const ReefLayout& layout = shipped();
    for (std::size_t i = phaseStart(layout, 3); i < phaseStart(layout, 4); ++i) {
        const ReefItem& item = layout.items[i];
        EXPECT_LT(item.position.z, 1.5f);
        // Only the near rocks exist yet when the sand is scattered.
        for (std::size_t k = 0; k < 14; ++k) {
            const auto& rock = layout.rockAnchors[k];
            EXPECT_GE(horizontalDistance(item.position, rock.center), 0.8f * rock.size);
        }
    }
    for (std::size_t i = phaseStart(layout, 11); i < phaseStart(layout, 12); ++i) {
        const Float3 p = layout.items[i].position;
        EXPECT_GE(p.x, -11.0f);
        EXPECT_LT(p.x, 11.0f);
        EXPECT_GE(p.z, -14.0f);
        EXPECT_LT(p.z, 4.5f);
        EXPECT_FLOAT_EQ(p.y, layout.height(p.x, p.z) + 0.02f);
        for (const auto& rock : layout.rockAnchors) EXPECT_GE(horizontalDistance(p, rock.center), 1.1f * rock.size);
    }
}

TEST(ReefLayout, StrandsStayInTheirPatches) {
    const ReefLayout& layout = shipped();
    for (std::size_t i = 0; i < 13; ++i) {
        const Strand& s = layout.kelp[i];
        EXPECT_GE(s.base.x, -25.0f);
        EXPECT_LE(s.base.x, -13.0f);
        EXPECT_GE(s.base.z, -32.0f);
        EXPECT_LE(s.base.z, -22.0f);
    }
    for (const Strand& s : layout.kelp) {
        EXPECT_FLOAT_EQ(s.base.y, layout.height(s.base.x, s.base.z) - 0.2f);
        EXPECT_GE(s.height, 8.0f);
        EXPECT_LT(s.height, 13.2f);
        EXPECT_GE(s.width, 0.7f);
        EXPECT_LT(s.width, 1.15f);
        EXPECT_GE(s.tint, 0.0f);
        EXPECT_LT(s.tint, 1.0f);
    }
    for (std::size_t i = 0; i < 230; ++i) {
        const Strand& s = layout.seagrass[i];
        const float dx = (s.base.x + 5.2f) / (1.35f * 2.0f), dz = (s.base.z - 1.2f) / 2.0f;
        EXPECT_LE(dx * dx + dz * dz, 1.0001f);
        EXPECT_FLOAT_EQ(s.base.y, layout.height(s.base.x, s.base.z) - 0.04f);
    }
    for (const Strand& s : layout.seagrass) {
        EXPECT_GE(s.height, 0.22f);
        EXPECT_LT(s.height, 0.75f);
        EXPECT_GE(s.phase, 0.0f);
        EXPECT_LT(s.phase, 6.28f);
    }
}

TEST(ReefLayout, EveryItemIsInsideTheScene) {
    const ReefLayout& layout = shipped();
    for (const ReefItem& item : layout.items) {
        const Float3 p = item.position;
        ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
        EXPECT_GE(p.x, -40.0f);
        EXPECT_LE(p.x, 40.0f);
        EXPECT_GE(p.z, -56.0f);
        EXPECT_LE(p.z, 6.0f);
        // Bases sit on the ground or on a rock, never far above or below it.
        const float ground = layout.height(p.x, p.z);
        EXPECT_GE(p.y, ground - 1.5f);
        EXPECT_LE(p.y, ground + 3.0f);
        EXPECT_GT(item.size, 0.05f);
        EXPECT_LE(item.size, 4.5f);
        EXPECT_GE(static_cast<int>(item.kind), 0);
        EXPECT_LT(static_cast<int>(item.kind), lumen::reef::reefKindCount);
    }
    for (const auto& o : layout.obstacles) {
        EXPECT_GT(o.radius, 0.0f);
        EXPECT_LT(o.radius, 3.0f);
    }
    EXPECT_EQ(layout.swimBounds.min, (Float3{-24.0f, 0.3f, -30.0f}));
    EXPECT_EQ(layout.swimBounds.max, (Float3{24.0f, 11.0f, 6.5f}));
    EXPECT_TRUE(layout.swimBounds.contains(layout.anemoneHome));
}
