#include "LumenKit/sky/SkyState.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace lumen {
namespace {

void expectNear(Float3 actual, Float3 expected, float tolerance = 1e-6f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(SkyStateDirection, CardinalPointsRelativeToFacing) {
    for (double facing : {0.0, 90.0, 180.0, 250.0}) {
        SCOPED_TRACE(facing);
        expectNear(SkyState::direction(facing, 0, facing), {0, 0, -1});       // ahead
        expectNear(SkyState::direction(facing + 90, 0, facing), {1, 0, 0});   // right
        expectNear(SkyState::direction(facing - 90, 0, facing), {-1, 0, 0});  // left
        expectNear(SkyState::direction(facing + 180, 0, facing), {0, 0, 1});  // behind
        expectNear(SkyState::direction(facing + 33, 90, facing), {0, 1, 0});  // zenith
        expectNear(SkyState::direction(facing, -90, facing), {0, -1, 0});     // nadir
    }
}

TEST(SkyStateDirection, ElevatedBodyAheadAndUnitLength) {
    // Straight ahead at 30 degrees: (0, sin e, -cos e).
    expectNear(SkyState::direction(180, 30, 180), {0, 0.5f, -std::sqrt(3.0f) / 2});
    // Facing north, a body in the east at 45 degrees sits up and to the right.
    const Float3 east = SkyState::direction(90, 45, 0);
    expectNear(east, {std::sqrt(0.5f), std::sqrt(0.5f), 0});
    for (double az = 0; az < 360; az += 37)
        for (double el = -80; el <= 80; el += 23)
            EXPECT_NEAR(length(SkyState::direction(az, el, 123)), 1.0f, 1e-6f);
}

TEST(SkyStateDirection, SunAndMoonUseTheirOwnFields) {
    SkyState sky;
    sky.sunAzimuth = 270;
    sky.sunElevation = 0;
    sky.moonAzimuth = 90;
    sky.moonElevation = 60;
    expectNear(sky.sunDirection(180), {1, 0, 0});  // facing south, west is to the right
    expectNear(sky.moonDirection(90), {0, std::sqrt(3.0f) / 2, -0.5f});
}

TEST(SkyStateDaylight, RampPoints) {
    SkyState sky;
    const std::pair<float, float> cases[] = {
        {-40, 0}, {-10, 0}, {-1, 0.5f}, {8, 1}, {30, 1}, {90, 1}};
    for (auto [elevation, expected] : cases) {
        sky.sunElevation = elevation;
        EXPECT_NEAR(sky.daylight(), expected, 1e-6f) << elevation;
    }
    // Smoothstep, not a straight line: a quarter of the way up gives 0.15625.
    sky.sunElevation = -10 + 18 * 0.25f;
    EXPECT_NEAR(sky.daylight(), 0.15625f, 1e-6f);
}

TEST(SkyStateDaylight, RisesMonotonically) {
    SkyState sky;
    float previous = -1;
    for (float e = -12; e <= 10; e += 0.5f) {
        sky.sunElevation = e;
        EXPECT_GE(sky.daylight(), previous) << e;
        previous = sky.daylight();
    }
}

TEST(SkyStateEquality, ComparesEveryFieldAndTheInstant) {
    SkyState a;
    a.date = SkyState::Instant{std::chrono::duration<double>{1.7e9}};
    a.sunElevation = 12;
    SkyState b = a;
    EXPECT_EQ(a, b);
    b.date += std::chrono::duration<double>{0.5};
    EXPECT_NE(a, b);
    b = a;
    b.longitude = 1e-9;
    EXPECT_NE(a, b);
    // A system clock time point names the same instant.
    SkyState c = a;
    c.date = std::chrono::system_clock::time_point{std::chrono::seconds{1'700'000'000}};
    EXPECT_EQ(a, c);
}

}  // namespace
}  // namespace lumen
