#pragma once

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/sky/SkyState.hpp"

namespace lumen::earth {

// Where the sun stands over the Earth, in the Earth-fixed frame: +z through the North Pole, +x
// through latitude 0 longitude 0, +y through longitude 90 E.
namespace EarthSun {

struct GroundPoint {
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees, (-180, 180]
    bool operator==(const GroundPoint&) const = default;
};

// The point where the sun is overhead at `date`.
GroundPoint subsolarPoint(SkyState::Instant date);
// The unit vector through a point given in degrees.
Float3 direction(double latitude, double longitude);
Float3 direction(SkyState::Instant date);

}  // namespace EarthSun

}  // namespace lumen::earth
