#include "LumenKit/policy/AutoQuality.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace lumen {
namespace {

constexpr std::int64_t fiveK = 5120LL * 2880;     // 14,745,600
constexpr std::int64_t qhd = 2560LL * 1440;       // 3,686,400
constexpr std::int64_t fourK = 3840LL * 2160;     // 8,294,400
const SceneCost workedCost{1.0, 0.5};
const SceneCost costly{2.0, 2.0};  // about 150 % on 4K at 30 fps

// A large display that starts at full size, ready to be measured.
AutoQuality largeAtFull() {
    AutoQuality quality(fourK, 30, SceneCost{0.1, 0.0});
    EXPECT_EQ(quality.scale(), 1.0f);
    return quality;
}

TEST(AutoQuality, EstimateMatchesTheWorkedExample) {
    EXPECT_NEAR(AutoQuality::estimate(fiveK, 30, workedCost), 41.45, 0.005);
    EXPECT_DOUBLE_EQ(AutoQuality::estimate(fiveK, 30, workedCost),
                     (1.0 + 0.5 * 14.7456) * 1.65 * 30 / 10);
    EXPECT_DOUBLE_EQ(AutoQuality::estimate(2'000'000, 15, SceneCost{2.0, 0.0}), 2.0 * 1.65 * 1.5);
    EXPECT_EQ(AutoQuality::estimate(fiveK, 0, workedCost), 0.0);
}

TEST(AutoQuality, WorkedExampleStartsFiveKAtHalfAndQHDAtFull) {
    AutoQuality fiveKDisplay(fiveK, 30, workedCost);
    EXPECT_EQ(fiveKDisplay.pixels(), fiveK);
    EXPECT_EQ(fiveKDisplay.scale(), 0.5f);
    EXPECT_EQ(fiveKDisplay.overSince(), std::nullopt);

    AutoQuality qhdDisplay(qhd, 30, workedCost);
    EXPECT_EQ(qhdDisplay.scale(), 1.0f);
    for (double t = 0; t < 60; t += 2) EXPECT_EQ(qhdDisplay.update(90.0, t), 1.0f);
    EXPECT_EQ(qhdDisplay.scale(), 1.0f);
}

TEST(AutoQuality, DisplaysUpToSixMillionPixelsAlwaysStayFull) {
    for (std::int64_t pixels : {std::int64_t{0}, qhd, AutoQuality::minimumPixels}) {
        AutoQuality quality(pixels, 30, costly);
        EXPECT_EQ(quality.scale(), 1.0f) << pixels;
        for (double t = 0; t <= 20; t += 2) {
            EXPECT_EQ(quality.update(100.0, t), 1.0f);
            EXPECT_EQ(quality.overSince(), std::nullopt);
        }
    }
    EXPECT_EQ(AutoQuality::initialScale(6'000'001, 30, costly), 0.5f);
}

TEST(AutoQuality, PredictionNeedsAnEstimateAboveFifteen) {
    // Find a cost whose estimate at 6,000,001 pixels is exactly 15.0 in double arithmetic.
    const std::int64_t pixels = AutoQuality::minimumPixels + 1;
    double fixedMs = 15.0 / (1.65 * 30 / 10);
    for (int step = 0; step < 64 && AutoQuality::estimate(pixels, 30, {fixedMs, 0}) < 15.0;
         ++step) {
        fixedMs = std::nextafter(fixedMs, 100.0);
    }
    for (int step = 0; step < 64 && AutoQuality::estimate(pixels, 30, {fixedMs, 0}) > 15.0;
         ++step) {
        fixedMs = std::nextafter(fixedMs, 0.0);
    }
    ASSERT_EQ(AutoQuality::estimate(pixels, 30, {fixedMs, 0}), 15.0);
    EXPECT_EQ(AutoQuality(pixels, 30, {fixedMs, 0}).scale(), 1.0f);

    double more = fixedMs;
    while (AutoQuality::estimate(pixels, 30, {more, 0}) <= 15.0) more = std::nextafter(more, 100.0);
    EXPECT_EQ(AutoQuality(pixels, 30, {more, 0}).scale(), 0.5f);
}

TEST(AutoQuality, EightSecondsOverThresholdStepDown) {
    AutoQuality quality = largeAtFull();
    for (double t : {0.0, 2.0, 4.0, 6.0}) {
        EXPECT_EQ(quality.update(20.0, t), 1.0f) << t;
        EXPECT_EQ(quality.overSince(), 0.0);
    }
    EXPECT_EQ(quality.update(20.0, 8.0), 0.5f);
    EXPECT_EQ(quality.scale(), 0.5f);
    EXPECT_EQ(quality.overSince(), std::nullopt);
}

TEST(AutoQuality, HoldIsMeasuredFromTheFirstOverMeasurement) {
    AutoQuality quality = largeAtFull();
    EXPECT_EQ(quality.update(16.0, 100.0), 1.0f);
    EXPECT_EQ(quality.update(16.0, 107.9), 1.0f);
    EXPECT_EQ(quality.overSince(), 100.0);
    EXPECT_EQ(quality.update(16.0, 108.0), 0.5f);
}

TEST(AutoQuality, ACalmMeasurementRestartsTheWait) {
    AutoQuality quality = largeAtFull();
    EXPECT_EQ(quality.update(20.0, 0), 1.0f);
    EXPECT_EQ(quality.update(20.0, 2), 1.0f);
    EXPECT_EQ(quality.update(20.0, 4), 1.0f);
    EXPECT_EQ(quality.update(15.0, 6), 1.0f);  // exactly at the threshold is not over
    EXPECT_EQ(quality.overSince(), std::nullopt);
    EXPECT_EQ(quality.update(20.0, 8), 1.0f);
    EXPECT_EQ(quality.overSince(), 8.0);
    EXPECT_EQ(quality.update(20.0, 14), 1.0f);
    EXPECT_EQ(quality.update(20.0, 16), 0.5f);
}

TEST(AutoQuality, NeverStepsBackUp) {
    AutoQuality quality = largeAtFull();
    quality.update(50.0, 0);
    ASSERT_EQ(quality.update(50.0, 8), 0.5f);
    for (double t = 10; t < 100; t += 2) {
        EXPECT_EQ(quality.update(t < 50 ? 1.0 : 90.0, t), 0.5f);
        EXPECT_EQ(quality.overSince(), std::nullopt);
    }

    AutoQuality predicted(fiveK, 30, workedCost);
    ASSERT_EQ(predicted.scale(), 0.5f);
    EXPECT_EQ(predicted.update(20.0, 0), 0.5f);
    EXPECT_EQ(predicted.update(0.0, 30), 0.5f);
    EXPECT_EQ(predicted.overSince(), std::nullopt);
}

TEST(AutoQuality, UnreadableMeasurementCountsAsCalm) {
    AutoQuality quality = largeAtFull();
    quality.update(20.0, 0);
    EXPECT_EQ(quality.update(std::nan(""), 4), 1.0f);
    EXPECT_EQ(quality.overSince(), std::nullopt);
}

TEST(AutoQuality, EqualityCoversEveryField) {
    AutoQuality a = largeAtFull();
    AutoQuality b = largeAtFull();
    EXPECT_EQ(a, b);
    b.update(20.0, 1);
    EXPECT_NE(a, b);  // overSince
    a.update(20.0, 1);
    EXPECT_EQ(a, b);
    EXPECT_NE(AutoQuality(fourK, 30, {0.1, 0}), AutoQuality(fourK + 1, 30, {0.1, 0}));
    EXPECT_NE(AutoQuality(fourK, 30, {0.1, 0}), AutoQuality(fourK, 30, costly));  // scale
}

}  // namespace
}  // namespace lumen
