#pragma once

#include "LumenKit/sky/SkyState.hpp"
#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/reef/WaterLook.hpp"

#include <array>
#include <cstdint>

namespace date {
class time_zone;
}

namespace lumen::reef {

// The reef's lighting through the day: the sun's elevation over a fixed latitude picks a blend
// of six hand-tuned keys, and the sun's heading, refracted at the surface, gives the light
// direction. The reef keeps its own latitude so its look does not depend on the user's place.
namespace DayCycle {

inline constexpr double latitude = 40.7;
inline constexpr double refractiveIndex = 1.333;
// Below this elevation the refracted direction is held (the sun barely lights the water).
inline constexpr double minRefractedElevation = 3.0;

struct Key {
    float elevation = 0;  // degrees
    Float3 sun;
    Float3 ambTop;
    Float3 ambBottom;
    Float3 deep;
    Float3 horizon;
    Float3 surface;
    float caustics = 0;
    float rays = 0;  // feeds WaterLook::godRays
    float glow = 0;  // feeds WaterLook::bioluminescence
    float exposure = 1;

    bool operator==(const Key&) const = default;
};

// Ordered by rising elevation.
extern const std::array<Key, 6> keys;

// Degrees above the horizon at local clock hour `hour` (0 ... 24) on day `dayOfYear`
// (1 = 1 January), with a simple declination model and the hour angle taken from the clock.
double sunElevation(double hour, std::int64_t dayOfYear, double latitudeDegrees = latitude);

// The keys blended for `elevation`: the end keys hold outside their range, between two keys the
// smoothstep of the fraction mixes every field linearly.
Key blend(double elevation);

// Unit vector pointing down into the water for the sun at clock hour `hour` and `elevation`.
Float3 lightDirection(double hour, double elevation);

// The look for a local clock hour and day of the year.
WaterLook look(double hour, std::int64_t dayOfYear);

// The look at `date` on the local clock of `timeZone` (null = UTC).
WaterLook look(SkyState::Instant date, const date::time_zone* timeZone);

}  // namespace DayCycle

}  // namespace lumen::reef
