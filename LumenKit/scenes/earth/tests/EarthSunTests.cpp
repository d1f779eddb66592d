#include "LumenKit/scenes/earth/EarthSun.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <date/date.h>
#include <gtest/gtest.h>

#include <cmath>

namespace lumen::earth {

namespace {

SkyState::Instant utc(int y, unsigned m, unsigned d, int h, int min = 0) {
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} + std::chrono::hours{h} +
           std::chrono::minutes{min};
}

}  // namespace

// Equinox noon is just east of Greenwich (the sun runs 7 minutes late), midnight near the date
// line. The sky clock, asked about the subsolar point, puts the sun overhead there, and on the horizon
// a quarter turn east and west along the equator: the terminator crosses the equator where it must.
TEST(EarthSun, SubsolarPointAgreesWithTheSkyClock) {
    struct Case {
        SkyState::Instant date;
        double latitude, longitude, tolerance;
    };
    const Case cases[] = {{utc(2024, 3, 20, 12), 0, 1.8, 0.5},
                          {utc(2024, 3, 20, 0), 0, -178.1, 0.5},
                          {utc(2026, 12, 7, 3, 30), -22.6, 125.2, 0.5},
                          {utc(2025, 6, 21, 18, 45), 23.4, -100.8, 0.5}};
    for (const auto& c : cases) {
        const auto point = EarthSun::subsolarPoint(c.date);
        EXPECT_NEAR(point.latitude, c.latitude, c.tolerance);
        EXPECT_NEAR(point.longitude, c.longitude, c.tolerance);
        EXPECT_GT(point.longitude, -180.0);
        EXPECT_LE(point.longitude, 180.0);
        EXPECT_NEAR(SkyClock::sunPosition(c.date, point.latitude, point.longitude).elevation, 90.0, 0.1);
        for (const double side : {-90.0, 90.0}) {
            const double lon = point.longitude + side;
            EXPECT_NEAR(SkyClock::sunPosition(c.date, 0, lon > 180 ? lon - 360 : lon).elevation, 0.0, 0.1);
        }
        const Float3 sun = EarthSun::direction(c.date);
        const Float3 expected = EarthSun::direction(point.latitude, point.longitude);
        EXPECT_EQ(sun, expected);
        EXPECT_NEAR(length(sun), 1.0f, 1e-6f);
    }
    const Float3 east = EarthSun::direction(0, 90);
    EXPECT_NEAR(east.y, 1.0f, 1e-7f);
    EXPECT_NEAR(EarthSun::direction(90, 0).z, 1.0f, 1e-7f);
}

}  // namespace lumen::earth
