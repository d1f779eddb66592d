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
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} +
           std::chrono::hours{h} + std::chrono::minutes{min} + std::chrono::seconds{s};
}

const ::date::time_zone* zone(const char* name) { return ::date::locate_zone(name); }

Place place(double latitude, double longitude) { return Place{"", latitude, longitude}; }

double angleBetween(Float3 a, Float3 b) {
    return CelestialFrame::degrees(std::acos(std::clamp(dot(a, b), -1.0f, 1.0f)));
}

double circularDistance(double a, double b, double period) {
    const double d = std::fmod(std::abs(a - b), period);
    return std::min(d, period - d);
}

TEST(SkyClockTimeBase, DaysSinceJ2000) {
    EXPECT_DOUBLE_EQ(SkyClock::daysSinceJ2000(utc(2000, 1, 1, 12)), 0);
    EXPECT_DOUBLE_EQ(SkyClock::daysSinceJ2000(utc(1970, 1, 1)), -10957.5);
    EXPECT_DOUBLE_EQ(SkyClock::daysSinceJ2000(utc(2000, 1, 2, 0)), 0.5);
}

TEST(SkyClockEcliptic, AtJ2000AndAtTheMarchEquinox) {
    const SolarEcliptic j2000 = SkyClock::solarEcliptic(0);
    EXPECT_NEAR(j2000.longitude, 280.37568, 1e-4);
    EXPECT_DOUBLE_EQ(j2000.obliquity, 23.439);
    const SolarEcliptic equinox =
        SkyClock::solarEcliptic(SkyClock::daysSinceJ2000(utc(2024, 3, 20, 3, 6)));
    EXPECT_LT(circularDistance(equinox.longitude, 0, 360), 0.01);
    EXPECT_GE(equinox.longitude, 0);
    EXPECT_NEAR(equinox.obliquity, 23.439 - 0.0000004 * 8844.629, 1e-9);
    // Obliquity is a straight line in time, not an angle to wrap.
    EXPECT_NEAR(SkyClock::solarEcliptic(-1e6).obliquity, 23.839, 1e-9);
}

TEST(SkyClockSun, J2000AtGreenwichAndOnTheEquator) {
    const auto j2000 = utc(2000, 1, 1, 12);
    const SunPosition greenwich = SkyClock::sunPosition(j2000, 51.4779, 0);
    EXPECT_NEAR(greenwich.elevation, 15.4851, 0.005);  // 90 - 51.48 - 23.03, just before transit
    EXPECT_NEAR(greenwich.azimuth, 179.2120, 0.005);   // still a little east of south
    const SunPosition equator = SkyClock::sunPosition(j2000, 0, 0);
    EXPECT_NEAR(equator.elevation, 66.9526, 0.005);
    EXPECT_NEAR(equator.azimuth, 178.0599, 0.005);
    // Declination about -23.03: at the north pole the elevation is the declination.
    EXPECT_NEAR(SkyClock::sunPosition(j2000, 90, 0).elevation, -23.0334, 0.005);
    EXPECT_NEAR(SkyClock::sunPosition(j2000, -90, 0).elevation, 23.0334, 0.005);
}

TEST(SkyClockSun, MarchEquinoxAtTheEquator) {
    const auto equinox = utc(2024, 3, 20, 3, 6);
    // Local mean time about 06:07 at 45.4 E: sunrise, due east.
    const SunPosition sunrise = SkyClock::sunPosition(equinox, 0, 45.4);
    EXPECT_NEAR(sunrise.elevation, 0.0425, 0.005);
    EXPECT_NEAR(sunrise.azimuth, 90.0, 0.01);
    // A quarter turn further east it is noon: the sun is overhead.
    EXPECT_NEAR(SkyClock::sunPosition(equinox, 0, 135.4).elevation, 89.957, 0.005);
    // A quarter turn west of Greenwich instead it is the middle of the night.
    EXPECT_NEAR(SkyClock::sunPosition(equinox, 0, -45.4).elevation, -89.2425, 0.005);
    // Sunset side: sun on the western horizon.
    const SunPosition sunset = SkyClock::sunPosition(equinox, 0, 45.4 - 180);
    EXPECT_NEAR(sunset.elevation, 0, 0.05);
    EXPECT_NEAR(sunset.azimuth, 270, 0.05);
    // Both poles see the sun on the horizon, climbing about 0.4 degrees a day in the north and
    // sinking as fast in the south, whatever the hour and longitude.
    for (int hour = 0; hour < 24; hour += 6) {
        const auto t = equinox + std::chrono::duration<double>{hour * 3600.0};
        const double expected = 0.395 * hour / 24.0;
        EXPECT_NEAR(SkyClock::sunPosition(t, 90, 0).elevation, expected, 0.01) << hour;
        EXPECT_NEAR(SkyClock::sunPosition(t, -90, 17).elevation, -expected, 0.01) << hour;
    }
}

TEST(SkyClockSun, SouthernHemisphereAndPolarDays) {
    // Sydney at solar noon on the December solstice: sun high in the north.
    const SunPosition sydney = SkyClock::sunPosition(utc(2024, 12, 21, 1, 53), -33.87, 151.21);
    EXPECT_NEAR(sydney.elevation, 79.5648, 0.005);
    EXPECT_LT(circularDistance(sydney.azimuth, 0.3267, 360), 0.01);
    // Tromso: midnight sun low in the north in June, below the horizon at noon in December.
    const SunPosition midnightSun = SkyClock::sunPosition(utc(2024, 6, 21, 22), 69.65, 18.96);
    EXPECT_NEAR(midnightSun.elevation, 3.4521, 0.005);
    EXPECT_NEAR(midnightSun.azimuth, 349.3998, 0.01);
    const SunPosition polarNight = SkyClock::sunPosition(utc(2024, 12, 21, 11), 69.65, 18.96);
    EXPECT_NEAR(polarNight.elevation, -3.1390, 0.005);
    EXPECT_NEAR(polarNight.azimuth, 184.0317, 0.01);
    // At the poles around the June solstice the elevation is the declination all day long.
    for (int hour = 0; hour < 24; hour += 4) {
        const auto t = utc(2024, 6, 20, hour);
        EXPECT_NEAR(SkyClock::sunPosition(t, 90, 0).elevation, 23.43, 0.02) << hour;
        EXPECT_NEAR(SkyClock::sunPosition(t, -90, 0).elevation, -23.43, 0.02) << hour;
    }
}

TEST(SkyClockMoon, J2000) {
    const MoonPosition moon = SkyClock::moonPosition(utc(2000, 1, 1, 12), 51.4779, 0);
    EXPECT_NEAR(moon.elevation, 9.9433, 0.005);
    EXPECT_NEAR(moon.azimuth, 238.3135, 0.01);
    EXPECT_NEAR(moon.phase, 0.839973, 1e-5);  // waning crescent, five days before new moon
    EXPECT_NEAR(moon.illumination, 0.232159, 1e-5);
}

TEST(SkyClockMoon, PhasesThroughALunation) {
    // First quarter 2024-04-15 19:13, full 2024-04-23 23:49, new 2024-04-08 18:21 UTC.
    const MoonPosition firstQuarter = SkyClock::moonPosition(utc(2024, 4, 15, 19, 13), 40.7, -74);
    EXPECT_NEAR(firstQuarter.phase, 0.24808, 1e-4);
    EXPECT_NEAR(firstQuarter.illumination, 0.49398, 1e-4);
    const MoonPosition full = SkyClock::moonPosition(utc(2024, 4, 23, 23, 49), 40.7, -74);
    EXPECT_NEAR(full.phase, 0.49788, 1e-4);
    EXPECT_NEAR(full.illumination, 0.99996, 1e-4);
    // A full moon rises in the east-south-east as the sun sets in the west-north-west.
    EXPECT_NEAR(full.elevation, 1.5799, 0.005);
    EXPECT_NEAR(full.azimuth, 110.8644, 0.01);
    const MoonPosition fresh = SkyClock::moonPosition(utc(2024, 4, 8, 18, 21), 32.78, -96.80);
    EXPECT_LT(circularDistance(fresh.phase, 0, 1), 0.005);
    EXPECT_LT(fresh.illumination, 0.001);
    EXPECT_NEAR(fresh.elevation, 65.1312, 0.005);
    EXPECT_NEAR(fresh.azimuth, 173.7970, 0.01);
}

TEST(SkyClockMoon, EclipseBringsSunAndMoonTogether) {
    // Total solar eclipse over Dallas: the geocentric moon sits within a degree of the sun.
    SkyState sky = SkyClock::state(utc(2024, 4, 8, 18, 42), place(32.78, -96.80), nullptr);
    EXPECT_LT(angleBetween(sky.sunDirection(180), sky.moonDirection(180)), 1.5);
    EXPECT_GT(sky.sunElevation, 60);
    // Two weeks later they are opposite.
    sky = SkyClock::state(utc(2024, 4, 23, 23, 49), place(32.78, -96.80), nullptr);
    EXPECT_GT(angleBetween(sky.sunDirection(0), sky.moonDirection(0)), 170);
}

TEST(SkyClockState, StoresPositionsAndPlace) {
    const auto j2000 = utc(2000, 1, 1, 12);
    const SkyState sky = SkyClock::state(j2000, place(51.4779, 0), nullptr);
    const SunPosition sun = SkyClock::sunPosition(j2000, 51.4779, 0);
    const MoonPosition moon = SkyClock::moonPosition(j2000, 51.4779, 0);
    EXPECT_EQ(sky.date, j2000);
    EXPECT_EQ(sky.hour, 12.0f);
    EXPECT_EQ(sky.dayOfYear, 1);
    EXPECT_EQ(sky.sunElevation, static_cast<float>(sun.elevation));
    EXPECT_EQ(sky.sunAzimuth, static_cast<float>(sun.azimuth));
    EXPECT_EQ(sky.moonElevation, static_cast<float>(moon.elevation));
    EXPECT_EQ(sky.moonAzimuth, static_cast<float>(moon.azimuth));
    EXPECT_EQ(sky.moonPhase, static_cast<float>(moon.phase));
    EXPECT_EQ(sky.moonIllumination, static_cast<float>(moon.illumination));
    EXPECT_EQ(sky.latitude, 51.4779);
    EXPECT_EQ(sky.longitude, 0.0);
    EXPECT_NEAR(sky.daylight(), 1.0f, 1e-6f);
}

TEST(SkyClockState, WithoutPlaceUsesDefaultLatitudeAndZoneMeridian) {
    // Oslo in summer: UTC+2 with daylight saving, standard meridian 15 E.
    const SkyState oslo = SkyClock::state(utc(2024, 7, 1, 12), std::nullopt, zone("Europe/Oslo"));
    EXPECT_EQ(oslo.latitude, 40.7);
    EXPECT_EQ(oslo.latitude, SkyClock::defaultLatitude);
    EXPECT_DOUBLE_EQ(oslo.longitude, 15);
    EXPECT_EQ(oslo.sunElevation,
              static_cast<float>(SkyClock::sunPosition(utc(2024, 7, 1, 12), 40.7, 15).elevation));
    const SkyState utcSky = SkyClock::state(utc(2024, 7, 1, 12), std::nullopt, nullptr);
    EXPECT_EQ(utcSky.longitude, 0.0);
}

TEST(SkyClockFallbackLongitude, StandardOffsetWinterAndSummer) {
    const auto newYork = zone("America/New_York");
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(newYork, utc(2024, 1, 15)), -75);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(newYork, utc(2024, 7, 15)), -75);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(zone("Europe/Oslo"), utc(2024, 1, 15)), 15);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(zone("Europe/Oslo"), utc(2024, 7, 15)), 15);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(zone("Asia/Kolkata"), utc(2024, 7, 15)), 82.5);
    // Southern summer with a half-hour daylight saving step: +10:30 standard.
    const auto lordHowe = zone("Australia/Lord_Howe");
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(lordHowe, utc(2024, 1, 15)), 157.5);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(lordHowe, utc(2024, 7, 15)), 157.5);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(zone("America/Sao_Paulo"), utc(2024, 1, 15)), -45);
    EXPECT_DOUBLE_EQ(SkyClock::fallbackLongitude(nullptr, utc(2024, 1, 15)), 0);
}

TEST(SkyClockClock, SameInstantInOsloAndNewYork) {
    const auto instant = utc(2024, 1, 15, 17, 45, 36);
    const SkyState oslo = SkyClock::state(instant, std::nullopt, zone("Europe/Oslo"));
    const SkyState newYork = SkyClock::state(instant, std::nullopt, zone("America/New_York"));
    EXPECT_FLOAT_EQ(oslo.hour, 18.76f);
    EXPECT_FLOAT_EQ(newYork.hour, 12.76f);
    EXPECT_EQ(oslo.dayOfYear, 15);
    EXPECT_EQ(newYork.dayOfYear, 15);
    // The positions do not depend on the zone once the place is given.
    const SkyState a = SkyClock::state(instant, place(10, 20), zone("Europe/Oslo"));
    const SkyState b = SkyClock::state(instant, place(10, 20), zone("America/New_York"));
    EXPECT_EQ(a.sunElevation, b.sunElevation);
    EXPECT_EQ(a.moonAzimuth, b.moonAzimuth);
}

TEST(SkyClockClock, AcrossDaylightSavingChanges) {
    const auto oslo = zone("Europe/Oslo");
    const auto newYork = zone("America/New_York");
    // Oslo springs forward at 01:00 UTC on 2024-03-31: 01:59:59 local, then 03:00.
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 3, 31, 0, 30), std::nullopt, oslo).hour, 1.5f);
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 3, 31, 1, 30), std::nullopt, oslo).hour, 3.5f);
    // New York already on summer time: still the evening of 30 March (day 90 of a leap year).
    const SkyState ny = SkyClock::state(utc(2024, 3, 31, 1, 30), std::nullopt, newYork);
    EXPECT_FLOAT_EQ(ny.hour, 21.5f);
    EXPECT_EQ(ny.dayOfYear, 90);
    EXPECT_EQ(SkyClock::state(utc(2024, 3, 31, 1, 30), std::nullopt, oslo).dayOfYear, 91);
    // New York's own change at 07:00 UTC on 2024-03-10.
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 3, 10, 6, 59), std::nullopt, newYork).hour,
                    1.0f + 59.0f / 60.0f);
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 3, 10, 7, 0), std::nullopt, newYork).hour, 3.0f);
    // Autumn: 01:30 happens twice in New York on 2024-11-03.
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 11, 3, 5, 30), std::nullopt, newYork).hour, 1.5f);
    EXPECT_FLOAT_EQ(SkyClock::state(utc(2024, 11, 3, 6, 30), std::nullopt, newYork).hour, 1.5f);
}

TEST(SkyClockClock, DayOfYear) {
    EXPECT_EQ(SkyClock::state(utc(2024, 12, 31, 12), std::nullopt, nullptr).dayOfYear, 366);
    EXPECT_EQ(SkyClock::state(utc(2023, 12, 31, 12), std::nullopt, nullptr).dayOfYear, 365);
    EXPECT_EQ(SkyClock::state(utc(2024, 3, 1), std::nullopt, nullptr).dayOfYear, 61);
    // 23:30 UTC on New Year's Eve is already New Year's Day in Oslo.
    const SkyState oslo = SkyClock::state(utc(2024, 12, 31, 23, 30), std::nullopt,
                                          zone("Europe/Oslo"));
    EXPECT_EQ(oslo.dayOfYear, 1);
    EXPECT_FLOAT_EQ(oslo.hour, 0.5f);
}

TEST(SkyClockClock, BeforeNineteenSeventyCountsWholeSecondsDown) {
    const SkyState sky = SkyClock::state(
        SkyState::Instant{std::chrono::duration<double>{-30.5}}, std::nullopt, nullptr);
    EXPECT_FLOAT_EQ(sky.hour, 23.0f + 59.0f / 60.0f + 29.0f / 3600.0f);
    EXPECT_EQ(sky.dayOfYear, 365);
    EXPECT_LT(sky.hour, 24.0f);
}

TEST(SkyClockClock, UnrepresentableDateKeepsCalendarDefaults) {
    for (double seconds : {std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(), 1e300, -1e300}) {
        const SkyState sky = SkyClock::state(
            SkyState::Instant{std::chrono::duration<double>{seconds}}, std::nullopt,
            zone("Europe/Oslo"));
        EXPECT_EQ(sky.hour, 0.0f) << seconds;
        EXPECT_EQ(sky.dayOfYear, 180) << seconds;
        EXPECT_EQ(sky.longitude, 0.0) << seconds;
        const SkyState pinned = SkyClock::state(
            SkyState::Instant{std::chrono::duration<double>{seconds}}, 12.0, std::nullopt,
            zone("Europe/Oslo"));
        EXPECT_EQ(pinned.dayOfYear, 180) << seconds;
    }
}

TEST(SkyClockPinnedHour, NoonOfTheSameLocalDay) {
    const auto oslo = zone("Europe/Oslo");
    // 23:30 local on 15 July (summer time) pins to 10:00 UTC the same day.
    const SkyState late = SkyClock::state(utc(2024, 7, 15, 21, 30), 12.0, std::nullopt, oslo);
    EXPECT_EQ(late.date, utc(2024, 7, 15, 10));
    EXPECT_EQ(late.hour, 12.0f);
    EXPECT_EQ(late.dayOfYear, 197);
    // 00:30 local on 16 July is still 15 July in UTC, but the local day is the 16th.
    const SkyState early = SkyClock::state(utc(2024, 7, 15, 22, 30), 12.0, std::nullopt, oslo);
    EXPECT_EQ(early.date, utc(2024, 7, 16, 10));
    EXPECT_EQ(early.dayOfYear, 198);
    // Fractional hours and other zones.
    const SkyState evening = SkyClock::state(utc(2024, 1, 20, 3), 17.25, place(40.7, -74),
                                             zone("America/New_York"));
    EXPECT_EQ(evening.date, utc(2024, 1, 19, 22, 15));
    EXPECT_EQ(evening.hour, 17.25f);
    EXPECT_EQ(evening.longitude, -74.0);
    EXPECT_EQ(SkyClock::state(utc(2024, 5, 5, 23, 59), 6.0, std::nullopt, nullptr).date,
              utc(2024, 5, 5, 6));
}

TEST(SkyClockPinnedHour, DaylightSavingTransitionDays) {
    // The day is 23 hours long: noon by the rule lands on 13:00 summer time.
    const SkyState spring = SkyClock::state(utc(2024, 3, 10, 20), 12.0, std::nullopt,
                                            zone("America/New_York"));
    EXPECT_EQ(spring.date, utc(2024, 3, 10, 17));
    EXPECT_EQ(spring.hour, 13.0f);
    // Sao Paulo skipped midnight on 2018-11-04: the day begins at 01:00 local (03:00 UTC).
    const SkyState skipped = SkyClock::state(utc(2018, 11, 4, 15), 0.0, std::nullopt,
                                             zone("America/Sao_Paulo"));
    EXPECT_EQ(skipped.date, utc(2018, 11, 4, 3));
    EXPECT_EQ(skipped.hour, 1.0f);
    EXPECT_EQ(skipped.dayOfYear, 308);
    // Havana falls back from 01:00 to 00:00 on 2024-11-03: the day begins at the first midnight.
    const SkyState repeated = SkyClock::state(utc(2024, 11, 3, 18), 0.0, std::nullopt,
                                              zone("America/Havana"));
    EXPECT_EQ(repeated.date, utc(2024, 11, 3, 4));
    EXPECT_EQ(repeated.hour, 0.0f);
}

// Bisects between an instant where `value` lies in the upper half of [0, end) and one where it
// lies in the lower half, returning the upper side of the wrap: a value a hair below `end`.
template <class Value>
SkyState::Instant justBelowWrap(SkyState::Instant upper, SkyState::Instant lower, double end,
                                Value value) {
    for (int i = 0; i < 200; ++i) {
        const SkyState::Instant mid = upper + (lower - upper) / 2;
        if (mid == upper || mid == lower) break;
        (value(mid) > end / 2 ? upper : lower) = mid;
    }
    return upper;
}

TEST(SkyClockState, FloatRoundingNeverReachesTheEndOfARange) {
    // Seen from Sydney the sun's azimuth falls through north: a hair below 360 just after noon.
    const Place sydney = place(-33.87, 151.21);
    const auto afterNoon = justBelowWrap(
        utc(2024, 12, 21, 2, 10), utc(2024, 12, 21, 1, 40), 360, [&](SkyState::Instant t) {
            return SkyClock::sunPosition(t, sydney.latitude, sydney.longitude).azimuth;
        });
    const double azimuth =
        SkyClock::sunPosition(afterNoon, sydney.latitude, sydney.longitude).azimuth;
    ASSERT_GT(azimuth, 360 - 1e-6);
    ASSERT_LT(azimuth, 360.0);
    const SkyState sky = SkyClock::state(afterNoon, sydney, nullptr);
    EXPECT_GE(sky.sunAzimuth, 0.0f);
    EXPECT_LT(sky.sunAzimuth, 360.0f);
    // Just before new moon the phase is a hair below 1.
    const auto beforeNew = justBelowWrap(
        utc(2024, 4, 8, 12), utc(2024, 4, 9, 0), 1, [&](SkyState::Instant t) {
            return SkyClock::moonPosition(t, 0, 0).phase;
        });
    const double phase = SkyClock::moonPosition(beforeNew, 0, 0).phase;
    ASSERT_GT(phase, 1 - 1e-9);
    ASSERT_LT(phase, 1.0);
    const SkyState dark = SkyClock::state(beforeNew, place(0, 0), nullptr);
    EXPECT_GE(dark.moonPhase, 0.0f);
    EXPECT_LT(dark.moonPhase, 1.0f);
}

TEST(SkyClockState, StoredValuesStayInTheirRanges) {
    // Sweep a few years at awkward strides, places from pole to pole.
    const double latitudes[] = {-90, -66.5, -33.9, 0, 40.7, 69.65, 90};
    const double longitudes[] = {-179.9, -74, 0, 18.96, 151.21, 180};
    const auto start = utc(1999, 6, 1);
    for (int step = 0; step < 400; ++step) {
        const auto t = start + std::chrono::duration<double>{step * 86400.0 * 7.37 + step * 611.0};
        const SkyState sky = SkyClock::state(t, place(latitudes[step % 7], longitudes[step % 6]),
                                             zone("Europe/Oslo"));
        ASSERT_GE(sky.sunAzimuth, 0.0f);
        ASSERT_LT(sky.sunAzimuth, 360.0f);
        ASSERT_GE(sky.moonAzimuth, 0.0f);
        ASSERT_LT(sky.moonAzimuth, 360.0f);
        ASSERT_LE(std::abs(sky.sunElevation), 90.0f);
        ASSERT_LE(std::abs(sky.moonElevation), 90.0f);
        ASSERT_GE(sky.moonPhase, 0.0f);
        ASSERT_LT(sky.moonPhase, 1.0f);
        ASSERT_GE(sky.moonIllumination, 0.0f);
        ASSERT_LE(sky.moonIllumination, 1.0f);
        ASSERT_NEAR(sky.moonIllumination,
                    (1 - std::cos(2 * CelestialFrame::pi * sky.moonPhase)) / 2, 1e-5);
        ASSERT_GE(sky.hour, 0.0f);
        ASSERT_LT(sky.hour, 24.0f);
        ASSERT_GE(sky.dayOfYear, 1);
        ASSERT_LE(sky.dayOfYear, 366);
        // The sun's declination never leaves the tropics.
        ASSERT_LE(std::abs(SkyClock::sunPosition(t, 90, 0).elevation), 23.45);
    }
}

}  // namespace
}  // namespace lumen
