#pragma once

#include "LumenKit/core/Vector.hpp"

#include <array>
#include <cstddef>

namespace lumen::app {

// The per-draw record of every layered shader scene, the same for the main and the layer pass.
// Twelve vec4s, laid out exactly as the "ShaderUniforms" std140 block of ShaderScene.glsl.
struct ShaderUniforms {
    Float4 resolution;  // width, height, 1 / max(width, 1), 1 / max(height, 1)
    Float4 time;        // clock mod 3600, dt, clock mod 86400, display index
    Float4 sky;         // hour, daylight, sun elevation (degrees), moon illumination
    Float4 sun;         // sun direction, moon phase
    Float4 moon;        // moon direction, 1 in the layer pass else 0
    Float4 view;        // parallax x, y, pointer x, y ((9, 9) when the pointer does not count)
    Float4 calendar;    // day of year, (day of year - 1) / 365, latitude, longitude
    Float4 weather;     // cloud cover, precipitation, fog, wind speed
    std::array<Float4, 4> parameters;  // the scene's own vectors; missing ones are zero
};

static_assert(sizeof(ShaderUniforms) == 192, "ShaderUniforms must match the 192-byte std140 block");
static_assert(offsetof(ShaderUniforms, parameters) == 128);

}  // namespace lumen::app
