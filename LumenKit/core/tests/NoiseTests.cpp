#include "LumenKit/core/Noise.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <gtest/gtest.h>

using lumen::Float3;
namespace Noise = lumen::Noise;

// The exact values are pinned by the reef's golden checksums (terrain, sand and rocks); this
// checks the range and smoothness the builders rely on.
TEST(Noise, FillsTheUnitRangeContinuouslyPerSeed) {
    lumen::SeededRandom random(1);
    float lowest = 1, highest = 0;
    for (std::uint32_t seed = 0; seed < 20000; ++seed) {
        const Float3 q{random.uniform(-300, 300), random.uniform(-300, 300), random.uniform(-300, 300)};
        const float v = Noise::value(q, seed);
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << v;
        ASSERT_NEAR(v, Noise::value(q + Float3{1e-4f, -1e-4f, 1e-4f}, seed), 2e-3f);
        ASSERT_NE(v, Noise::value(q, seed + 1));
        ASSERT_LE(std::abs(Noise::fractal(q * 0.1f, 5, seed)), 1.0f);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_LT(lowest, 0.05f);
    EXPECT_GT(highest, 0.95f);
    EXPECT_TRUE(Noise::value(Float3{3e9f, 0.5f, -1e30f}, 1u) >= 0.0f);  // far outside the lattice
}
