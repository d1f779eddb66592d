#include "LumenKit/sky/SkyState.hpp"

#include "LumenKit/sky/CelestialFrame.hpp"

#include <algorithm>
#include <cmath>

namespace lumen {

Float3 SkyState::direction(double azimuth, double elevation, double facing) {
    const double d = CelestialFrame::radians(azimuth - facing);
    const double e = CelestialFrame::radians(elevation);
    return {static_cast<float>(std::cos(e) * std::sin(d)), static_cast<float>(std::sin(e)),
            static_cast<float>(-std::cos(e) * std::cos(d))};
}

Float3 SkyState::sunDirection(double facing) const {
    return direction(sunAzimuth, sunElevation, facing);
}

Float3 SkyState::moonDirection(double facing) const {
    return direction(moonAzimuth, moonElevation, facing);
}

float SkyState::daylight() const {
    const float t = std::clamp((sunElevation + 10.0f) / 18.0f, 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

}  // namespace lumen
