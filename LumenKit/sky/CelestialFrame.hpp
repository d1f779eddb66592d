#pragma once

#include "LumenKit/sky/SkyState.hpp"
#include "LumenKit/core/Vector.hpp"

namespace lumen {

// A fixed point of the celestial sphere, degrees.
struct EquatorialPoint {
    double rightAscension = 0;
    double declination = 0;
    bool operator==(const EquatorialPoint&) const = default;
};

// Where a point stands for a local observer, degrees; azimuth from north through east, [0, 360).
struct HorizontalCoordinates {
    double altitude = 0;
    double azimuth = 0;
    bool operator==(const HorizontalCoordinates&) const = default;
};

// The equatorial axes seen in the view frame of SkyState::direction: equatorial points at right
// ascension 0 h and 6 h and the north celestial pole. A right-handed orthonormal triple.
struct EquatorialBasis {
    Float3 equatorAt0h;
    Float3 equatorAt6h;
    Float3 northPole;
    bool operator==(const EquatorialBasis&) const = default;
};

// Stateless star-frame helpers; also the angle conventions the sky clock shares.
namespace CelestialFrame {

inline constexpr double pi = 3.141592653589793;
inline constexpr EquatorialPoint galacticCenter{266.405, -28.936};
inline constexpr EquatorialPoint galacticNorthPole{192.859, 27.128};

constexpr double radians(double degrees) { return degrees * (pi / 180.0); }
constexpr double degrees(double radians) { return radians * (180.0 / pi); }
// Floating remainder moved into [0, 360); never returns 360 itself.
double reducedDegrees(double angle);

// Local sidereal time in degrees, [0, 360).
double localSiderealTime(SkyState::Instant date, double longitude);
// Altitude and azimuth of a point with the given right ascension and declination.
HorizontalCoordinates horizontal(double rightAscension, double declination, double siderealTime,
                                 double latitude);
EquatorialBasis equatorialBasis(double siderealTime, double latitude, double facing);

}  // namespace CelestialFrame

}  // namespace lumen
