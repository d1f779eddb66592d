#include "LumenKit/scenes/earth/EarthSun.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <cmath>
#include <numbers>

namespace lumen::earth::EarthSun {

namespace {

constexpr double degrees = 180.0 / std::numbers::pi;
constexpr double radians = std::numbers::pi / 180.0;

}  // namespace

GroundPoint subsolarPoint(SkyState::Instant date) {
    const double d = SkyClock::daysSinceJ2000(date);
    const SolarEcliptic sun = SkyClock::solarEcliptic(d);
    const double lambda = sun.longitude * radians;
    const double epsilon = sun.obliquity * radians;
    const double rightAscension = std::atan2(std::cos(epsilon) * std::sin(lambda), std::cos(lambda));
    const double declination = std::asin(std::sin(epsilon) * std::sin(lambda));
    const double gmst = std::fmod(280.46061837 + 360.98564736629 * d, 360.0);
    double longitude = std::fmod(rightAscension * degrees - gmst, 360.0);
    if (longitude < 0) longitude += 360.0;
    if (longitude > 180.0) longitude -= 360.0;
    return {declination * degrees, longitude};
}

Float3 direction(double latitude, double longitude) {
    const double phi = latitude * radians;
    const double lambda = longitude * radians;
    return {static_cast<float>(std::cos(phi) * std::cos(lambda)), static_cast<float>(std::cos(phi) * std::sin(lambda)),
            static_cast<float>(std::sin(phi))};
}

Float3 direction(SkyState::Instant date) {
    const GroundPoint point = subsolarPoint(date);
    return direction(point.latitude, point.longitude);
}

}  // namespace lumen::earth::EarthSun
