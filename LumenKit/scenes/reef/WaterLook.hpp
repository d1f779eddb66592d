#pragma once

#include "LumenKit/core/Vector.hpp"

namespace lumen::reef {

// How the reef water is lit at one moment: colours are linear RGB, the light direction points
// down into the water. Produced by DayCycle, read by the reef shaders through their uniforms.
struct WaterLook {
    float sunElevation = 0;  // degrees above the horizon, before refraction
    Float3 lightDirection{0, -1, 0};
    Float3 sunColor;
    Float3 ambientTop;
    Float3 ambientBottom;
    Float3 deepColor;
    Float3 horizonColor;
    Float3 surfaceColor;
    float caustics = 0;
    float godRays = 0;
    float bioluminescence = 0;
    float exposure = 1;

    bool operator==(const WaterLook&) const = default;
};

}  // namespace lumen::reef
