#include "LumenKit/sky/SkyClock.hpp"

#include "LumenKit/sky/CelestialFrame.hpp"

#include <date/date.h>
#include <date/tz.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumen {
namespace {

// Expected positions below come from a separate implementation of the same almanac formulas,
// at moments where the real sky is well known (solstices, equinox, eclipse, full moon).

SkyState::Instant utc(int y, unsigned m, unsigned d, int h = 0, int min = 0, int s = 0) {
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} + std::chrono::hours{h} +
           std::chrono::minutes{min} + std::chrono::seconds{s};
}

const ::date::time_zone* zone(const char* name) { return name ? ::date::locate_zone(name) : nullptr; }

Place place(double latitude, double longitude) { return Place{"", latitude, longitude}; }

double circularDistance(double a, double b, double period) {
    const double d = std::fmod(std::abs(a - b), period);
    return std::min(d, period - d);
}

TEST(SkyClock, TimeBaseAndEcliptic) {
    EXPECT_DOUBLE_EQ(SkyClock::daysSinceJ2000(utc(2000, 1, 1, 12)), 0);
    EXPECT_DOUBLE_EQ(SkyClock::daysSinceJ2000(utc(1970, 1, 1)), -10957.5);
    EXPECT_NEAR(SkyClock::solarEcliptic(0).longitude, 280.37568, 1e-4);
    const SolarEcliptic equinox = SkyClock::solarEcliptic(SkyClock::daysSinceJ2000(utc(2024, 3, 20, 3, 6)));
    EXPECT_LT(circularDistance(equinox.longitude, 0, 360), 0.01);
    EXPECT_NEAR(equinox.obliquity, 23.439 - 0.0000004 * 8844.629, 1e-9);
    EXPECT_NEAR(SkyClock::solarEcliptic(-1e6).obliquity, 23.839, 1e-9);  // a straight line, not wrapped
    EXPECT_NEAR(CelestialFrame::localSiderealTime(utc(2000, 1, 1, 12), 100), 20.46061837, 1e-9);
    // The galactic core culminates low in the south from 40.7 degrees north.
    const auto core = CelestialFrame::horizontal(CelestialFrame::galacticCenter.rightAscension,
                                                 CelestialFrame::galacticCenter.declination, 266.405, 40.7);
    EXPECT_NEAR(core.altitude, 90 - 40.7 - 28.936, 1e-6);
    EXPECT_NEAR(core.azimuth, 180, 1e-6);
}

TEST(SkyClock, SunPositions) {
    struct Case {
        const char* when;
        SkyState::Instant date;
        double latitude, longitude, elevation, azimuth;
    };
    const auto equinox = utc(2024, 3, 20, 3, 6);
    const Case cases[] = {
        {"J2000 at Greenwich, just before transit", utc(2000, 1, 1, 12), 51.4779, 0, 15.4851, 179.2120},
        {"J2000 on the equator", utc(2000, 1, 1, 12), 0, 0, 66.9526, 178.0599},
        {"equinox sunrise on the equator", equinox, 0, 45.4, 0.0425, 90.0},
        {"equinox midnight on the equator", equinox, 0, -45.4, -89.2425, NAN},
        {"Sydney at noon, December solstice", utc(2024, 12, 21, 1, 53), -33.87, 151.21, 79.5648, 0.3267},
        {"Tromso midnight sun", utc(2024, 6, 21, 22), 69.65, 18.96, 3.4521, 349.3998},
        {"Tromso polar night at noon", utc(2024, 12, 21, 11), 69.65, 18.96, -3.1390, 184.0317},
        {"declination seen from the north pole", utc(2000, 1, 1, 12), 90, 0, -23.0334, NAN},
        {"and from the south pole", utc(2000, 1, 1, 12), -90, 0, 23.0334, NAN},
    };
    for (const Case& c : cases) {
        const SunPosition sun = SkyClock::sunPosition(c.date, c.latitude, c.longitude);
        EXPECT_NEAR(sun.elevation, c.elevation, 0.005) << c.when;
        if (!std::isnan(c.azimuth)) {
            EXPECT_LT(circularDistance(sun.azimuth, c.azimuth, 360), 0.01) << c.when;
        }
    }
    // At the poles around the June solstice the elevation is the declination all day long.
    for (int hour = 0; hour < 24; hour += 4) {
        EXPECT_NEAR(SkyClock::sunPosition(utc(2024, 6, 20, hour), 90, 0).elevation, 23.43, 0.02) << hour;
        EXPECT_NEAR(SkyClock::sunPosition(utc(2024, 6, 20, hour), -90, 0).elevation, -23.43, 0.02) << hour;
    }
}

TEST(SkyClock, MoonPositionsAndPhases) {
    const MoonPosition j2000 = SkyClock::moonPosition(utc(2000, 1, 1, 12), 51.4779, 0);
    EXPECT_NEAR(j2000.elevation, 9.9433, 0.005);
    EXPECT_NEAR(j2000.azimuth, 238.3135, 0.01);
    EXPECT_NEAR(j2000.phase, 0.839973, 1e-5);  // waning crescent, five days before new moon
    EXPECT_NEAR(j2000.illumination, 0.232159, 1e-5);
    // First quarter 2024-04-15 19:13 UTC, full moon 2024-04-23 23:49 UTC, rising in the east-south-east.
    EXPECT_NEAR(SkyClock::moonPosition(utc(2024, 4, 15, 19, 13), 40.7, -74).phase, 0.24808, 1e-4);
    const MoonPosition full = SkyClock::moonPosition(utc(2024, 4, 23, 23, 49), 40.7, -74);
    EXPECT_NEAR(full.illumination, 0.99996, 1e-4);
    EXPECT_NEAR(full.elevation, 1.5799, 0.005);
    EXPECT_NEAR(full.azimuth, 110.8644, 0.01);
    // Total solar eclipse over Dallas: new moon, high in the south, beside the sun.
    const SkyState eclipse = SkyClock::state(utc(2024, 4, 8, 18, 42), place(32.78, -96.80), nullptr);
    EXPECT_LT(circularDistance(eclipse.moonPhase, 0, 1), 0.005);
    EXPECT_LT(eclipse.moonIllumination, 0.001);
    EXPECT_LT(length(eclipse.sunDirection(180) - eclipse.moonDirection(180)), 0.026f);  // 1.5 degrees
    EXPECT_GT(eclipse.sunElevation, 60);
}

TEST(SkyClock, StateWithoutAPlaceUsesTheDefaultLatitudeAndTheZoneMeridian) {
    const SkyState oslo = SkyClock::state(utc(2024, 7, 1, 12), std::nullopt, zone("Europe/Oslo"));
    EXPECT_EQ(oslo.latitude, 40.7);
    EXPECT_EQ(oslo.longitude, 15.0);
    EXPECT_EQ(oslo.sunElevation, static_cast<float>(SkyClock::sunPosition(oslo.date, 40.7, 15).elevation));
    EXPECT_EQ(oslo.moonAzimuth, static_cast<float>(SkyClock::moonPosition(oslo.date, 40.7, 15).azimuth));
    EXPECT_EQ(SkyClock::state(oslo.date, place(-33.87, 151.21), zone("Europe/Oslo")).longitude, 151.21);
    // The standard meridian of the zone, summer or winter.
    const std::tuple<const char*, SkyState::Instant, double> meridians[] = {
        {"America/New_York", utc(2024, 1, 15), -75}, {"America/New_York", utc(2024, 7, 15), -75},
        {"Europe/Oslo", utc(2024, 1, 15), 15},       {"Asia/Kolkata", utc(2024, 7, 15), 82.5},
        {"Australia/Lord_Howe", utc(2024, 1, 15), 157.5},  // half-hour daylight saving, southern summer
        {"America/Sao_Paulo", utc(2024, 1, 15), -45}};
    for (const auto& [name, date, longitude] : meridians) {
        EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(zone(name), date), longitude) << name;
    }
    EXPECT_EQ(SkyClock::fallbackLongitude(nullptr, utc(2024, 1, 15)), 0.0);
}

TEST(SkyClock, LocalHourAndDayOfYear) {
    const char *oslo = "Europe/Oslo", *newYork = "America/New_York";
    const std::tuple<SkyState::Instant, const char*, float, std::int64_t> cases[] = {
        {utc(2024, 1, 15, 17, 45, 36), oslo, 18.76f, 15}, {utc(2024, 1, 15, 17, 45, 36), newYork, 12.76f, 15},
        // Oslo springs forward at 01:00 UTC on 31 March; New York is still on the 30th.
        {utc(2024, 3, 31, 0, 30), oslo, 1.5f, 91}, {utc(2024, 3, 31, 1, 30), oslo, 3.5f, 91},
        {utc(2024, 3, 31, 1, 30), newYork, 21.5f, 90}, {utc(2024, 3, 10, 7, 0), newYork, 3.0f, 70},
        {utc(2024, 11, 3, 5, 30), newYork, 1.5f, 308}, {utc(2024, 11, 3, 6, 30), newYork, 1.5f, 308},  // twice
        {utc(2024, 12, 31, 23, 30), oslo, 0.5f, 1},      {utc(2024, 12, 31, 12), nullptr, 12.0f, 366},
        {utc(2023, 12, 31, 12), nullptr, 12.0f, 365},    {utc(2024, 3, 1), nullptr, 0.0f, 61},
        // Before 1970 whole seconds count down, not towards zero.
        {SkyState::Instant{std::chrono::duration<double>{-30.5}}, nullptr, 23.0f + 59.0f / 60 + 29.0f / 3600, 365},
    };
    for (const auto& [date, name, hour, day] : cases) {
        const SkyState sky = SkyClock::state(date, std::nullopt, zone(name));
        EXPECT_FLOAT_EQ(sky.hour, hour) << (name ? name : "UTC") << " " << date.time_since_epoch().count();
        EXPECT_EQ(sky.dayOfYear, day) << (name ? name : "UTC") << " " << date.time_since_epoch().count();
    }
    for (double seconds : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300}) {
        const SkyState::Instant date{std::chrono::duration<double>{seconds}};
        const SkyState sky = SkyClock::state(date, std::nullopt, zone(oslo));
        EXPECT_TRUE(sky.hour == 0 && sky.dayOfYear == 180 && sky.longitude == 0) << seconds;
        EXPECT_EQ(SkyClock::state(date, 12.0, std::nullopt, zone(oslo)).dayOfYear, 180) << seconds;
    }
}

TEST(SkyClock, PinnedHourOfTheSameLocalDay) {
    const std::tuple<SkyState::Instant, double, const char*, SkyState::Instant, float> cases[] = {
        {utc(2024, 7, 15, 21, 30), 12, "Europe/Oslo", utc(2024, 7, 15, 10), 12},  // 23:30 local
        {utc(2024, 7, 15, 22, 30), 12, "Europe/Oslo", utc(2024, 7, 16, 10), 12},  // 00:30 local, next day
        {utc(2024, 1, 20, 3), 17.25, "America/New_York", utc(2024, 1, 19, 22, 15), 17.25f},
        {utc(2024, 5, 5, 23, 59), 6, nullptr, utc(2024, 5, 5, 6), 6},
        // A 23-hour day: noon by the rule lands on 13:00 summer time.
        {utc(2024, 3, 10, 20), 12, "America/New_York", utc(2024, 3, 10, 17), 13},
        // Sao Paulo skipped midnight on 2018-11-04: the day began at 01:00 local.
        {utc(2018, 11, 4, 15), 0, "America/Sao_Paulo", utc(2018, 11, 4, 3), 1},
        // Havana fell back from 01:00 to 00:00 on 2024-11-03: the day began at the first midnight.
        {utc(2024, 11, 3, 18), 0, "America/Havana", utc(2024, 11, 3, 4), 0},
    };
    for (const auto& [date, hour, name, pinned, shownHour] : cases) {
        const SkyState sky = SkyClock::state(date, hour, std::nullopt, zone(name));
        EXPECT_EQ(sky.date, pinned) << (name ? name : "UTC") << " " << date.time_since_epoch().count();
        EXPECT_EQ(sky.hour, shownHour) << (name ? name : "UTC") << " " << date.time_since_epoch().count();
    }
}

// Bisects between an instant where `value` lies in the upper half of [0, end) and one where it
// lies in the lower half, returning the upper side of the wrap: a value a hair below `end`.
template <class Value>
SkyState::Instant justBelowWrap(SkyState::Instant upper, SkyState::Instant lower, double end, Value value) {
    for (int i = 0; i < 200; ++i) {
        const SkyState::Instant mid = upper + (lower - upper) / 2;
        if (mid == upper || mid == lower) break;
        (value(mid) > end / 2 ? upper : lower) = mid;
    }
    return upper;
}

TEST(SkyClock, StoredValuesStayInTheirRanges) {
    // Seen from Sydney the sun's azimuth falls through north, and just before new moon the
    // phase is a hair below 1: rounding to float must not land on the end of the range.
    const auto sydneyAzimuth = [](SkyState::Instant t) { return SkyClock::sunPosition(t, -33.87, 151.21).azimuth; };
    const auto afterNoon = justBelowWrap(utc(2024, 12, 21, 2, 10), utc(2024, 12, 21, 1, 40), 360, sydneyAzimuth);
    ASSERT_GT(SkyClock::sunPosition(afterNoon, -33.87, 151.21).azimuth, 360 - 1e-6);
    EXPECT_LT(SkyClock::state(afterNoon, place(-33.87, 151.21), nullptr).sunAzimuth, 360.0f);
    const auto beforeNew = justBelowWrap(utc(2024, 4, 8, 12), utc(2024, 4, 9, 0), 1,
                                         [](SkyState::Instant t) { return SkyClock::moonPosition(t, 0, 0).phase; });
    ASSERT_GT(SkyClock::moonPosition(beforeNew, 0, 0).phase, 1 - 1e-9);
    EXPECT_LT(SkyClock::state(beforeNew, place(0, 0), nullptr).moonPhase, 1.0f);

}

}  // namespace
}  // namespace lumen
