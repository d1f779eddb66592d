#include "LumenKit/core/SeededRandom.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using lumen::SeededRandom;

static_assert(std::uniform_random_bit_generator<SeededRandom>);

// Golden values: the SplitMix64 stream every reef layout and fish school is drawn from.
TEST(SeededRandom, SplitMix64StreamAndUniformFromItsTopBits) {
    SeededRandom random;
    EXPECT_EQ(random.next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(random.next(), 0x6E789E6AA1B965F4ull);
    EXPECT_EQ(random.state, 2 * 0x9E3779B97F4A7C15ull);
    SeededRandom a(99), b(99);
    for (int i = 0; i < 20000; ++i) {
        const float v = a.uniform(-130.0f, 110.0f);
        ASSERT_TRUE(v >= -130.0f && v < 110.0f) << v;
        ASSERT_EQ(v, -130.0f + 240.0f * (static_cast<float>(b.next() >> 40) / 16777216.0f));  // one draw each
    }
    // This state's next draw has all top 24 bits set, so 1 + u would round up to 2.
    SeededRandom top(0x1161223A27132434ull);
    EXPECT_EQ(top.uniform(1.0f, 2.0f), std::nextafter(2.0f, 1.0f));
    // Ball points and unit vectors (fish spawns) are pinned through the fish world's checksums.
    for (int i = 0; i < 1000; ++i) {
        ASSERT_LE(length(a.insideUnitBall()), 1.0f);
        ASSERT_NEAR(length(a.unitVector()), 1.0f, 1e-6f);
    }
}
