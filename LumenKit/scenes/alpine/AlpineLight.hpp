#pragma once

#include "LumenKit/core/Vector.hpp"
#include "LumenKit/scenes/alpine/AlpineWeatherLook.hpp"
#include "LumenKit/sky/SkyState.hpp"

namespace lumen::alpine {

// The valley's light for a sky and a weather look: linear RGB.
struct AlpineLight {
    static constexpr float viewerAltitude = 1250;

    Float3 sun;
    Float3 ambient;
    Float3 moon;
    float exposure = 1;
    float sunVisible = 0;  // 0...1, the sun disc's share above the horizon
    bool operator==(const AlpineLight&) const = default;

    static AlpineLight compute(const SkyState& sky, const AlpineWeatherLook& look);
    // Clear-air transmittance of sunlight at `altitude` metres for a sun `sunElevation` degrees up.
    static Float3 transmittance(float altitude, float sunElevation);
};

}  // namespace lumen::alpine
