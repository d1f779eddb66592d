#include "LumenKit/scenes/reef/DayCycle.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <date/date.h>
#include <date/tz.h>
#include <gtest/gtest.h>

#include <cmath>

namespace lumen::reef {
namespace {

TEST(DayCycle, KeysBlendedBySunElevationAndLightRefractedFromTheSun) {
    EXPECT_EQ(DayCycle::blend(-30), DayCycle::keys.front());  // the end keys hold
    EXPECT_EQ(DayCycle::blend(90), DayCycle::keys.back());
    EXPECT_EQ(DayCycle::blend(std::nan("")), DayCycle::keys.front());
    for (const DayCycle::Key& key : DayCycle::keys) EXPECT_EQ(DayCycle::blend(key.elevation), key);
    // A quarter of the way from 12 to 35 degrees the smoothstep gives 0.15625.
    const DayCycle::Key &a = DayCycle::keys[3], &b = DayCycle::keys[4];
    EXPECT_NEAR(DayCycle::blend(12 + 23 * 0.25).caustics, a.caustics + (b.caustics - a.caustics) * 0.15625f, 1e-6f);
    // At 40.7 degrees north: the June and December noons, the same elevation either side of noon.
    EXPECT_NEAR(DayCycle::sunElevation(12, 172), 90 - 40.7 + 23.43, 0.05);
    EXPECT_NEAR(DayCycle::sunElevation(12, 355), 90 - 40.7 - 23.44, 0.05);
    EXPECT_NEAR(DayCycle::sunElevation(9, 120), DayCycle::sunElevation(15, 120), 1e-9);
    EXPECT_NEAR(DayCycle::lightDirection(12, 90).y, -1.0f, 1e-6f);  // an overhead sun shines straight down
    // Below 3 degrees the light is held at the critical angle, from behind the reef at noon.
    const Float3 grazing = DayCycle::lightDirection(12, 0);
    EXPECT_EQ(grazing, DayCycle::lightDirection(12, 3));
    EXPECT_NEAR(grazing.y, -std::cos(std::asin(std::cos(3.0 * 3.14159265358979 / 180) / 1.333)), 1e-6);
    EXPECT_LT(grazing.z, 0.0f);
    EXPECT_LT(DayCycle::lightDirection(7, 20).x * DayCycle::lightDirection(17, 20).x, 0.0f);
}

TEST(DayCycle, NoonIsBrightMidnightGlowsOnTheZonesClock) {
    const auto* newYork = ::date::locate_zone("America/New_York");
    const auto midnightUTC = ::date::sys_days{::date::year{2024} / 6 / 21};
    const WaterLook noon = DayCycle::look(midnightUTC + std::chrono::hours{16}, newYork);     // 12:00 EDT
    const WaterLook midnight = DayCycle::look(midnightUTC + std::chrono::hours{4}, newYork);  // 00:00 EDT
    EXPECT_NEAR(noon.sunElevation, 72.7f, 0.2f);
    EXPECT_NEAR(midnight.sunElevation, -25.9f, 0.2f);
    EXPECT_TRUE(noon.sunColor.x > 1.3f && noon.bioluminescence == 0 && noon.caustics > midnight.caustics);
    EXPECT_TRUE(midnight.sunColor.x < 0.05f && midnight.bioluminescence == 1 && midnight.exposure == 1.9f);
    // Between the keys the look changes without a jump, through the hours of a day and across midnight.
    for (int minute = 1; minute <= 24 * 60; ++minute) {
        const WaterLook a = DayCycle::look((minute - 1) / 60.0, 300), b = DayCycle::look(minute / 60.0, 300);
        ASSERT_LT(length(a.sunColor - b.sunColor) + std::abs(a.exposure - b.exposure), 0.05f) << minute;
        ASSERT_LT(length(a.lightDirection - b.lightDirection), 0.03f) << minute;
    }
    EXPECT_LT(length(DayCycle::look(24.0, 300).lightDirection - DayCycle::look(0.0, 301).lightDirection), 0.01f);
    const SkyState::Instant date = midnightUTC + std::chrono::minutes{17 * 60 + 30};
    const SkyState sky = SkyClock::state(date, std::nullopt, newYork);
    EXPECT_EQ(DayCycle::look(date, newYork), DayCycle::look(sky.hour, sky.dayOfYear));
    EXPECT_EQ(DayCycle::look(date, nullptr), DayCycle::look(17.5, 173));  // no zone: the UTC clock
}

}  // namespace
}  // namespace lumen::reef
