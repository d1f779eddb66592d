#pragma once

namespace lumen::earth {

// The orbit the camera rides, in Earth radii and scene-clock seconds: a space-station orbit slowed
// twelve times, so one revolution (5560 s) takes 66720 s on screen.
namespace EarthGeometry {

inline constexpr double orbitAltitude = 0.25113797;
inline constexpr double cameraRadius = 1.251138;
inline constexpr double inclination = 0.9005898940290741;  // 51.6 degrees
inline constexpr double slowDown = 12;
inline constexpr double angularSpeed = 9.41724416543703e-05;  // radians per second
// The orbit never reaches past this latitude, so the camera's start is capped to it.
inline constexpr double latitudeCap = 50;

}  // namespace EarthGeometry

}  // namespace lumen::earth
