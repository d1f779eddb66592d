#include "LumenKit/scenes/koi/KoiPond.hpp"
#include "LumenKit/scenes/koi/KoiSeason.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

namespace lumen::koi {
namespace {

constexpr float halfWidth = 16.0f / 9.0f;

TEST(KoiSeasonTest, NamedSeasonsWinAndTheDateFollowsTheHemisphere) {
    using Option = std::optional<std::string>;
    const std::tuple<Option, int, double, KoiSeason> cases[] = {
        {"date", 59, 50, KoiSeason::winter},   {"date", 60, 50, KoiSeason::spring},
        {"date", 151, 50, KoiSeason::spring},  {"date", 152, 50, KoiSeason::summer},
        {std::nullopt, 244, 0, KoiSeason::autumn}, {"date", 335, 50, KoiSeason::winter},
        {"date", 200, -33, KoiSeason::winter}, {"date", 100, -33, KoiSeason::autumn},
        {"summer", 10, -33, KoiSeason::summer}, {"autumn", 100, 50, KoiSeason::autumn},
        {"monsoon", 300, 50, KoiSeason::autumn},
    };
    for (const auto& [option, day, latitude, season] : cases) {
        EXPECT_EQ(resolveSeason(option, day, latitude), season) << option.value_or("-") << " " << day;
    }
}

// The first fish takes the generator's first eight draws in order; the generator continues after
// the ninth fish's.
TEST(KoiPondTest, CreationDrawsEightValuesPerFish) {
    const KoiPond pond(21, halfWidth);
    SeededRandom rng(21);
    float r[8];
    for (float& v : r) v = rng.uniform(0, 1);
    const Koi& first = pond.fish[0];
    EXPECT_FLOAT_EQ(first.spine[0].x, -0.7f * halfWidth + r[0] * 1.4f * halfWidth);
    EXPECT_FLOAT_EQ(first.spine[0].y, r[1] * 1.4f - 0.7f);
    EXPECT_FLOAT_EQ(first.length, (r[3] * 0.16f + 0.34f) * 1.15f);
    EXPECT_FLOAT_EQ(first.depth, r[5] * 0.55f + 0.05f);
    EXPECT_FLOAT_EQ(first.seed, r[7]);
    EXPECT_NEAR(length(first.spine[7] - first.spine[0]), first.length, 1e-5);
    ASSERT_EQ(pond.fish.size(), 9u);
    for (int i = 0; i < 64; ++i) rng.next();
    EXPECT_EQ(pond.rng.state, rng.state);
    EXPECT_EQ(pond.fish[5].pattern, 4);
    EXPECT_EQ(pond.fish[7].pattern, 5);
}

TEST(KoiPondTest, StepsAreClampedAndZeroDoesNothing) {
    KoiPond pond(21, halfWidth);
    const auto before = pond.rng.state;
    pond.step(0, std::nullopt, 1, 0);
    EXPECT_EQ(pond.time, 0);
    EXPECT_EQ(pond.rng.state, before);
    pond.step(0.25, std::nullopt, 0, 0);
    EXPECT_DOUBLE_EQ(pond.time, 0.1);
}

TEST(KoiPondTest, RainRingsNineDropsASecondAndKeepsAtMostFourteen) {
    KoiPond pond(21, halfWidth);
    for (Koi& koi : pond.fish) koi.depth = 0.9f;  // no rising fish
    for (int i = 0; i < 60; ++i) pond.step(1.0 / 60.0, std::nullopt, 1, 0);
    EXPECT_EQ(pond.ripples.size(), 9u);
    for (const Ripple& r : pond.ripples) {
        EXPECT_LE(std::abs(r.position.x), halfWidth);
        EXPECT_TRUE(r.strength >= 0.3f && r.strength < 0.7f);
    }
    for (int i = 0; i < 60; ++i) {
        pond.step(1.0 / 60.0, std::nullopt, 1, 0);
        EXPECT_LE(pond.ripples.size(), 14u);
    }
    EXPECT_EQ(pond.ripples.size(), 14u);
    EXPECT_GT(pond.ripples.front().born, 0.4);  // the oldest went first
}

// A fish heading straight at each wall turns back in; no head ever leaves the pond.
TEST(KoiPondTest, FishTurnBackAtTheWalls) {
    for (const float heading : {0.0f, 0.5f * std::numbers::pi_v<float>, std::numbers::pi_v<float>, -0.5f}) {
        KoiPond pond(21, halfWidth);
        pond.fish.resize(1);
        Koi& koi = pond.fish[0];
        koi.heading = heading;
        for (auto& point : koi.spine) point = {0, 0};
        float reachX = 0, reachY = 0;
        for (int i = 0; i < 3000; ++i) {
            pond.step(0.1, std::nullopt, 0, 0);
            reachX = std::max(reachX, std::abs(koi.spine[0].x));
            reachY = std::max(reachY, std::abs(koi.spine[0].y));
        }
        // It turns well before the clamp at 0.97 would hold it.
        EXPECT_LT(reachX, 0.92f * halfWidth) << heading;
        EXPECT_LT(reachY, 0.92f) << heading;
        EXPECT_GT(std::max(reachX, reachY), 0.6f) << heading;
    }
}

}  // namespace
}  // namespace lumen::koi
