#include "LumenKit/testsupport/Fnv1a.hpp"
#include "LumenKit/testsupport/ShippedReef.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

using lumen::Float3;
using lumen::reef::ReefItem;
using lumen::reef::ReefKind;
using lumen::reef::ReefLayout;
using lumen::reef::Strand;
using reeftest::shippedReef;

namespace {

std::uint64_t itemsChecksum(const ReefLayout& layout) {
    reeftest::Fnv1a f;
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

std::uint64_t strandsChecksum(const std::vector<Strand>& strands) {
    reeftest::Fnv1a f;
    for (const Strand& s : strands) {
        f.add(s.base);
        f.add(s.height);
        f.add(s.width);
        f.add(s.phase);
        f.add(s.tint);
    }
    return f.hash;
}

std::size_t phaseStart(const ReefLayout& layout, std::size_t phase) {
    const auto begin = layout.itemsPerPhase.begin();
    return std::accumulate(begin, begin + static_cast<std::ptrdiff_t>(phase), std::size_t{0});
}

}  // namespace

// Golden values: computed once from this generator after checking it phase by phase against
// the layout rules; any change in draw order or arithmetic changes them.
TEST(ReefLayout, ShippedSeedMatchesGoldenChecksums) {
    EXPECT_EQ(itemsChecksum(shippedReef()), 8072468546824102346ull);
    reeftest::Fnv1a obstacles;
    for (const auto& o : shippedReef().obstacles) {
        obstacles.add(o.center);
        obstacles.add(o.radius);
    }
    obstacles.add(shippedReef().anemoneHome);
    EXPECT_EQ(obstacles.hash, 10797831206062688808ull);
    EXPECT_EQ(strandsChecksum(shippedReef().kelp), 11920576146582076572ull);
    EXPECT_EQ(strandsChecksum(shippedReef().seagrass), 17284141685760053564ull);

    const ReefLayout other(2027);
    EXPECT_NE(itemsChecksum(other), itemsChecksum(shippedReef()));
    EXPECT_NE(strandsChecksum(other.seagrass), strandsChecksum(shippedReef().seagrass));
    EXPECT_NE(other.height(3.0f, -3.0f), shippedReef().height(3.0f, -3.0f));  // the terrain noise too
}

// The script of phases is fixed; only the counts that follow the rock sizes vary with the seed.
TEST(ReefLayout, PhaseCountsFollowTheScript) {
    for (const std::uint32_t seed : {2026u, 1u, 77777u}) {
        SCOPED_TRACE(seed);
        const ReefLayout layout(seed);
        const auto& n = layout.itemsPerPhase;
        const std::size_t fixed[][2] = {{0, 14}, {2, 1}, {3, 80}, {4, 10}, {5, 43}, {7, 7}, {8, 0}, {9, 7}, {10, 4},
                                        {11, 26}, {12, 0}};
        for (const auto& [phase, count] : fixed) EXPECT_EQ(n[phase], count) << "phase " << phase;
        std::size_t near = 0, encrusting = 0;
        for (std::size_t i = 0; i < layout.rockAnchors.size(); ++i) {
            const float r = layout.rockAnchors[i].size;
            if (i < 14) near += static_cast<std::size_t>(static_cast<int>(r * 2.6f));
            encrusting += static_cast<std::size_t>(static_cast<int>(r * r * 4.5f));
        }
        EXPECT_EQ(n[1], near);
        EXPECT_EQ(n[6], encrusting);
        EXPECT_EQ(layout.items.size(), phaseStart(layout, ReefLayout::phaseCount));
        EXPECT_EQ(layout.rockAnchors.size(), 23u);
        EXPECT_EQ(layout.kelp.size(), 48u);
        EXPECT_EQ(layout.seagrass.size(), 870u);
    }
}
