#pragma once

#include "LumenKit/core/Vector.hpp"

#include <cstdint>
#include <vector>

namespace lumen::alpine {

// The landscape round the lake: metres, y up, the camera near the origin looking along -z.
namespace AlpineTerrain {

// A square of the ground baked into a height map.
struct MapRegion {
    Float2 origin;  // world x and z of the corner
    float size = 0;
    int texels = 0;
    bool operator==(const MapRegion&) const = default;
};

inline constexpr MapRegion nearRegion{{-1700, -3100}, 3400, 1024};
inline constexpr MapRegion farRegion{{-15000, -24000}, 30000, 2048};

inline constexpr Float2 lakeCentre{-60, -1000};
inline constexpr Float2 lakeRadii{500, 980};
inline constexpr Float2 massifACentre{1100, -5500};
inline constexpr Float2 massifARadii{2100, 1800};
inline constexpr Float2 massifBCentre{-1900, -3700};
inline constexpr Float2 massifBRadii{1500, 1300};

// Negative inside the lake, 0 at the shore, in metres.
float lakeField(float x, float z);
// Ground height; the lake bed inside the lake. The water surface is at 0.
float height(float x, float z);
// Unit normal by central differences `step` apart.
Float3 normal(float x, float z, float step);

// The world position of a texel's centre.
Float2 texelCentre(const MapRegion& region, int column, int row);
// Heights at every `stride`-th texel centre, row by row (z), as the GPU bake lays them out.
std::vector<float> bake(const MapRegion& region, int stride = 1);

}  // namespace AlpineTerrain

}  // namespace lumen::alpine
