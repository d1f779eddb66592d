#include "LumenKit/policy/AutoQuality.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>

namespace lumen {
namespace {

constexpr std::int64_t fiveK = 5120LL * 2880;  // 14,745,600
constexpr std::int64_t qhd = 2560LL * 1440;    // 3,686,400
constexpr std::int64_t fourK = 3840LL * 2160;
const SceneCost workedCost{1.0, 0.5};
const SceneCost costly{2.0, 2.0};  // about 150 % on 4K at 30 fps

TEST(AutoQuality, PredictionFromTheWorkedExample) {
    EXPECT_NEAR(AutoQuality::estimate(fiveK, 30, workedCost), 41.45, 0.005);
    EXPECT_EQ(AutoQuality::estimate(fiveK, 0, workedCost), 0.0);
    EXPECT_EQ(AutoQuality(fiveK, 30, workedCost).scale(), 0.5f);
    EXPECT_EQ(AutoQuality(qhd, 30, workedCost).scale(), 1.0f);
    // Up to six million pixels a display stays full whatever it costs or measures.
    for (std::int64_t pixels : {std::int64_t{0}, qhd, AutoQuality::minimumPixels}) {
        AutoQuality quality(pixels, 30, costly);
        EXPECT_EQ(quality.scale(), 1.0f) << pixels;
        for (double t = 0; t <= 20; t += 2) EXPECT_EQ(quality.update(100.0, t), 1.0f) << pixels;
        EXPECT_EQ(quality.overSince(), std::nullopt);
    }
    EXPECT_EQ(AutoQuality::initialScale(AutoQuality::minimumPixels + 1, 30, costly), 0.5f);
}

TEST(AutoQuality, PredictionNeedsAnEstimateAboveFifteen) {
    // Find the cost whose estimate at 6,000,001 pixels is exactly 15.0 in double arithmetic.
    const std::int64_t pixels = AutoQuality::minimumPixels + 1;
    const auto estimate = [&](double fixedMs) { return AutoQuality::estimate(pixels, 30, {fixedMs, 0}); };
    double fixedMs = 15.0 / (1.65 * 30 / 10);
    for (int step = 0; step < 64 && estimate(fixedMs) < 15.0; ++step) fixedMs = std::nextafter(fixedMs, 100.0);
    for (int step = 0; step < 64 && estimate(fixedMs) > 15.0; ++step) fixedMs = std::nextafter(fixedMs, 0.0);
    ASSERT_EQ(estimate(fixedMs), 15.0);
    EXPECT_EQ(AutoQuality(pixels, 30, {fixedMs, 0}).scale(), 1.0f);
    while (estimate(fixedMs) <= 15.0) fixedMs = std::nextafter(fixedMs, 100.0);
    EXPECT_EQ(AutoQuality(pixels, 30, {fixedMs, 0}).scale(), 0.5f);
}

// Measurements on a large display that starts at full size: eight seconds of load over 15 %,
// counted from the first such measurement and restarted by any calm one, step it down.
TEST(AutoQuality, StepsDownAfterEightSecondsOverTheThreshold) {
    struct Measurement {
        double busy, time;
        float scale;
        std::optional<double> overSince;
    };
    const Measurement script[] = {
        {20, 0, 1, 0},     {20, 4, 1, 0},
        {15, 6, 1, {}},  // exactly at the threshold is not over
        {20, 8, 1, 8},     {std::nan(""), 10, 1, {}},  // an unreadable measurement counts as calm
        {16, 100, 1, 100}, {16, 107.9, 1, 100},        {16, 108, 0.5f, {}},
        {1, 110, 0.5f, {}}, {90, 120, 0.5f, {}},  // never steps back up, never waits again
        {90, 200, 0.5f, {}},
    };
    AutoQuality quality(fourK, 30, SceneCost{0.1, 0.0});
    ASSERT_EQ(quality.scale(), 1.0f);
    for (const Measurement& m : script) {
        SCOPED_TRACE(testing::Message() << m.busy << " % at " << m.time << " s");
        EXPECT_EQ(quality.update(m.busy, m.time), m.scale);
        EXPECT_EQ(quality.scale(), m.scale);
        EXPECT_EQ(quality.overSince(), m.overSince);
    }
}

}  // namespace
}  // namespace lumen
