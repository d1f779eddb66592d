#include "LumenKit/scenes/reef/DayCycle.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <date/date.h>
#include <date/tz.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumen::reef {
namespace {

SkyState::Instant utc(int y, unsigned m, unsigned d, int h = 0, int min = 0) {
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} +
           std::chrono::hours{h} + std::chrono::minutes{min};
}

float maxDifference(Float3 a, Float3 b) {
    return std::max({std::abs(a.x - b.x), std::abs(a.y - b.y), std::abs(a.z - b.z)});
}

TEST(DayCycle, KeysRiseInElevation) {
    ASSERT_EQ(DayCycle::keys.size(), 6u);
    for (std::size_t i = 1; i < DayCycle::keys.size(); ++i) {
        EXPECT_LT(DayCycle::keys[i - 1].elevation, DayCycle::keys[i].elevation);
        // Brighter sun, less glow and less exposure as the sun climbs.
        EXPECT_GE(DayCycle::keys[i - 1].exposure, DayCycle::keys[i].exposure);
        EXPECT_GE(DayCycle::keys[i - 1].glow, DayCycle::keys[i].glow);
    }
    EXPECT_EQ(DayCycle::keys.front().elevation, -18.0f);
    EXPECT_EQ(DayCycle::keys.back().elevation, 70.0f);
    EXPECT_EQ(DayCycle::keys[3].sun, (Float3{1.15f, 0.95f, 0.72f}));
}

TEST(DayCycle, BlendHoldsTheEndKeysAndHitsEveryKey) {
    EXPECT_EQ(DayCycle::blend(-30), DayCycle::keys.front());
    EXPECT_EQ(DayCycle::blend(90), DayCycle::keys.back());
    EXPECT_EQ(DayCycle::blend(std::nan("")), DayCycle::keys.front());
    for (const DayCycle::Key& key : DayCycle::keys) EXPECT_EQ(DayCycle::blend(key.elevation), key);
}

TEST(DayCycle, BlendIsSmoothstepBetweenKeys) {
    const DayCycle::Key& a = DayCycle::keys[3];  // 12 degrees
    const DayCycle::Key& b = DayCycle::keys[4];  // 35 degrees
    // Half way the smoothstep is exactly one half.
    const DayCycle::Key mid = DayCycle::blend(23.5);
    EXPECT_NEAR(mid.exposure, (a.exposure + b.exposure) / 2, 1e-6f);
    EXPECT_NEAR(mid.sun.y, (a.sun.y + b.sun.y) / 2, 1e-6f);
    // A quarter of the way: 0.25^2 * (3 - 0.5) = 0.15625.
    const DayCycle::Key quarter = DayCycle::blend(12 + 23 * 0.25);
    EXPECT_NEAR(quarter.caustics, a.caustics + (b.caustics - a.caustics) * 0.15625f, 1e-6f);
    EXPECT_NEAR(quarter.ambTop.z, a.ambTop.z + (b.ambTop.z - a.ambTop.z) * 0.15625f, 1e-6f);
}

TEST(DayCycle, BlendIsContinuousAcrossElevations) {
    DayCycle::Key previous = DayCycle::blend(-25);
    for (double e = -25; e <= 80; e += 0.01) {
        const DayCycle::Key k = DayCycle::blend(e);
        ASSERT_LT(maxDifference(k.sun, previous.sun), 0.002f) << e;
        ASSERT_LT(maxDifference(k.surface, previous.surface), 0.002f) << e;
        ASSERT_LT(std::abs(k.exposure - previous.exposure), 0.002f) << e;
        ASSERT_LT(std::abs(k.glow - previous.glow), 0.002f) << e;
        previous = k;
    }
}

TEST(DayCycle, SunElevationAtTheSolsticesAndEquinox) {
    // Declination about +23.4 in late June, -23.4 in late December, ~0 in late March.
    EXPECT_NEAR(DayCycle::sunElevation(12, 172), 90 - 40.7 + 23.43, 0.05);
    EXPECT_NEAR(DayCycle::sunElevation(0, 172), -(90 - 40.7 - 23.43), 0.05);
    EXPECT_NEAR(DayCycle::sunElevation(12, 355), 90 - 40.7 - 23.44, 0.05);
    EXPECT_NEAR(DayCycle::sunElevation(12, 81), 90 - 40.7, 0.5);
    // Symmetric about noon; 15 degrees of hour angle per hour.
    EXPECT_NEAR(DayCycle::sunElevation(9, 120), DayCycle::sunElevation(15, 120), 1e-9);
    EXPECT_NEAR(DayCycle::sunElevation(6, 81, 0), 0.0, 0.6);
}

TEST(DayCycle, LightComesDownRefractedTowardsTheSun) {
    // An overhead sun shines straight down.
    const Float3 overhead = DayCycle::lightDirection(12, 90);
    EXPECT_NEAR(overhead.y, -1.0f, 1e-6f);
    // A grazing sun enters the water at the critical angle (about 48.6 degrees off vertical).
    const Float3 grazing = DayCycle::lightDirection(12, 0);
    EXPECT_EQ(grazing, DayCycle::lightDirection(12, 3));
    const double theta = std::asin(std::cos(3.0 * std::numbers::pi / 180) / 1.333);
    EXPECT_NEAR(grazing.y, -std::cos(theta), 1e-6);
    EXPECT_NEAR(grazing.x, 0.0f, 1e-6f);
    EXPECT_LT(grazing.z, 0.0f);  // noon: from behind the reef
    // Morning and evening light come from opposite sides.
    EXPECT_LT(DayCycle::lightDirection(7, 20).x * DayCycle::lightDirection(17, 20).x, 0.0f);
    for (double h = 0; h < 24; h += 0.37) {
        const Float3 d = DayCycle::lightDirection(h, DayCycle::sunElevation(h, 200));
        EXPECT_NEAR(length(d), 1.0f, 1e-5f);
        EXPECT_LT(d.y, -0.6f);
    }
}

TEST(DayCycle, NoonIsBrightMidnightGlows) {
    const auto* newYork = ::date::locate_zone("America/New_York");
    const WaterLook noon = DayCycle::look(utc(2024, 6, 21, 16), newYork);      // 12:00 EDT
    const WaterLook midnight = DayCycle::look(utc(2024, 6, 21, 4), newYork);   // 00:00 EDT
    EXPECT_NEAR(noon.sunElevation, 72.7f, 0.2f);
    EXPECT_NEAR(midnight.sunElevation, -25.9f, 0.2f);
    EXPECT_GT(noon.sunColor.x, 1.3f);
    EXPECT_LT(midnight.sunColor.x, 0.05f);
    EXPECT_LT(noon.exposure, midnight.exposure);
    EXPECT_EQ(midnight.exposure, 1.9f);
    EXPECT_EQ(midnight.bioluminescence, 1.0f);
    EXPECT_EQ(noon.bioluminescence, 0.0f);
    EXPECT_GT(noon.caustics, midnight.caustics);
    EXPECT_GT(noon.godRays, midnight.godRays);
    EXPECT_LT(noon.lightDirection.y, -0.9f);
}

TEST(DayCycle, LookUsesTheLocalClockOfTheZone) {
    const auto date = utc(2024, 3, 10, 17, 30);
    const auto* tokyo = ::date::locate_zone("Asia/Tokyo");
    const auto* newYork = ::date::locate_zone("America/New_York");
    const SkyState sky = SkyClock::state(date, std::nullopt, newYork);
    EXPECT_EQ(DayCycle::look(date, newYork), DayCycle::look(sky.hour, sky.dayOfYear));
    EXPECT_NE(DayCycle::look(date, newYork), DayCycle::look(date, tokyo));
    // No zone: the UTC clock.
    EXPECT_EQ(DayCycle::look(date, nullptr), DayCycle::look(17.5, 70));
}

TEST(DayCycle, LookChangesSmoothlyThroughTheDayAndAcrossMidnight) {
    for (const std::int64_t day : {20, 172, 300}) {
        WaterLook previous = DayCycle::look(0.0, day);
        for (int minute = 1; minute <= 24 * 60; ++minute) {
            const WaterLook w = DayCycle::look(minute / 60.0, day);
            ASSERT_LT(maxDifference(w.sunColor, previous.sunColor), 0.05f) << day << " " << minute;
            ASSERT_LT(maxDifference(w.deepColor, previous.deepColor), 0.01f);
            ASSERT_LT(maxDifference(w.lightDirection, previous.lightDirection), 0.02f);
            ASSERT_LT(std::abs(w.exposure - previous.exposure), 0.02f);
            ASSERT_LT(std::abs(w.bioluminescence - previous.bioluminescence), 0.05f);
            previous = w;
        }
        // The end of one day meets the start of the next.
        const WaterLook late = DayCycle::look(23.999, day);
        const WaterLook early = DayCycle::look(0.0, day + 1);
        EXPECT_LT(maxDifference(late.lightDirection, early.lightDirection), 0.01f);
        EXPECT_NEAR(late.exposure, early.exposure, 0.01f);
    }
}

}  // namespace
}  // namespace lumen::reef
