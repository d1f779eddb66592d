#pragma once

#include "LumenKit/core/Vector.hpp"

#include <string_view>

namespace lumen::earth {

// The camera in the Earth-fixed frame (unit sphere Earth, +z north).
struct EarthCamera {
    Float3 position;
    Float3 forward;
    Float3 right;
    Float3 up;

    bool operator==(const EarthCamera&) const = default;

    struct OrbitPoint {
        Float3 position;  // on the unit sphere
        Float3 motion;    // unit direction of travel
    };

    // Where the orbit that started over (latitude, longitude) is after `time` seconds of scene
    // clock. Degrees in, unit vectors out.
    static OrbitPoint orbitPoint(double time, double latitude, double longitude);
    // The camera for view "globe" (any other value is "orbit").
    static EarthCamera make(std::string_view view, double clock, int displayIndex, double latitude, double longitude,
                            Float2 parallax);
};

}  // namespace lumen::earth
