#include "LumenKit/core/Noise.hpp"
#include "LumenKit/core/SeededRandom.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

using lumen::Float2;
using lumen::Float3;
namespace Noise = lumen::Noise;

namespace {

// The corner hash written out term by term, independent of the library's factoring.
float cornerHash(std::int32_t ix, std::int32_t iy, std::int32_t iz, std::uint32_t dx, std::uint32_t dy,
                 std::uint32_t dz, std::uint32_t seed) {
    const auto x = static_cast<std::uint32_t>(ix), y = static_cast<std::uint32_t>(iy), z = static_cast<std::uint32_t>(iz);
    std::uint32_t h = (x * 0x8DA6B343u + dx * 0x8DA6B343u) ^ (y * 0xD8163841u + dy * 0xD8163841u) ^
                      (z * 0xCB1AB31Fu + dz * 0xCB1AB31Fu) ^ (seed * 0x165667B1u);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h & 0xFFFFFFu) / 16777215.0f;
}

float smooth(float f) { return f * f * (3.0f - 2.0f * f); }

// Trilinear blend of the eight corner hashes with smoothstep weights.
double reference(Float3 q, std::uint32_t seed) {
    const double fx = std::floor(q.x), fy = std::floor(q.y), fz = std::floor(q.z);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy), iz = static_cast<std::int32_t>(fz);
    const double u[3] = {smooth(q.x - static_cast<float>(fx)), smooth(q.y - static_cast<float>(fy)),
                         smooth(q.z - static_cast<float>(fz))};
    double sum = 0;
    for (int dz = 0; dz < 2; ++dz)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) {
                const double w = (dx ? u[0] : 1 - u[0]) * (dy ? u[1] : 1 - u[1]) * (dz ? u[2] : 1 - u[2]);
                sum += w * cornerHash(ix, iy, iz, static_cast<std::uint32_t>(dx), static_cast<std::uint32_t>(dy),
                                        static_cast<std::uint32_t>(dz), seed);
            }
    return sum;
}

}  // namespace

TEST(Noise, LatticePointsGiveTheCornerHashExactly) {
    const std::int32_t points[][3] = {{0, 0, 0}, {1, 2, 3}, {-1, -1, -1}, {-7, 4, 12}, {1000, -2000, 30}, {5, -3, -8}};
    for (const std::uint32_t seed : {0u, 4u, 17u, 0xFFFFFFFFu}) {
        for (const auto& p : points) {
            const Float3 q{static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
            EXPECT_EQ(Noise::value(q, seed), cornerHash(p[0], p[1], p[2], 0, 0, 0, seed))
                << p[0] << "," << p[1] << "," << p[2] << " seed " << seed;
        }
    }
}

TEST(Noise, BlendsCornersWithSmoothWeightsIncludingNegativeCells) {
    const Float3 points[] = {{0.25f, 0.5f, 0.75f}, {-0.5f, -1.5f, -2.25f}, {-3.9f, 2.1f, -0.01f}, {17.3f, -40.6f, 5.5f}};
    for (const Float3 q : points) {
        EXPECT_NEAR(Noise::value(q, 9u), reference(q, 9u), 2e-6) << q.x << "," << q.y << "," << q.z;
    }
}

TEST(Noise, ContinuousAcrossCellBorders) {
    const float e = 1e-4f;
    const Float3 borders[] = {{3.0f, 0.37f, -1.6f}, {0.42f, -2.0f, 7.7f}, {-5.5f, 1.25f, 0.0f}, {-1.0f, -1.0f, -1.0f}};
    for (const Float3 b : borders) {
        for (const Float3 axis : {Float3{1, 0, 0}, Float3{0, 1, 0}, Float3{0, 0, 1}}) {
            const float below = Noise::value(b - axis * e, 3u);
            const float above = Noise::value(b + axis * e, 3u);
            EXPECT_NEAR(below, above, 1e-3f);
        }
    }
}

TEST(Noise, StaysInUnitRangeAndVaries) {
    lumen::SeededRandom random(1);
    float lowest = 1, highest = 0;
    for (int i = 0; i < 20000; ++i) {
        const Float3 q{random.uniform(-300, 300), random.uniform(-300, 300), random.uniform(-300, 300)};
        const float v = Noise::value(q, static_cast<std::uint32_t>(i));
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_LT(lowest, 0.05f);
    EXPECT_GT(highest, 0.95f);
}

TEST(Noise, HugeAndNonFiniteInputsAreSafe) {
    for (const float big : {3e9f, -3e9f, 1e30f, -1e30f}) {
        const float v = Noise::value(Float3{big, 0.5f, -big}, 1u);
        EXPECT_GE(v, 0.0f);
        EXPECT_LE(v, 1.0f);
    }
    EXPECT_TRUE(std::isnan(Noise::value(Float3{std::numeric_limits<float>::quiet_NaN(), 0, 0}, 1u)));
}

TEST(Noise, TwoDimensionalIsTheMiddleSliceOfThree) {
    for (const Float2 p : {Float2{0.3f, 0.9f}, Float2{-12.5f, 4.25f}, Float2{7.0f, -3.0f}}) {
        EXPECT_EQ(Noise::value(p, 21u), Noise::value(Float3{p.x, 0.5f, p.y}, 21u));
    }
}

TEST(Noise, FractalOfOneOctaveIsRescaledValue) {
    for (const Float3 q : {Float3{0.2f, 0.3f, 0.4f}, Float3{-8.1f, 2.0f, 6.6f}, Float3{1, 2, 3}}) {
        EXPECT_EQ(Noise::fractal(q, 1, 91u), 2.0f * Noise::value(q, 91u) - 1.0f);
    }
}

TEST(Noise, FractalOctavesDoubleFrequencyAndStepTheSeed) {
    const Float3 q{1.3f, -0.4f, 2.2f};
    const float first = 2.0f * Noise::value(q, 7u) - 1.0f;
    const float second = 2.0f * Noise::value(q * 2.03f, 8u) - 1.0f;
    const float third = 2.0f * Noise::value(q * 2.03f * 2.03f, 9u) - 1.0f;
    EXPECT_NEAR(Noise::fractal(q, 2, 7u), (0.5f * first + 0.25f * second) / 0.75f, 1e-6f);
    EXPECT_NEAR(Noise::fractal(q, 3, 7u), (0.5f * first + 0.25f * second + 0.125f * third) / 0.875f, 1e-6f);
}

TEST(Noise, FractalRangeAndZeroOctaves) {
    lumen::SeededRandom random(4);
    for (int i = 0; i < 5000; ++i) {
        const Float3 q{random.uniform(-50, 50), random.uniform(-50, 50), random.uniform(-50, 50)};
        const float v = Noise::fractal(q, 5, 3u);
        ASSERT_GE(v, -1.0f);
        ASSERT_LE(v, 1.0f);
    }
    EXPECT_TRUE(std::isnan(Noise::fractal(Float3{1, 2, 3}, 0, 3u)));
}
