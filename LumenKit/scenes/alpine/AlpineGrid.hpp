#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>
#include <vector>

namespace lumen::alpine {

// The terrain's polar grid round the camera: fine in front, coarse behind, rings spaced
// geometrically so that a triangle covers about the same screen size near and far.
namespace AlpineGrid {

inline constexpr int frontAngles = 760;
inline constexpr int backAngles = 60;
inline constexpr int angleCount = frontAngles + backAngles;

struct Grid {
    std::vector<Float2> vertices;  // x, z; the shader takes heights from the baked maps
    std::vector<std::uint32_t> indices;
};

// The angle of column k in radians; 0 is straight ahead (-z).
float angle(int k);
Grid build(int rings, float inner, float outer);

}  // namespace AlpineGrid

}  // namespace lumen::alpine
