#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>

namespace lumen {

// Deterministic value noise: hashed lattice values blended with smoothstep weights. The hash
// is integer-only, so the same point and seed give the same bits on every run.
namespace Noise {

// Smooth noise of a 3D point, in [0, 1]. Equals the lattice hash exactly at integer points.
float value(Float3 q, std::uint32_t seed);

// The 3D noise of (p.x, 0.5, p.y), in [0, 1].
float value(Float2 p, std::uint32_t seed);

// Sum of `octaves` layers, each at 2.03 times the frequency, half the amplitude and the next
// seed of the one before, normalised to [-1, 1]. Zero octaves gives NaN.
float fractal(Float3 q, int octaves, std::uint32_t seed);

}  // namespace Noise

}  // namespace lumen
