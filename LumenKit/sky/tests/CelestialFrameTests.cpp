#include "LumenKit/sky/CelestialFrame.hpp"

#include <date/date.h>
#include <gtest/gtest.h>

#include <cmath>

namespace lumen {
namespace {

using namespace CelestialFrame;

SkyState::Instant utc(int y, unsigned m, unsigned d, int h, int min) {
    return ::date::sys_days{::date::year{y} / ::date::month{m} / ::date::day{d}} +
           std::chrono::hours{h} + std::chrono::minutes{min};
}

void expectNear(Float3 actual, Float3 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(CelestialFrameAngles, ReducedIntoHalfOpenRange) {
    EXPECT_DOUBLE_EQ(reducedDegrees(370), 10);
    EXPECT_DOUBLE_EQ(reducedDegrees(-10), 350);
    EXPECT_DOUBLE_EQ(reducedDegrees(720), 0);
    EXPECT_DOUBLE_EQ(reducedDegrees(-720), 0);
    EXPECT_EQ(reducedDegrees(-1e-15), 0.0);  // 360 - 1e-15 rounds to 360
    EXPECT_NEAR(radians(180), pi, 1e-15);
    EXPECT_NEAR(degrees(pi / 2), 90, 1e-12);
}

TEST(CelestialFrameSiderealTime, AtJ2000AndWithLongitude) {
    const auto j2000 = utc(2000, 1, 1, 12, 0);
    EXPECT_NEAR(localSiderealTime(j2000, 0), 280.46061837, 1e-9);
    EXPECT_NEAR(localSiderealTime(j2000, -75), 205.46061837, 1e-9);
    EXPECT_NEAR(localSiderealTime(j2000, 100), 20.46061837, 1e-9);  // wraps past 360
    // One solar day later the stars have gained about 0.9856 degrees.
    EXPECT_NEAR(localSiderealTime(utc(2000, 1, 2, 12, 0), 0), 280.46061837 + 0.98564736629, 1e-6);
}

TEST(CelestialFrameHorizontal, MeridianAndPole) {
    // A point on the meridian with declination equal to the latitude is at the zenith.
    EXPECT_NEAR(horizontal(123, 48, 123, 48).altitude, 90, 1e-9);
    // On the meridian south of the zenith: azimuth 180.
    const HorizontalCoordinates south = horizontal(40, 0, 40, 50);
    EXPECT_NEAR(south.altitude, 40, 1e-9);
    EXPECT_NEAR(south.azimuth, 180, 1e-9);
    // The celestial pole stands at the latitude's altitude, due north.
    for (double latitude : {10.0, 45.0, 69.6}) {
        const HorizontalCoordinates pole = horizontal(0, 90, 77, latitude);
        EXPECT_NEAR(pole.altitude, latitude, 1e-9);
        EXPECT_NEAR(pole.azimuth, 0, 1e-9);
    }
}

TEST(CelestialFrameHorizontal, RisesInTheEastSetsInTheWest) {
    // Hour angle -90 degrees at the equator: an equatorial point is rising due east.
    const HorizontalCoordinates rising = horizontal(100, 0, 10, 0);
    EXPECT_NEAR(rising.altitude, 0, 1e-9);
    EXPECT_NEAR(rising.azimuth, 90, 1e-9);
    const HorizontalCoordinates setting = horizontal(100, 0, 190, 0);
    EXPECT_NEAR(setting.altitude, 0, 1e-9);
    EXPECT_NEAR(setting.azimuth, 270, 1e-9);
    // Southern observer: the noon sun of a northern declination stands in the north.
    const HorizontalCoordinates north = horizontal(30, 10, 30, -30);
    EXPECT_NEAR(north.altitude, 50, 1e-9);
    EXPECT_NEAR(north.azimuth, 0, 1e-9);
}

TEST(CelestialFrameHorizontal, GalacticCentreOverheadWhenCulminatingAtItsDeclination) {
    const HorizontalCoordinates core = horizontal(
        galacticCenter.rightAscension, galacticCenter.declination, 266.405, -28.936);
    EXPECT_NEAR(core.altitude, 90, 1e-6);
    // From 40.7 degrees north the core culminates low in the south.
    const HorizontalCoordinates fromNewYork = horizontal(
        galacticCenter.rightAscension, galacticCenter.declination, 266.405, 40.7);
    EXPECT_NEAR(fromNewYork.altitude, 90 - 40.7 - 28.936, 1e-9);
    EXPECT_NEAR(fromNewYork.azimuth, 180, 1e-9);
    EXPECT_EQ(galacticNorthPole.rightAscension, 192.859);
    EXPECT_EQ(galacticNorthPole.declination, 27.128);
}

TEST(CelestialFrameBasis, EquatorAtLatitudeZero) {
    // Sidereal time 0: right ascension 0 h is on the meridian, overhead at the equator;
    // 6 h is rising in the east, and the pole lies on the northern horizon.
    const EquatorialBasis b = equatorialBasis(0, 0, 0);
    expectNear(b.equatorAt0h, {0, 1, 0});
    expectNear(b.equatorAt6h, {1, 0, 0});
    expectNear(b.northPole, {0, 0, -1});
    // Facing south, the northern pole is behind the viewer and the east to the left.
    const EquatorialBasis south = equatorialBasis(0, 0, 180);
    expectNear(south.northPole, {0, 0, 1});
    expectNear(south.equatorAt6h, {-1, 0, 0});
}

TEST(CelestialFrameBasis, PoleAtLatitudeNinetyPointsUp) {
    expectNear(equatorialBasis(123, 90, 180).northPole, {0, 1, 0});
    expectNear(equatorialBasis(123, -90, 180).northPole, {0, -1, 0});
}

TEST(CelestialFrameBasis, OrthonormalAndRightHanded) {
    for (double lst : {0.0, 97.0, 266.405}) {
        for (double latitude : {-35.0, 0.0, 40.7, 45.0}) {
            for (double facing : {110.0, 180.0, 250.0}) {
                const EquatorialBasis b = equatorialBasis(lst, latitude, facing);
                EXPECT_NEAR(length(b.equatorAt0h), 1, 1e-5f);
                EXPECT_NEAR(dot(b.equatorAt0h, b.equatorAt6h), 0, 1e-5f);
                EXPECT_NEAR(dot(b.equatorAt0h, b.northPole), 0, 1e-5f);
                expectNear(cross(b.equatorAt0h, b.equatorAt6h), b.northPole);
                // The pole's elevation equals the latitude.
                EXPECT_NEAR(b.northPole.y, std::sin(radians(latitude)), 1e-5f);
            }
        }
    }
}

}  // namespace
}  // namespace lumen
