#pragma once

#include <cstdint>

namespace lumen::alpine {

// The landscape's 2D value noise and its two fractal sums. The terrain shader repeats these
// operation for operation, so the baked ground and the CPU's trees and camera agree.
namespace AlpineNoise {
// Corner value of lattice cell (i, j), 0...1.
float corner(std::int32_t i, std::int32_t j);
// Smoothly blended corners, 0...1.
float value(float x, float z);
// Four octaves, about -0.94...0.94.
float fbm(float x, float z);
// Five octaves, each weighted by the previous ridge; 0...about 1.
float ridged(float x, float z);
// t^2 (3 - 2t).
inline float smooth(float t) { return t * t * (3.0f - 2.0f * t); }
}  // namespace AlpineNoise

}  // namespace lumen::alpine
