#include "LumenKit/scenes/earth/EarthCamera.hpp"
#include "LumenKit/scenes/earth/EarthGeometry.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumen::earth {

namespace {

constexpr double degrees = 180.0 / std::numbers::pi;

double latitudeOf(Float3 p) { return std::asin(p.z / length(p)) * degrees; }
double longitudeOf(Float3 p) { return std::atan2(p.y, p.x) * degrees; }

}  // namespace

// The orbit starts over the place when it can, and otherwise at the orbit's own edge; its
// northernmost point is the inclination, whatever the start.
TEST(EarthCamera, OrbitStartsOverThePlaceWithinTheCap) {
    struct Case {
        double latitude, longitude, startLatitude;
    };
    const Case cases[] = {{40.7, -74.0, 40.7}, {-33.9, 151.2, -33.9}, {60, 10, 50}, {-70, -60, -50}, {0, 180, 0}};
    for (const auto& c : cases) {
        const auto start = EarthCamera::orbitPoint(0, c.latitude, c.longitude);
        EXPECT_NEAR(latitudeOf(start.position), c.startLatitude, 1e-4) << c.latitude;
        EXPECT_NEAR(std::remainder(longitudeOf(start.position) - c.longitude, 360.0), 0, 1e-4) << c.latitude;
        EXPECT_NEAR(dot(start.position, start.motion), 0, 1e-3);
        double highest = -90;
        for (double t = 0; t < 66720; t += 60) {
            highest = std::max(highest, latitudeOf(EarthCamera::orbitPoint(t, c.latitude, c.longitude).position));
        }
        EXPECT_NEAR(highest, 51.6, 0.01);
    }
    // One revolution in 66720 s, back over the node in inertial terms.
    const auto later = EarthCamera::orbitPoint(66720, 0, 0);
    EXPECT_NEAR(later.position.x, 1, 1e-4);
    EXPECT_NEAR(EarthGeometry::angularSpeed * 5560 * EarthGeometry::slowDown, 2 * std::numbers::pi, 1e-9);
}

// Display 0 looks along the track, 45 degrees down; odd and other even displays turn 1.2 rad to
// either side. The globe view sits three radii out with north up, side displays 100 degrees away.
TEST(EarthCamera, ViewsAndDisplays) {
    const auto track = EarthCamera::orbitPoint(500, 40, 20);
    const Float3 vertical = normalize(track.position);
    const float yaws[] = {0.0f, 1.2f, -1.2f, 1.2f};
    for (int display = 0; display < 4; ++display) {
        const auto c = EarthCamera::make("orbit", 500, display, 40, 20, {0, 0});
        EXPECT_NEAR(length(c.position), EarthGeometry::cameraRadius, 1e-5);
        EXPECT_NEAR(dot(c.forward, vertical), std::sin(-0.78f), 1e-3);  // the track's chord dips slightly
        const Float3 level = normalize(c.forward - vertical * dot(c.forward, vertical));
        const float turned = std::atan2(dot(cross(track.motion, level), vertical), dot(track.motion, level));
        EXPECT_NEAR(turned, yaws[display], 1e-4) << display;
        EXPECT_NEAR(dot(c.right, c.forward), 0, 1e-6);
        EXPECT_NEAR(dot(c.up, c.forward), 0, 1e-6);
        EXPECT_GT(dot(c.up, vertical), 0.5f);
    }
    const double lons[] = {20, -80, 120};
    for (int display = 0; display < 3; ++display) {
        const auto g = EarthCamera::make("globe", 500, display, 40, 20, {0, 0});
        EXPECT_NEAR(length(g.position), 3, 1e-5);
        EXPECT_NEAR(latitudeOf(g.position), 24, 1e-3);
        EXPECT_NEAR(longitudeOf(g.position), lons[display], 1e-3);
        EXPECT_NEAR(dot(g.forward, normalize(g.position)), -1, 1e-6);
        EXPECT_NEAR(g.right.z, 0, 1e-6);
        EXPECT_GT(g.up.z, 0);
    }
    EXPECT_NE(EarthCamera::make("orbit", 0, 0, 40, 20, {1, 0}), EarthCamera::make("orbit", 0, 0, 40, 20, {0, 0}));
}

}  // namespace lumen::earth
