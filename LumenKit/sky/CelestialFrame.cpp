#include "LumenKit/sky/CelestialFrame.hpp"

#include "LumenKit/sky/SkyClock.hpp"

#include <algorithm>
#include <cmath>

namespace lumen::CelestialFrame {

double reducedDegrees(double angle) {
    double r = std::fmod(angle, 360.0);
    if (r < 0) r += 360.0;
    // A tiny negative remainder plus 360 rounds up to 360, which is outside the range.
    return r >= 360.0 ? 0.0 : r;
}

double localSiderealTime(SkyState::Instant date, double longitude) {
    const double d = SkyClock::daysSinceJ2000(date);
    return reducedDegrees(280.46061837 + 360.98564736629 * d + longitude);
}

HorizontalCoordinates horizontal(double rightAscension, double declination, double siderealTime,
                                 double latitude) {
    const double h = radians(siderealTime - rightAscension);
    const double delta = radians(declination);
    const double phi = radians(latitude);
    // Rounding can push the sine a hair past 1 when the point sits at the zenith.
    const double sinAltitude = std::clamp(
        std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::cos(h), -1.0, 1.0);
    const double azimuth = std::atan2(-std::sin(h) * std::cos(delta),
                                      std::cos(phi) * std::sin(delta) -
                                          std::sin(phi) * std::cos(delta) * std::cos(h));
    return {degrees(std::asin(sinAltitude)), reducedDegrees(degrees(azimuth))};
}

EquatorialBasis equatorialBasis(double siderealTime, double latitude, double facing) {
    auto view = [&](double rightAscension, double declination) {
        const HorizontalCoordinates p =
            horizontal(rightAscension, declination, siderealTime, latitude);
        return SkyState::direction(p.azimuth, p.altitude, facing);
    };
    return {view(0, 0), view(90, 0), view(0, 90)};
}

}  // namespace lumen::CelestialFrame
