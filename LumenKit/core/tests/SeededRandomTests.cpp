#include "LumenKit/core/SeededRandom.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

using lumen::Float3;
using lumen::SeededRandom;

static_assert(std::uniform_random_bit_generator<SeededRandom>);

TEST(SeededRandom, SplitMix64StreamFromStateZero) {
    SeededRandom random;
    EXPECT_EQ(random.next(), 0xE220A8397B1DCDAFull);
    EXPECT_EQ(random.next(), 0x6E789E6AA1B965F4ull);
    EXPECT_EQ(random.state, 2 * 0x9E3779B97F4A7C15ull);
}

TEST(SeededRandom, StandardShuffleIsReproducible) {
    std::vector<int> first(20), second(20);
    std::iota(first.begin(), first.end(), 0);
    second = first;
    SeededRandom a(7), b(7);
    std::shuffle(first.begin(), first.end(), a);
    std::shuffle(second.begin(), second.end(), b);
    EXPECT_EQ(first, second);
    EXPECT_EQ(a.state, b.state);
}

TEST(SeededRandom, UniformUsesTopTwentyFourBitsOfOneDraw) {
    SeededRandom random(2026), reference(2026);
    for (int i = 0; i < 1000; ++i) {
        const float u = random.uniform(0.0f, 1.0f);
        const std::uint64_t bits = reference.next() >> 40;
        EXPECT_EQ(u * 16777216.0f, static_cast<float>(bits));
        EXPECT_EQ(random.state, reference.state);
    }
}

TEST(SeededRandom, UniformStaysInHalfOpenRange) {
    SeededRandom random(99);
    float lowest = 1e9f, highest = -1e9f;
    for (int i = 0; i < 20000; ++i) {
        const float v = random.uniform(-130.0f, 110.0f);
        ASSERT_GE(v, -130.0f);
        ASSERT_LT(v, 110.0f);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    // The draws spread over the whole range, not a corner of it.
    EXPECT_LT(lowest, -125.0f);
    EXPECT_GT(highest, 105.0f);
}

TEST(SeededRandom, UniformNeverReturnsUpperBoundWhenRoundingWouldReachIt) {
    // This state's next output has all top 24 bits set, so u = 1 - 2^-24 and 1 + u rounds to 2.
    SeededRandom probe(0x1161223A27132434ull);
    EXPECT_EQ(probe.next() >> 40, 0xFFFFFFull);

    SeededRandom random(0x1161223A27132434ull);
    const float v = random.uniform(1.0f, 2.0f);
    EXPECT_LT(v, 2.0f);
    EXPECT_EQ(v, std::nextafter(2.0f, 1.0f));
}

TEST(SeededRandom, InsideUnitBallMatchesRejectionOverThreeDraws) {
    SeededRandom random(11), reference(11);
    for (int i = 0; i < 500; ++i) {
        const Float3 p = random.insideUnitBall();
        Float3 expected;
        for (;;) {
            const float x = 2.0f * static_cast<float>(reference.next() >> 40) / 16777216.0f - 1.0f;
            const float y = 2.0f * static_cast<float>(reference.next() >> 40) / 16777216.0f - 1.0f;
            const float z = 2.0f * static_cast<float>(reference.next() >> 40) / 16777216.0f - 1.0f;
            if (x * x + y * y + z * z <= 1.0f) {
                expected = {x, y, z};
                break;
            }
        }
        ASSERT_EQ(p, expected);
        ASSERT_EQ(random.state, reference.state);
        ASSERT_LE(dot(p, p), 1.0f);
    }
}

TEST(SeededRandom, UnitVectorsAreUnitAndCoverAllDirections) {
    SeededRandom random(5);
    int octants[8] = {};
    Float3 mean{};
    const int count = 4000;
    for (int i = 0; i < count; ++i) {
        const Float3 v = random.unitVector();
        ASSERT_NEAR(length(v), 1.0f, 1e-6f);
        ++octants[(v.x > 0 ? 1 : 0) + (v.y > 0 ? 2 : 0) + (v.z > 0 ? 4 : 0)];
        mean += v;
    }
    for (const int n : octants) EXPECT_GT(n, count / 16);
    EXPECT_LT(length(mean / static_cast<float>(count)), 0.05f);
}

TEST(SeededRandom, UnitVectorIsTheNormalisedBallPoint) {
    SeededRandom random(8), reference(8);
    for (int i = 0; i < 200; ++i) {
        Float3 p = reference.insideUnitBall();
        while (length(p) <= 0.05f) p = reference.insideUnitBall();
        ASSERT_EQ(random.unitVector(), p / length(p));
    }
}
